#include "NetworkNamespaces.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <unistd.h>

namespace {

// The inode of a "net:[4026531992]" link; 0 when it cannot be read.
std::uint64_t namespaceOf(int directory, const char* link) {
    char target[64];
    const ssize_t length = ::readlinkat(directory, link, target, sizeof(target) - 1);
    if (length <= 0)
        return 0;
    target[length] = '\0';
    if (std::strncmp(target, "net:[", 5) != 0)
        return 0;
    char* end = nullptr;
    const unsigned long long inode = std::strtoull(target + 5, &end, 10);
    return end && *end == ']' ? inode : 0;
}

// Ascending, as the owner scan takes them: the first process found in a namespace is its
// lowest, whatever order the folder lists.
std::vector<std::int32_t> processIds(int proc) {
    std::vector<std::int32_t> ids;
    const int listing = ::openat(proc, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* folder = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!folder) {
        if (listing >= 0)
            ::close(listing);
        return ids;
    }
    while (const dirent* entry = ::readdir(folder)) {
        char* end = nullptr;
        const long id = std::strtol(entry->d_name, &end, 10);
        if (id > 0 && id <= INT32_MAX && end && *end == '\0')
            ids.push_back(std::int32_t(id));
    }
    ::closedir(folder);
    std::sort(ids.begin(), ids.end());
    return ids;
}

// One namespace's tables through its process's folder. The process must still be there, in
// that namespace, once they are read: else its id may have gone to another process meanwhile.
bool readNamespace(const ListingOptions& options, int directory, const std::string& folder,
                   std::uint64_t inode, std::vector<os::sockets::TcpSocket>& sockets) {
    std::uint32_t states = os::sockets::ConnectionStates;
    if (options.all)
        states |= os::sockets::stateBit(os::sockets::KernelListen);
    const auto keepAs = [&sockets](int protocol) {
        return [&sockets, protocol](const os::sockets::TcpSocket& socket) {
            sockets.push_back(socket);
            sockets.back().protocol = protocol;
        };
    };
    bool read = os::sockets::readProcTcpTable(folder + "/net/tcp", AF_INET, states, keepAs(IPPROTO_TCP));
    read = os::sockets::readProcTcpTable(folder + "/net/tcp6", AF_INET6, states, keepAs(IPPROTO_TCP)) || read;
    if (options.all) {
        read = os::sockets::readProcTcpTable(folder + "/net/udp", AF_INET, os::sockets::AllStates,
                                             keepAs(IPPROTO_UDP)) ||
               read;
        read = os::sockets::readProcTcpTable(folder + "/net/udp6", AF_INET6, os::sockets::AllStates,
                                             keepAs(IPPROTO_UDP)) ||
               read;
    }
    return read && namespaceOf(directory, "ns/net") == inode;
}

} // namespace

std::vector<ListedNamespace> collectNamespaceConnections(const ListingOptions& options,
                                                         std::vector<ListedConnection>& connections) {
    std::vector<ListedNamespace> namespaces;
    const int proc = ::open(options.procRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0)
        return namespaces;
    std::unordered_set<std::uint64_t> seen{namespaceOf(proc, "self/ns/net")};
    for (const std::int32_t processId : processIds(proc)) {
        const std::string name = std::to_string(processId);
        // As for the owners: a process that /proc hides from the user (hidepid) shows nothing.
        if (::faccessat(proc, name.c_str(), X_OK, 0) != 0)
            continue;
        const int directory = ::openat(proc, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (directory < 0)
            continue;
        const std::uint64_t inode = namespaceOf(directory, "ns/net");
        std::vector<os::sockets::TcpSocket> sockets;
        // A namespace whose first process went while it was read is read through the next one.
        if (inode != 0 && !seen.count(inode) &&
            readNamespace(options, directory, options.procRoot + '/' + name, inode, sockets)) {
            seen.insert(inode);
            namespaces.push_back({inode, processId});
            for (const os::sockets::TcpSocket& socket : sockets)
                connections.push_back({socket, 0, OwnerKind::None, std::uint32_t(namespaces.size())});
        }
        ::close(directory);
    }
    ::close(proc);
    return namespaces;
}
