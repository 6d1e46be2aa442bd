#include "Win32Api.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <cstring>

namespace os::win32 {

std::uint32_t deleteTcpConnection(const std::array<std::uint8_t, 16>& localAddress, std::uint16_t localPort,
                                  const std::array<std::uint8_t, 16>& remoteAddress, std::uint16_t remotePort) {
    MIB_TCPROW row{};
    row.dwState = MIB_TCP_STATE_DELETE_TCB;
    // Addresses and ports in network order, each port in the low 16 bits of its word.
    std::memcpy(&row.dwLocalAddr, localAddress.data(), 4);
    std::memcpy(&row.dwRemoteAddr, remoteAddress.data(), 4);
    row.dwLocalPort = ::htons(localPort);
    row.dwRemotePort = ::htons(remotePort);
    return ::SetTcpEntry(&row);
}

} // namespace os::win32
