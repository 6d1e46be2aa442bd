#include "platform/os/TrafficSampler.h"

std::size_t std::hash<os::ConnectionEnds>::operator()(const os::ConnectionEnds& ends) const noexcept {
    // FNV-1a over every byte that tells two connections apart.
    std::uint64_t hash = 14695981039346656037ULL;
    const auto add = [&hash](std::uint8_t byte) { hash = (hash ^ byte) * 1099511628211ULL; };
    add(ends.ipv6);
    for (const auto* address : {&ends.localAddress, &ends.remoteAddress})
        for (std::uint8_t byte : *address)
            add(byte);
    for (std::uint16_t port : {ends.localPort, ends.remotePort}) {
        add(std::uint8_t(port >> 8));
        add(std::uint8_t(port));
    }
    return std::size_t(hash);
}
