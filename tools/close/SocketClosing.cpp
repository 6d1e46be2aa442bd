#include "SocketClosing.h"

#include "../netstat/Capabilities.h"
#include "NetAdmin.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using os::sockets::TcpSocket;
using namespace os::sockets;

namespace {

// Decimal digits only, no sign and no spaces, 0 to 65535.
bool readPort(std::string_view text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5)
        return false;
    unsigned value = 0;
    for (char digit : text) {
        if (digit < '0' || digit > '9')
            return false;
        value = value * 10 + unsigned(digit - '0');
    }
    if (value > 65535)
        return false;
    port = std::uint16_t(value);
    return true;
}

// An address in numbers of either family; false for names and anything else.
bool readAddress(const char* text, int& family, std::array<std::uint8_t, 16>& bytes) {
    bytes = {};
    if (::inet_pton(AF_INET, text, bytes.data()) == 1) {
        family = AF_INET;
        return true;
    }
    if (::inet_pton(AF_INET6, text, bytes.data()) == 1) {
        family = AF_INET6;
        return true;
    }
    return false;
}

// Sockets that are connections, or listening; the rest hold no connection to close.
constexpr std::uint32_t SearchedStates = ConnectionStates & ~stateBit(KernelTimeWait) & ~stateBit(KernelNewSynRecv);

} // namespace

bool readWantedConnection(int argc, const char* const* argv, WantedConnection& wanted, const char*& wrong) {
    if (argc != 6) {
        wrong = "five arguments are needed";
        return false;
    }
    if (std::string_view(argv[1]) != "tcp") {
        wrong = "only a TCP connection can be closed";
        return false;
    }
    int remoteFamily = 0;
    if (!readAddress(argv[2], wanted.family, wanted.localAddress) ||
        !readAddress(argv[4], remoteFamily, wanted.remoteAddress)) {
        wrong = "an address is not written in numbers";
        return false;
    }
    if (remoteFamily != wanted.family) {
        wrong = "the two addresses are of different families";
        return false;
    }
    if (!readPort(argv[3], wanted.localPort) || !readPort(argv[5], wanted.remotePort)) {
        wrong = "a port is not a number from 0 to 65535";
        return false;
    }
    return true;
}

bool findSockets(const WantedConnection& wanted, std::vector<TcpSocket>& found) {
    NetlinkTcpDumper dumper;
    const std::uint32_t states = SearchedStates | stateBit(KernelListen);
    return dumper.dump(wanted.family, states, [&wanted, &found](const TcpSocket& socket) {
        if (socket.localPort == wanted.localPort && socket.remotePort == wanted.remotePort &&
            socket.localAddress == wanted.localAddress && socket.remoteAddress == wanted.remoteAddress)
            found.push_back(socket);
    });
}

CloseOutcome mayClose(const std::vector<TcpSocket>& found, uid_t caller) {
    if (found.empty())
        return CloseOutcome::NoSuchConnection;
    if (found.size() > 1)
        return CloseOutcome::MoreThanOne;
    if (found.front().state == KernelListen)
        return CloseOutcome::Listening;
    if (caller != 0 && found.front().userId != caller)
        return CloseOutcome::AnotherUsers;
    return CloseOutcome::Closed;
}

int destroySocket(const TcpSocket& socket) {
    const int channel = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (channel < 0)
        return errno;
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof(message);
    message.header.nlmsg_type = SOCK_DESTROY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK;
    message.header.nlmsg_seq = 1;
    message.request.sdiag_family = std::uint8_t(socket.family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = SearchedStates;
    message.request.id.idiag_sport = htons(socket.localPort);
    message.request.id.idiag_dport = htons(socket.remotePort);
    std::memcpy(message.request.id.idiag_src, socket.localAddress.data(), 16);
    std::memcpy(message.request.id.idiag_dst, socket.remoteAddress.data(), 16);
    message.request.id.idiag_if = socket.interfaceIndex;
    // The cookie names the socket the dump found: should it have closed and another taken
    // its ends since, the kernel refuses rather than destroying that other one.
    message.request.id.idiag_cookie[0] = socket.cookie[0];
    message.request.id.idiag_cookie[1] = socket.cookie[1];

    // The kernel checks the capability while it handles the request, inside the send.
    if (!raiseNetAdmin()) {
        ::close(channel);
        return EPERM;
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    ssize_t sent;
    do {
        sent = ::sendto(channel, &message, sizeof(message), 0, reinterpret_cast<sockaddr*>(&kernel), sizeof(kernel));
    } while (sent < 0 && errno == EINTR);
    const int sendError = errno;
    if (!lowerCapabilities()) {
        ::close(channel);
        return EPERM;
    }
    if (sent != ssize_t(sizeof(message))) {
        ::close(channel);
        return sent < 0 ? sendError : EIO;
    }

    // The answer is the acknowledgement: an error message whose code is 0 on success.
    alignas(nlmsghdr) char reply[1024];
    ssize_t received;
    do {
        received = ::recv(channel, reply, sizeof(reply), 0);
    } while (received < 0 && errno == EINTR);
    const int receiveError = errno;
    ::close(channel);
    if (received < 0)
        return receiveError;
    nlmsghdr header;
    nlmsgerr answer;
    if (std::size_t(received) < NLMSG_HDRLEN + sizeof(answer))
        return EIO;
    std::memcpy(&header, reply, sizeof(header));
    std::memcpy(&answer, reply + NLMSG_HDRLEN, sizeof(answer));
    if (header.nlmsg_type != NLMSG_ERROR)
        return EIO;
    return -answer.error;
}
