// Name look-ups through the system's resolver, IPv4 as the window asks them.

#include "platform/os/linux/LinuxSystem.h"

#include <cstring>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace os {

std::optional<std::array<std::uint8_t, 4>> LinuxSystem::lookUpHostName(const QString& hostName) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (hostName.isEmpty() || ::getaddrinfo(hostName.toLocal8Bit().constData(), nullptr, &hints, &found) != 0)
        return std::nullopt;
    std::optional<std::array<std::uint8_t, 4>> address;
    for (addrinfo* entry = found; entry && !address; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET)
            continue;
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        std::array<std::uint8_t, 4> bytes;
        std::memcpy(bytes.data(), &ipv4->sin_addr, 4);
        address = bytes;
    }
    ::freeaddrinfo(found);
    return address;
}

std::optional<QString> LinuxSystem::lookUpAddress(const std::array<std::uint8_t, 4>& address) {
    sockaddr_in ipv4{};
    ipv4.sin_family = AF_INET;
    std::memcpy(&ipv4.sin_addr, address.data(), 4);
    char name[NI_MAXHOST];
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&ipv4), sizeof(ipv4), name, sizeof(name), nullptr, 0,
                      NI_NAMEREQD) != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(name);
}

} // namespace os
