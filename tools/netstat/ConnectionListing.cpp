#include "ConnectionListing.h"

#include "ListingText.h"
#include "NetworkNamespaces.h"
#include "ServiceNames.h"
#include "SocketOwners.h"

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <thread>
#include <unordered_map>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

using os::sockets::TcpSocket;

namespace {

// Each family with its sockets' tcp_info, from its /proc table (without) where netlink fails.
bool readWithTrafficInfo(os::sockets::NetlinkTcpDumper& dumper, std::uint32_t states,
                         const os::sockets::TcpSocketVisitor& keep, const std::string& procRoot) {
    bool read = false;
    for (const int family : {AF_INET, AF_INET6})
        read = (dumper.dump(family, states, keep, IPPROTO_TCP, os::sockets::TrafficInfoExtension) ||
                os::sockets::readProcTcpTable(procRoot + (family == AF_INET ? "/net/tcp" : "/net/tcp6"),
                                              family, states, keep)) ||
               read;
    return read;
}

} // namespace

std::vector<ListedConnection> collectConnections(const ListingOptions& options, bool* readable) {
    std::vector<TcpSocket> sockets;
    os::sockets::NetlinkTcpDumper dumper;
    const auto keep = [&sockets](const TcpSocket& socket) { sockets.push_back(socket); };
    std::uint32_t states = os::sockets::ConnectionStates;
    if (options.all)
        states |= os::sockets::stateBit(os::sockets::KernelListen);
    // One walk of the kernel's tables for both families where it can, else one each.
    bool read = options.trafficInfo
                    ? readWithTrafficInfo(dumper, states, keep, options.procRoot)
                    : dumper.dumpBothFamilies(states, sockets) ||
                          os::sockets::forEachTcpSocket(dumper, states, keep, options.procRoot);
    // A listing that silently lacked the UDP endpoints it was asked for would pass for none.
    if (options.all)
        read = os::sockets::forEachUdpSocket(dumper, keep, options.procRoot) && read;
    if (readable)
        *readable = read;
    std::vector<ListedConnection> connections;
    connections.reserve(sockets.size());
    for (const TcpSocket& socket : sockets)
        connections.push_back({socket, 0});
    return connections;
}

namespace {

// Threads that read owners beside the caller: about one a processor, four in all at most.
std::size_t helperThreads() {
    cpu_set_t processors;
    if (::sched_getaffinity(0, sizeof(processors), &processors) != 0)
        return 0;
    return std::size_t(std::clamp(CPU_COUNT(&processors), 1, 4) - 1);
}

} // namespace

void findOwners(std::vector<ListedConnection>& connections, const std::string& procRoot,
                std::chrono::milliseconds budget) {
    std::vector<std::uint32_t> inodes;
    inodes.reserve(connections.size());
    for (const ListedConnection& connection : connections)
        if (connection.socket.inode)
            inodes.push_back(connection.socket.inode);
    os::sockets::SocketOwnerScan scan(inodes, procRoot, std::chrono::steady_clock::now() + budget);
    // Started now, they hold this thread's capabilities, and end before it gives them up.
    std::vector<std::thread> helpers;
    for (std::size_t i = inodes.empty() ? 0 : helperThreads(); i > 0; --i) {
        try {
            helpers.emplace_back([&scan] { scan.work(); });
        } catch (const std::system_error&) {
            break; // this thread reads the rest
        }
    }
    scan.work();
    for (std::thread& helper : helpers)
        helper.join();
    // A socket without an inode is one no file refers to any more. One that has an inode
    // yet was found in no process is held where no descriptor table shows it (io_uring's
    // fixed files), unless a process the scan could not read, or did not reach, holds it.
    const OwnerKind unfound = scan.ranOutOfTime()      ? OwnerKind::NotFoundInTime
                              : scan.foundUnreadable() ? OwnerKind::Hidden
                                                       : OwnerKind::None;
    for (ListedConnection& connection : connections) {
        connection.processId = connection.socket.inode ? scan.ownerOf(connection.socket.inode) : 0;
        connection.owner = connection.processId ? OwnerKind::Found
                           : connection.socket.inode ? unfound
                                                     : OwnerKind::None;
    }
}

std::string ownerField(const ListedConnection& connection) {
    if (connection.processId > 0)
        return std::to_string(connection.processId);
    switch (connection.owner) {
    case OwnerKind::Found:
    case OwnerKind::None:
        break;
    case OwnerKind::Hidden:
        return "-";
    case OwnerKind::NotFoundInTime:
        return "?";
    }
    return "0";
}

