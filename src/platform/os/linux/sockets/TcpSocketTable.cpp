#include "TcpSocketTable.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>
#include <net/if.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace os::sockets {

static_assert(TrafficInfoExtension == 1u << (INET_DIAG_INFO - 1));

NetlinkTcpDumper::NetlinkTcpDumper() = default;

NetlinkTcpDumper::~NetlinkTcpDumper() {
    close();
}

bool NetlinkTcpDumper::open() {
    if (m_socket >= 0)
        return true;
    m_socket = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    return m_socket >= 0;
}

void NetlinkTcpDumper::close() {
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
}

bool NetlinkTcpDumper::sendRequest(const void* request, std::size_t length) {
    if (!open())
        return false;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    ssize_t sent;
    do {
        sent = ::sendto(m_socket, request, length, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof(kernel));
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(length);
}

long NetlinkTcpDumper::receiveReply(char* buffer, std::size_t size) {
    ssize_t received;
    do {
        received = ::recv(m_socket, buffer, size, 0);
    } while (received < 0 && errno == EINTR);
    return static_cast<long>(received);
}

namespace {

// The tcp_info attribute after a socket's message, when there is one.
TcpTrafficInfo trafficInfo(const char* attributes, std::size_t length, std::uint8_t state) {
    while (length >= sizeof(rtattr)) {
        rtattr attribute;
        std::memcpy(&attribute, attributes, sizeof(attribute));
        if (attribute.rta_len < sizeof(rtattr) || attribute.rta_len > length)
            break;
        if (attribute.rta_type == INET_DIAG_INFO)
            return payloadTraffic(attributes + RTA_LENGTH(0), attribute.rta_len - RTA_LENGTH(0), state);
        const std::size_t step = RTA_ALIGN(attribute.rta_len);
        if (step >= length)
            break;
        attributes += step;
        length -= step;
    }
    return {};
}

// States a socket reaches only once the peer's FIN has arrived.
constexpr std::uint32_t PeerFinishedStates =
    stateBit(KernelCloseWait) | stateBit(KernelLastAck) | stateBit(KernelClosing) | stateBit(KernelTimeWait);

} // namespace

TcpTrafficInfo payloadTraffic(const void* tcpInfo, std::size_t size, std::uint8_t kernelState) {
    TcpTrafficInfo info;
    tcp_info figures{};
    size = std::min(size, sizeof(figures));
    std::memcpy(&figures, tcpInfo, size);
    const auto has = [size](std::size_t offset, std::size_t length) { return size >= offset + length; };
    if (!has(offsetof(tcp_info, tcpi_bytes_received), sizeof(figures.tcpi_bytes_received)))
        return info; // a kernel before 4.1 counts no bytes
    // Sent: each payload byte put on the wire once. The acknowledged count would add the
    // active opener's SYN and the FIN once acknowledged, and no byte still in flight.
    if (has(offsetof(tcp_info, tcpi_bytes_retrans), sizeof(figures.tcpi_bytes_retrans)))
        info.bytesSent = figures.tcpi_bytes_sent - std::min(figures.tcpi_bytes_retrans, figures.tcpi_bytes_sent);
    else // before 4.19: what was acknowledged, less the SYN an active opener counts there
        info.bytesSent = figures.tcpi_bytes_acked - std::min<std::uint64_t>(figures.tcpi_bytes_acked, 1);
    // Received counts the peer's FIN once it came. A live socket's state says whether it
    // did; a destroyed one is always closed, and nearly every connection the kernel
    // destroys ended with both FINs: one that received anything counts one byte less. A
    // connection ended by a reset after it received data is then one byte short.
    const bool peerFinished = (PeerFinishedStates & stateBit(kernelState)) ||
                              (kernelState == KernelClose && figures.tcpi_bytes_received > 0);
    info.bytesReceived = figures.tcpi_bytes_received - (peerFinished && figures.tcpi_bytes_received > 0 ? 1 : 0);
    info.smoothedRoundTrip = figures.tcpi_rtt;
    info.totalRetransmits = figures.tcpi_total_retrans;
    info.known = true;
    info.wireBytesSent = figures.tcpi_bytes_sent;
    info.bytesAcked = figures.tcpi_bytes_acked;
    info.wireBytesReceived = figures.tcpi_bytes_received;
    info.bytesRetransmitted = figures.tcpi_bytes_retrans;
    info.segmentsOut = figures.tcpi_segs_out;
    info.segmentsIn = figures.tcpi_segs_in;
    info.roundTripVariance = figures.tcpi_rttvar;
    return info;
}

namespace {

// The messages of one reply of the given type, each socket handed to `keep`; its family is
// `family`, or the message's own where that is AF_UNSPEC.
template <typename Keep>
DumpProgress readReply(const char* data, std::size_t length, unsigned sequence, int family, int messageType,
                       int protocol, Keep&& keep) {
    TcpSocket socket;
    socket.family = family;
    socket.protocol = protocol;
    for (std::size_t offset = 0; offset < length;) {
        nlmsghdr header;
        if (length - offset < sizeof(header))
            return DumpProgress::Failed; // a message cut short
        std::memcpy(&header, data + offset, sizeof(header));
        if (header.nlmsg_len < sizeof(nlmsghdr) || header.nlmsg_len > length - offset)
            return DumpProgress::Failed;
        const char* payload = data + offset + NLMSG_HDRLEN;
        const std::size_t payloadLength =
            header.nlmsg_len - std::min<std::size_t>(header.nlmsg_len, NLMSG_HDRLEN);
        offset += std::min<std::size_t>(NLMSG_ALIGN(header.nlmsg_len), length - offset);
        if (header.nlmsg_seq != sequence)
            continue; // left over from an earlier request
        // The kernel marks a dump whose table changed under it as inconsistent: its sockets
        // may be missing or repeated.
        if (header.nlmsg_flags & NLM_F_DUMP_INTR)
            return DumpProgress::Failed;
        if (header.nlmsg_type == NLMSG_ERROR)
            return DumpProgress::Failed;
        if (header.nlmsg_type == NLMSG_DONE) {
            // The final message carries the dump's own result: negative is an error.
            int result = 0;
            if (payloadLength >= sizeof(result))
                std::memcpy(&result, payload, sizeof(result));
            return result < 0 ? DumpProgress::Failed : DumpProgress::Done;
        }
        if (header.nlmsg_type != messageType || payloadLength < sizeof(inet_diag_msg))
            continue;
        inet_diag_msg entry;
        std::memcpy(&entry, payload, sizeof(entry));
        if (family == AF_UNSPEC)
            socket.family = entry.idiag_family;
        socket.state = entry.idiag_state;
        socket.localPort = ntohs(entry.id.idiag_sport);
        socket.remotePort = ntohs(entry.id.idiag_dport);
        std::memcpy(socket.localAddress.data(), entry.id.idiag_src, 16);
        std::memcpy(socket.remoteAddress.data(), entry.id.idiag_dst, 16);
        socket.inode = entry.idiag_inode;
        socket.userId = entry.idiag_uid;
        socket.interfaceIndex = entry.id.idiag_if;
        socket.cookie = {entry.id.idiag_cookie[0], entry.id.idiag_cookie[1]};
        const std::size_t attributesAt = NLMSG_ALIGN(sizeof(inet_diag_msg));
        socket.traffic = payloadLength > attributesAt
                             ? trafficInfo(payload + attributesAt, payloadLength - attributesAt, socket.state)
                             : TcpTrafficInfo{};
        keep(socket);
    }
    return DumpProgress::More;
}

} // namespace

DumpProgress readDumpReply(const char* data, std::size_t length, unsigned sequence, int family,
                           std::vector<TcpSocket>& sockets, int protocol) {
    return readReply(data, length, sequence, family, SOCK_DIAG_BY_FAMILY, protocol,
                     [&sockets](const TcpSocket& socket) { sockets.push_back(socket); });
}

bool readDestroyNotice(const char* data, std::size_t length, std::vector<TcpSocket>& sockets) {
    // Multicast notices carry sequence number 0 and the message's own family.
    return readReply(data, length, 0, AF_UNSPEC, SOCK_DIAG_BY_FAMILY, IPPROTO_TCP,
                     [&sockets](const TcpSocket& socket) { sockets.push_back(socket); }) != DumpProgress::Failed;
}

bool NetlinkTcpDumper::dump(int family, std::uint32_t stateMask, const TcpSocketVisitor& visit,
                            int protocol, std::uint8_t extensions) {
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof(message);
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.header.nlmsg_seq = ++m_sequence;
    message.request.sdiag_family = static_cast<std::uint8_t>(family);
    message.request.sdiag_protocol = static_cast<std::uint8_t>(protocol);
    message.request.idiag_states = stateMask;
    message.request.idiag_ext = extensions;
    if (!sendRequest(&message, sizeof(message))) {
        close();
        return false;
    }

    // Held only for this dump: kept between dumps, it would stay as large as the largest
    // table ever seen for as long as the program runs.
    std::vector<TcpSocket> pending;
    for (;;) {
        const long received = receiveReply(m_buffer.data(), m_buffer.size());
        DumpProgress progress = DumpProgress::Failed;
        if (received > 0)
            progress = readDumpReply(m_buffer.data(), std::size_t(received), m_sequence, family, pending,
                                     protocol);
        if (progress == DumpProgress::More)
            continue;
        if (progress == DumpProgress::Failed) {
            // Nothing of a broken dump is used, and the rest of its reply must not be read
            // as the answer to the next request: start afresh next time.
            close();
            return false;
        }
        for (const TcpSocket& socket : pending)
            visit(socket);
        return true;
    }
}

bool NetlinkTcpDumper::dumpBothFamilies(std::uint32_t stateMask, std::vector<TcpSocket>& sockets) {
    // The older interface's request names its protocol by its type and no address family;
    // the kernel answers it for both families in one walk of its tables.
    struct {
        nlmsghdr header;
        inet_diag_req request;
    } message{};
    message.header.nlmsg_len = sizeof(message);
    message.header.nlmsg_type = TCPDIAG_GETSOCK;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.header.nlmsg_seq = ++m_sequence;
    message.request.idiag_family = AF_INET;
    message.request.idiag_states = stateMask;
    if (!sendRequest(&message, sizeof(message))) {
        close();
        return false;
    }

    const std::size_t before = sockets.size();
    std::vector<TcpSocket> ipv6;
    const auto keep = [&sockets, &ipv6](const TcpSocket& socket) {
        if (socket.family == AF_INET)
            sockets.push_back(socket);
        else if (socket.family == AF_INET6)
            ipv6.push_back(socket);
    };
    for (;;) {
        const long received = receiveReply(m_buffer.data(), m_buffer.size());
        DumpProgress progress = DumpProgress::Failed;
        if (received > 0)
            progress = readReply(m_buffer.data(), std::size_t(received), m_sequence, AF_UNSPEC,
                                 TCPDIAG_GETSOCK, IPPROTO_TCP, keep);
        if (progress == DumpProgress::More)
            continue;
        if (progress == DumpProgress::Failed) {
            sockets.resize(before);
            close();
            return false;
        }
        sockets.insert(sockets.end(), ipv6.begin(), ipv6.end());
        return true;
    }
}

namespace {

bool forEachSocket(NetlinkTcpDumper& dumper, int protocol, std::uint32_t stateMask,
                   const TcpSocketVisitor& visit, const std::string& procRoot) {
    const bool udp = protocol == IPPROTO_UDP;
    // The /proc tables do not say which protocol they list.
    const TcpSocketVisitor visitAs = [&visit, protocol](const TcpSocket& socket) {
        TcpSocket marked = socket;
        marked.protocol = protocol;
        visit(marked);
    };
    bool any = false;
    for (int family : {AF_INET, AF_INET6}) {
        if (dumper.dump(family, stateMask, visit, protocol)) {
            any = true;
            continue;
        }
        const char* file =
            family == AF_INET ? (udp ? "/net/udp" : "/net/tcp") : (udp ? "/net/udp6" : "/net/tcp6");
        any |= readProcTcpTable(procRoot + file, family, stateMask, visitAs);
    }
    return any;
}

} // namespace

bool forEachTcpSocket(NetlinkTcpDumper& dumper, std::uint32_t stateMask, const TcpSocketVisitor& visit,
                      const std::string& procRoot) {
    return forEachSocket(dumper, IPPROTO_TCP, stateMask, visit, procRoot);
}

bool forEachUdpSocket(NetlinkTcpDumper& dumper, const TcpSocketVisitor& visit, const std::string& procRoot) {
    return forEachSocket(dumper, IPPROTO_UDP, AllStates, visit, procRoot);
}

int systemTcpState(std::uint8_t kernelState) {
    switch (kernelState) {
    case KernelEstablished:
        return 5;
    case KernelSynSent:
        return 3;
    case KernelSynRecv:
    case KernelNewSynRecv:
        return 4;
    case KernelFinWait1:
        return 6;
    case KernelFinWait2:
        return 7;
    case KernelTimeWait:
        return 11;
    case KernelClose:
        return 1;
    case KernelCloseWait:
        return 8;
    case KernelLastAck:
        return 10;
    case KernelListen:
        return 2;
    case KernelClosing:
        return 9;
    default:
        return 12; // a state the kernel added later: the table's catch-all
    }
}

const char* tcpStateWord(std::uint8_t kernelState) {
    static const char* const words[] = {
        "",           "CLOSED",     "LISTENING", "SYN_SENT", "SYN_RECEIVED", "ESTABLISHED", "FIN_WAIT_1",
        "FIN_WAIT_2", "CLOSE_WAIT", "CLOSING",   "LAST_ACK", "TIME_WAIT",    "DELETE_TCB"};
    return words[systemTcpState(kernelState)];
}

std::string addressText(int family, const std::array<std::uint8_t, 16>& address, std::uint32_t interfaceIndex) {
    char text[INET6_ADDRSTRLEN];
    if (!::inet_ntop(family, address.data(), text, sizeof(text)))
        return {};
    std::string written(text);
    const bool linkLocal = family == AF_INET6 && address[0] == 0xfe && (address[1] & 0xc0) == 0x80;
    if (linkLocal && interfaceIndex != 0) {
        char zone[IF_NAMESIZE];
        written += '%';
        written += ::if_indextoname(interfaceIndex, zone) ? std::string(zone) : std::to_string(interfaceIndex);
    }
    return written;
}

} // namespace os::sockets
