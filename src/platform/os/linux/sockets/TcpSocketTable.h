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

// What one TCP socket moved, as the application counts it: payload bytes only (tcp_info
// also counts the SYN, each FIN and retransmissions), where the dump asked for the figures.
struct TcpTrafficInfo {
    std::uint64_t bytesSent = 0; // payload put on the wire, each byte once
    std::uint64_t bytesReceived = 0;
    std::uint32_t smoothedRoundTrip = 0; // microseconds
    std::uint32_t totalRetransmits = 0;
    bool known = false; // the reply carried the figures
    // The kernel's own counters, for the companion's JSON listing (0 where a kernel lacks them).
    std::uint64_t wireBytesSent = 0; // every byte sent, retransmissions included
    std::uint64_t bytesAcked = 0;    // with the SYN and an acknowledged FIN
    std::uint64_t wireBytesReceived = 0; // with the peer's FIN
    std::uint64_t bytesRetransmitted = 0;
    std::uint32_t segmentsOut = 0;
    std::uint32_t segmentsIn = 0;
    std::uint32_t roundTripVariance = 0; // microseconds
};

// The dump request's extension bit that adds tcp_info to each socket.
constexpr std::uint8_t TrafficInfoExtension = 1u << (2 - 1); // INET_DIAG_INFO = 2

// A TCP socket, or a UDP one where the protocol says so (the kernel lists both alike; a
// UDP socket that is bound but not connected is in the closed state).
struct TcpSocket {
    int family = 0;                              // AF_INET or AF_INET6
    int protocol = 6;                            // IPPROTO_TCP or IPPROTO_UDP
    std::uint8_t state = 0;                      // KernelTcpState
    std::array<std::uint8_t, 16> localAddress{}; // network order; IPv4 uses the first four bytes
    std::array<std::uint8_t, 16> remoteAddress{};
    std::uint16_t localPort = 0; // host order
    std::uint16_t remotePort = 0;
    std::uint32_t inode = 0; // 0 for time-wait and request sockets
    std::uint32_t userId = 0; // whose the socket is (0 for time-wait and request sockets)
    // What names this very socket to the kernel, for a request about it alone.
    std::uint32_t interfaceIndex = 0; // the bound interface (a link-local address's zone); 0 for none
    std::array<std::uint32_t, 2> cookie{};
    // The same cookie as one number, the kernel's own name for the socket, never reused while it runs.
    std::uint64_t cookieNumber() const { return std::uint64_t(cookie[1]) << 32 | cookie[0]; }
    TcpTrafficInfo traffic;
};

using TcpSocketVisitor = std::function<void(const TcpSocket&)>;

// "127.0.0.1", "::1"; a link-local IPv6 address carries the zone of its interface,
// "fe80::1%eth0": without it, it names no one host.
std::string addressText(int family, const std::array<std::uint8_t, 16>& address, std::uint32_t interfaceIndex = 0);

// Where a netlink dump stands after one reply has been read.
enum class DumpProgress { More, Done, Failed };

// Reads the messages of one reply to the dump request with this sequence number, appending
// each socket to `sockets`. Done only for a final message that carries no error and a dump
// the kernel did not mark as interrupted; Failed for an error message, an error carried in
// the final message, an interrupted dump or a message cut short.
DumpProgress readDumpReply(const char* data, std::size_t length, unsigned sequence, int family,
                           std::vector<TcpSocket>& sockets, int protocol = 6);

// The payload figures of a raw tcp_info as the kernel laid it out (older kernels send a
// shorter one: `size` is what arrived). `kernelState` is the socket's state; a destroyed
// socket is in the closed state. Unknown figures when the kernel counts no bytes.
TcpTrafficInfo payloadTraffic(const void* tcpInfo, std::size_t size, std::uint8_t kernelState);

// Reads the socket messages of one multicast notice (a destroyed socket each), as
// readDumpReply does for a dump; false for a message cut short.
bool readDestroyNotice(const char* data, std::size_t length, std::vector<TcpSocket>& sockets);

// Netlink dump of one address family, in the order the kernel reports. The sockets are
// handed to the visitor only once the whole dump has arrived: a dump that fails part-way
// visits nothing and returns false, so the caller can fall back to the /proc tables without
// visiting a socket twice.
class NetlinkTcpDumper {
public:
    NetlinkTcpDumper();
    virtual ~NetlinkTcpDumper();
    NetlinkTcpDumper(const NetlinkTcpDumper&) = delete;
    NetlinkTcpDumper& operator=(const NetlinkTcpDumper&) = delete;

    // `extensions`: request bits for more than the sockets' ends (TrafficInfoExtension).
    bool dump(int family, std::uint32_t stateMask, const TcpSocketVisitor& visit, int protocol = 6,
              std::uint8_t extensions = 0);
    // The TCP sockets of both address families from one walk of the kernel's tables (the
    // older request, which names no family), appended IPv4 first, each family in the order
    // two dump() calls would deliver it. False, with nothing appended, when the dump failed
    // or the kernel lacks that request.
    bool dumpBothFamilies(std::uint32_t stateMask, std::vector<TcpSocket>& sockets);

protected:
    // The socket traffic, which tests replace to replay broken replies.
    virtual bool sendRequest(const void* request, std::size_t length);
    // Bytes of the next reply, or a negative number when none could be read.
    virtual long receiveReply(char* buffer, std::size_t size);
    void close();

private:
    bool open();
    int m_socket = -1;
    unsigned m_sequence = 0;
    std::vector<char> m_buffer = std::vector<char>(64 * 1024);
};

// Parses one line of /proc/net/tcp or tcp6 (the title line is no socket); false for a
// line that holds no socket.
bool parseProcTcpLine(const char* line, int family, TcpSocket& socket);

// Parses one /proc/net/tcp or tcp6 file (procRoot lets tests replay recorded files). Like
// a dump, it visits the sockets only once the file was read to its end without an error.
bool readProcTcpTable(const std::string& path, int family, std::uint32_t stateMask,
                      const TcpSocketVisitor& visit);

// IPv4 then IPv6, netlink first and the /proc tables for a family netlink cannot dump.
// False only when neither source answered for either family.
bool forEachTcpSocket(NetlinkTcpDumper& dumper, std::uint32_t stateMask, const TcpSocketVisitor& visit,
                      const std::string& procRoot = "/proc");
// The same for the UDP sockets (/proc/net/udp and udp6 as the fallback).
bool forEachUdpSocket(NetlinkTcpDumper& dumper, const TcpSocketVisitor& visit,
                      const std::string& procRoot = "/proc");

// The state numbering the rest of the system uses (1 closed ... 12 delete-tcb).
int systemTcpState(std::uint8_t kernelState);

// The state word printed for a connection line, "ESTABLISHED", "TIME_WAIT", ...
const char* tcpStateWord(std::uint8_t kernelState);

} // namespace os::sockets
