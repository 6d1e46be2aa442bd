#include "platform/os/TrafficSampler.h"

#include <cstring>

std::size_t std::hash<os::ConnectionEnds>::operator()(const os::ConnectionEnds& ends) const noexcept {
    // Every field that tells two connections apart, a word at a time with one multiply each: a
    // sample of tens of thousands of connections is hashed twice over on its way to the list.
    const auto word = [](const std::array<std::uint8_t, 16>& address, std::size_t at) {
        std::uint64_t value;
        std::memcpy(&value, address.data() + at, sizeof value);
        return value;
    };
    constexpr std::uint64_t Odd = 0x9e3779b97f4a7c15ULL;
    std::uint64_t hash = (std::uint64_t(ends.ipv6) << 32 | std::uint64_t(ends.localPort) << 16 | ends.remotePort) * Odd;
    for (const std::uint64_t value : {word(ends.localAddress, 0), word(ends.localAddress, 8),
                                      word(ends.remoteAddress, 0), word(ends.remoteAddress, 8)}) {
        hash = (hash ^ value) * Odd;
        hash ^= hash >> 32;
    }
    return std::size_t(hash);
}