void hideOwnersUnseenByTheUser(std::vector<ListedConnection>& connections, const std::string& procRoot) {
    const int proc = ::open(procRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::unordered_map<std::int32_t, bool> seen;
    for (ListedConnection& connection : connections) {
        if (connection.processId == 0)
            continue;
        auto [known, added] = seen.emplace(connection.processId, false);
        // With flags 0 the kernel checks as the real user, and, unless that is root, without
        // any capability.
        if (added)
            known->second =
                proc >= 0 && ::faccessat(proc, std::to_string(connection.processId).c_str(), X_OK, 0) == 0;
        if (!known->second) {
            connection.processId = 0;
            connection.owner = OwnerKind::Hidden;
        }
    }
    if (proc >= 0)
        ::close(proc);
}

std::string numericHost(int family, const std::array<std::uint8_t, 16>& address, std::uint32_t interfaceIndex) {
    const std::string text = os::sockets::addressText(family, address, interfaceIndex);
    return family == AF_INET ? text : "[" + text + "]";
}

namespace {

struct AddressHash {
    std::size_t operator()(const HostAddress& address) const {
        std::size_t hash = std::size_t(address.family);
        for (std::uint8_t byte : address.bytes)
            hash = hash * 131 + byte;
        return hash;
    }
};

HostAddress foreignAddress(const TcpSocket& socket) {
    HostAddress address;
    address.family = socket.family;
    address.bytes = socket.remoteAddress;
    if (socket.family == AF_INET)
        std::fill(address.bytes.begin() + 4, address.bytes.end(), std::uint8_t(0));
    return address;
}

bool isConnection(const TcpSocket& socket) {
    return socket.protocol != IPPROTO_UDP && socket.state != os::sockets::KernelListen;
}

void appendPort(std::string& out, std::uint16_t port, bool numeric, ServiceNames* services) {
    if (!numeric && services) {
        const std::string& name = services->nameOf(port);
        if (!name.empty()) {
            out += name;
            return;
        }
    }
    listing::appendNumber(out, port);
}

// The numeric text of the address last asked for, kept while the next rows repeat it.
class NumericHostText {
public:
    const std::string& of(int family, const std::array<std::uint8_t, 16>& address, std::uint32_t interfaceIndex) {
        if (family != m_family || address != m_address || interfaceIndex != m_interface) {
            m_family = family;
            m_address = address;
            m_interface = interfaceIndex;
            m_text = numericHost(family, address, interfaceIndex);
        }
        return m_text;
    }

private:
    int m_family = -1;
    std::uint32_t m_interface = 0;
    std::array<std::uint8_t, 16> m_address{};
    std::string m_text;
};

} // namespace

std::vector<std::string> foreignHostNames(const std::vector<ListedConnection>& connections,
                                          std::chrono::milliseconds deadline, bool* allAnswered) {
    std::unordered_map<HostAddress, std::size_t, AddressHash> indexOf;
    std::vector<HostAddress> distinct;
    std::vector<std::size_t> slot(connections.size());
    constexpr std::size_t NoName = std::size_t(-1);
    HostAddress previous;
    std::size_t previousSlot = 0;
    for (std::size_t i = 0; i < connections.size(); ++i) {
        // A listening socket or a UDP endpoint has no peer to name.
        if (!isConnection(connections[i].socket) || connections[i].space != 0) {
            slot[i] = NoName;
            continue;
        }
        const HostAddress address = foreignAddress(connections[i].socket);
        if (!distinct.empty() && address == previous) { // rows of one peer often follow each other
            slot[i] = previousSlot;
            continue;
        }
        auto [it, added] = indexOf.emplace(address, distinct.size());
        if (added)
            distinct.push_back(address);
        slot[i] = it->second;
        previous = address;
        previousSlot = it->second;
    }
    const std::vector<std::string> names = lookUpHostNames(distinct, deadline, allAnswered);
    std::vector<std::string> perConnection(connections.size());
    for (std::size_t i = 0; i < connections.size(); ++i)
        if (slot[i] != NoName)
            perConnection[i] = names[slot[i]];
    return perConnection;
}

std::string formatListing(const std::vector<ListedConnection>& connections, bool numeric,
                          ServiceNames* services, const std::vector<std::string>& hostNames,
                          const std::vector<ListedNamespace>& namespaces) {
    std::string out;
    out.reserve(128 + connections.size() * 96);
    out += listing::Heading;
    std::string local, foreign;
    NumericHostText localHosts, foreignHosts;
    std::uint32_t space = 0;
    for (std::size_t i = 0; i < connections.size(); ++i) {
        if (connections[i].space != space && connections[i].space <= namespaces.size()) {
            space = connections[i].space;
            const ListedNamespace& shown = namespaces[space - 1];
            listing::appendNamespaceHeading(out, shown.inode, std::uint32_t(shown.processId));
        }
        const TcpSocket& socket = connections[i].socket;
        const bool udp = socket.protocol == IPPROTO_UDP;
        local = localHosts.of(socket.family, socket.localAddress, socket.interfaceIndex);
        local += ':';
        appendPort(local, socket.localPort, numeric, services);
        foreign.clear();
        if (!udp) {
            foreign = i < hostNames.size() && !hostNames[i].empty()
                          ? hostNames[i]
                          : foreignHosts.of(socket.family, socket.remoteAddress, socket.interfaceIndex);
            foreign += ':';
            appendPort(foreign, socket.remotePort, numeric, services);
        }
        listing::appendLine(out, udp, local, foreign, os::sockets::systemTcpState(socket.state),
                            std::string_view(ownerField(connections[i])));
    }
    return out;
}
