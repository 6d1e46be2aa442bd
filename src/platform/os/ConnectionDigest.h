#pragma once

#include <array>
#include <cstdint>

namespace os {

// One active connection's share of TcpStateCounts::connectionDigest: its family, state, ports
// and addresses, mixed so that a sum over the connections hardly ever stays equal when one of
// them changes. Plain C++, shared by every backend's state count.
inline std::uint64_t connectionHash(int family, int state, std::uint16_t localPort, std::uint16_t remotePort,
                                    const std::array<std::uint8_t, 16>& localAddress,
                                    const std::array<std::uint8_t, 16>& remoteAddress) {
    // splitmix64's finaliser: every input bit moves about half the output bits.
    const auto mixed = [](std::uint64_t value) {
        value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
        value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
        return value ^ (value >> 31);
    };
    std::uint64_t hash = mixed(std::uint64_t(family) << 40 | std::uint64_t(state) << 32 |
                               std::uint64_t(localPort) << 16 | remotePort);
    for (const auto* address : {&localAddress, &remoteAddress})
        for (std::size_t at = 0; at < address->size(); at += 8) {
            std::uint64_t word = 0;
            for (std::size_t byte = 0; byte < 8; ++byte)
                word = word << 8 | (*address)[at + byte];
            hash = mixed(hash ^ word);
        }
    return hash;
}

} // namespace os
