#pragma once

// Reads the kernel's TCP socket table: netlink sock_diag first, /proc/net/tcp{,6} when
// netlink is unavailable. Plain C++ without Qt, so the small companion command can use it.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace os::sockets {

// Kernel TCP state numbers (include/net/tcp_states.h).
enum KernelTcpState : std::uint8_t {
    KernelEstablished = 1,
    KernelSynSent,
    KernelSynRecv,
    KernelFinWait1,
    KernelFinWait2,
    KernelTimeWait,
    KernelClose,
    KernelCloseWait,
    KernelLastAck,
    KernelListen,
    KernelClosing,
    KernelNewSynRecv,
    KernelBoundInactive, // only a dump request bit: bound-only sockets, reported as closed
};

constexpr std::uint32_t stateBit(int kernelState) {
    return 1u << kernelState;
}
constexpr std::uint32_t AllStates = 0xffffffffu;
// Sockets that are connections: not listening, and not merely bound (newer kernels dump
// bound-only sockets in the closed state; they have no peer and are no connection).
constexpr std::uint32_t ConnectionStates =
    AllStates & ~stateBit(KernelListen) & ~stateBit(KernelClose) & ~stateBit(KernelBoundInactive);

struct TcpSocket {
    int family = 0;                              // AF_INET or AF_INET6
    std::uint8_t state = 0;                      // KernelTcpState
    std::array<std::uint8_t, 16> localAddress{}; // network order; IPv4 uses the first four bytes
    std::array<std::uint8_t, 16> remoteAddress{};
    std::uint16_t localPort = 0; // host order
    std::uint16_t remotePort = 0;
    std::uint32_t inode = 0; // 0 for time-wait and request sockets
};

using TcpSocketVisitor = std::function<void(const TcpSocket&)>;

// Netlink dump of one address family, in the order the kernel reports. False when the
// dump could not be made at all (the caller may fall back to the /proc tables).
class NetlinkTcpDumper {
public:
    NetlinkTcpDumper();
    ~NetlinkTcpDumper();
    NetlinkTcpDumper(const NetlinkTcpDumper&) = delete;
    NetlinkTcpDumper& operator=(const NetlinkTcpDumper&) = delete;

    bool dump(int family, std::uint32_t stateMask, const TcpSocketVisitor& visit);

private:
    bool open();
    void close();
    int m_socket = -1;
    unsigned m_sequence = 0;
    std::vector<char> m_buffer = std::vector<char>(64 * 1024);
};

// Parses one /proc/net/tcp or tcp6 file (procRoot lets tests replay recorded files).
bool readProcTcpTable(const std::string& path, int family, std::uint32_t stateMask,
                      const TcpSocketVisitor& visit);

// IPv4 then IPv6, netlink first and the /proc tables for a family netlink cannot dump.
// False only when neither source answered for either family.
bool forEachTcpSocket(NetlinkTcpDumper& dumper, std::uint32_t stateMask, const TcpSocketVisitor& visit,
                      const std::string& procRoot = "/proc");

// The state numbering the rest of the system uses (1 closed ... 12 delete-tcb).
int systemTcpState(std::uint8_t kernelState);

// The state word printed for a connection line, "ESTABLISHED", "TIME_WAIT", ...
const char* tcpStateWord(std::uint8_t kernelState);

} // namespace os::sockets
