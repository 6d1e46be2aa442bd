#include "platform/os/linux/DestroyRecorder.h"

#include "platform/os/linux/sockets/TcpSocketTable.h"

#include <cerrno>
#include <cstring>
#include <unordered_map>

#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <poll.h>
#include <pwd.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace os::linuxbackend {

DestroyRecorder::~DestroyRecorder() {
    stop();
}

void DestroyRecorder::start() {
    if (m_thread.joinable())
        return;
    const int netlink = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_SOCK_DIAG);
    bool joined = netlink >= 0;
    if (joined) {
        sockaddr_nl local{};
        local.nl_family = AF_NETLINK;
        joined = ::bind(netlink, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
        // A deep queue rides out a burst of closes while the thread waits for the processor.
        const int depth = 8 * 1024 * 1024;
        ::setsockopt(netlink, SOL_SOCKET, SO_RCVBUF, &depth, sizeof depth);
        for (int group : {SKNLGRP_INET_TCP_DESTROY, SKNLGRP_INET6_TCP_DESTROY})
            joined = joined && ::setsockopt(netlink, SOL_NETLINK, NETLINK_ADD_MEMBERSHIP, &group, sizeof group) == 0;
    }
    if (!joined) {
        setFailure(QStringLiteral("Closed connections are not recorded: the kernel refused their notices (%1).")
                       .arg(QString::fromLocal8Bit(std::strerror(errno))));
        if (netlink >= 0)
            ::close(netlink);
        return;
    }
    m_wake = ::eventfd(0, EFD_CLOEXEC);
    setFailure({});
    m_thread = std::thread(&DestroyRecorder::run, this, netlink, m_wake);
}

void DestroyRecorder::stop() {
    if (!m_thread.joinable())
        return;
    const std::uint64_t one = 1;
    if (::write(m_wake, &one, sizeof one) < 0) {
        // An eventfd write fails only when its counter is full: the thread is waking already.
    }
    m_thread.join();
    ::close(m_wake);
    m_wake = -1;
}

namespace {

// A user's name, or the number where the password database has none.
QString userName(std::uint32_t userId, std::unordered_map<std::uint32_t, QString>& known) {
    if (const auto found = known.find(userId); found != known.end())
        return found->second;
    passwd entry{}, *result = nullptr;
    char text[4096];
    QString name = ::getpwuid_r(userId, &entry, text, sizeof text, &result) == 0 && result
                       ? QString::fromLocal8Bit(entry.pw_name)
                       : QString::number(userId);
    return known[userId] = name;
}

} // namespace

void DestroyRecorder::run(int netlink, int wake) {
    std::unordered_map<std::uint32_t, QString> userNames;
    std::vector<char> buffer(256 * 1024);
    std::vector<sockets::TcpSocket> destroyed;
    std::vector<ClosedSocket> closed;
    for (;;) {
        pollfd waits[] = {{netlink, POLLIN, 0}, {wake, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 && errno != EINTR)
            break;
        if (waits[1].revents)
            break;
        // Everything queued now, then one hand-over: a burst costs one wake of the window.
        std::uint64_t lost = 0;
        for (;;) {
            const ssize_t received = ::recv(netlink, buffer.data(), buffer.size(), 0);
            if (received < 0 && errno == ENOBUFS) {
                // The kernel's queue overflowed and it dropped notices; how many it does not
                // say. Counted as one loss each time, so the user learns of it.
                ++lost;
                continue;
            }
            if (received <= 0)
                break;
            destroyed.clear();
            sockets::readDestroyNotice(buffer.data(), std::size_t(received), destroyed);
            const auto now = std::chrono::system_clock::now();
            for (const sockets::TcpSocket& socket : destroyed) {
                ClosedSocket& entry = closed.emplace_back();
                entry.ends = {socket.family == AF_INET6, socket.localAddress, socket.remoteAddress,
                              socket.localPort, socket.remotePort};
                if (socket.traffic.known)
                    entry.figures = TrafficFigures{socket.traffic.bytesSent, socket.traffic.bytesReceived,
                                                   socket.traffic.smoothedRoundTrip,
                                                   socket.traffic.totalRetransmits};
                entry.cookie = socket.cookieNumber();
                entry.userId = socket.userId;
                entry.userName = userName(socket.userId, userNames);
                entry.closedAt = now;
            }
        }
        deliver(closed, lost);
    }
    ::close(netlink);
}

} // namespace os::linuxbackend
