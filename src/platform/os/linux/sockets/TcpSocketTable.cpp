#include "TcpSocketTable.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace os::sockets {

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

bool NetlinkTcpDumper::dump(int family, std::uint32_t stateMask, const TcpSocketVisitor& visit) {
    if (!open())
        return false;

    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof(message);
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.header.nlmsg_seq = ++m_sequence;
    message.request.sdiag_family = static_cast<std::uint8_t>(family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = stateMask;

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    ssize_t sent;
    do {
        sent = ::sendto(m_socket, &message, sizeof(message), 0, reinterpret_cast<sockaddr*>(&kernel),
                        sizeof(kernel));
    } while (sent < 0 && errno == EINTR);
    if (sent != static_cast<ssize_t>(sizeof(message))) {
        close();
        return false;
    }

    TcpSocket socket;
    socket.family = family;
    for (;;) {
        ssize_t received = ::recv(m_socket, m_buffer.data(), m_buffer.size(), 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0) {
            // A half-read dump would leave stale messages behind: start afresh next time.
            close();
            return false;
        }
        const std::size_t length = static_cast<std::size_t>(received);
        for (std::size_t offset = 0; offset + sizeof(nlmsghdr) <= length;) {
            auto* header = reinterpret_cast<nlmsghdr*>(m_buffer.data() + offset);
            if (header->nlmsg_len < sizeof(nlmsghdr) || header->nlmsg_len > length - offset)
                break;
            offset += NLMSG_ALIGN(header->nlmsg_len);
            if (header->nlmsg_seq != m_sequence)
                continue;
            if (header->nlmsg_type == NLMSG_DONE)
                return true;
            if (header->nlmsg_type == NLMSG_ERROR) {
                close();
                return false;
            }
            if (header->nlmsg_type != SOCK_DIAG_BY_FAMILY ||
                header->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg)))
                continue;
            const auto* entry = static_cast<const inet_diag_msg*>(NLMSG_DATA(header));
            socket.state = entry->idiag_state;
            socket.localPort = ntohs(entry->id.idiag_sport);
            socket.remotePort = ntohs(entry->id.idiag_dport);
            std::memcpy(socket.localAddress.data(), entry->id.idiag_src, 16);
            std::memcpy(socket.remoteAddress.data(), entry->id.idiag_dst, 16);
            socket.inode = entry->idiag_inode;
            visit(socket);
        }
    }
}

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads "HEX:PORT" as /proc/net/tcp prints it: the address as 32-bit words in host
// (little-endian) order, so each word's bytes come reversed.
bool readProcAddress(const char*& cursor, int words, std::array<std::uint8_t, 16>& address,
                     std::uint16_t& port) {
    while (*cursor == ' ')
        ++cursor;
    address.fill(0);
    for (int word = 0; word < words; ++word) {
        std::uint32_t value = 0;
        for (int i = 0; i < 8; ++i) {
            int digit = hexDigit(*cursor++);
            if (digit < 0)
                return false;
            value = value << 4 | std::uint32_t(digit);
        }
        for (int byte = 0; byte < 4; ++byte)
            address[word * 4 + byte] = static_cast<std::uint8_t>(value >> (8 * byte));
    }
    if (*cursor++ != ':')
        return false;
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        int digit = hexDigit(*cursor++);
        if (digit < 0)
            return false;
        value = value << 4 | unsigned(digit);
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool skipField(const char*& cursor) {
    while (*cursor == ' ')
        ++cursor;
    if (!*cursor || *cursor == '\n')
        return false;
    while (*cursor && *cursor != ' ' && *cursor != '\n')
        ++cursor;
    return true;
}

} // namespace

bool readProcTcpTable(const std::string& path, int family, std::uint32_t stateMask,
                      const TcpSocketVisitor& visit) {
    FILE* file = std::fopen(path.c_str(), "re");
    if (!file)
        return false;
    char line[512];
    const int words = family == AF_INET6 ? 4 : 1;
    bool header = true;
    TcpSocket socket;
    socket.family = family;
    while (std::fgets(line, sizeof(line), file)) {
        if (header) { // column titles
            header = false;
            continue;
        }
        const char* cursor = line;
        // sl, local_address, rem_address, st, tx:rx queue, tr:when, retrnsmt, uid, timeout, inode
        if (!skipField(cursor) || !readProcAddress(cursor, words, socket.localAddress, socket.localPort) ||
            !readProcAddress(cursor, words, socket.remoteAddress, socket.remotePort))
            continue;
        while (*cursor == ' ')
            ++cursor;
        int high = hexDigit(cursor[0]), low = hexDigit(cursor[1]);
        if (high < 0 || low < 0)
            continue;
        socket.state = static_cast<std::uint8_t>(high * 16 + low);
        cursor += 2;
        if (socket.state >= 32 || !(stateMask & stateBit(socket.state)))
            continue;
        bool fields = true;
        for (int i = 0; i < 5 && fields; ++i)
            fields = skipField(cursor);
        if (!fields)
            continue;
        while (*cursor == ' ')
            ++cursor;
        unsigned long inode = std::strtoul(cursor, nullptr, 10);
        socket.inode = static_cast<std::uint32_t>(inode);
        visit(socket);
    }
    std::fclose(file);
    return true;
}

bool forEachTcpSocket(NetlinkTcpDumper& dumper, std::uint32_t stateMask, const TcpSocketVisitor& visit,
                      const std::string& procRoot) {
    bool any = false;
    for (int family : {AF_INET, AF_INET6}) {
        if (dumper.dump(family, stateMask, visit)) {
            any = true;
            continue;
        }
        const char* file = family == AF_INET ? "/net/tcp" : "/net/tcp6";
        any |= readProcTcpTable(procRoot + file, family, stateMask, visit);
    }
    return any;
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

} // namespace os::sockets
