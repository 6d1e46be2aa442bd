#include "SocketOwners.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace os::sockets {

std::uint32_t socketInodeFromLink(const char* link, std::size_t length) {
    static constexpr char prefix[] = "socket:[";
    constexpr std::size_t prefixLength = sizeof(prefix) - 1;
    if (length < prefixLength + 2 || std::memcmp(link, prefix, prefixLength) != 0 || link[length - 1] != ']')
        return 0;
    std::uint64_t inode = 0;
    for (std::size_t i = prefixLength; i < length - 1; ++i) {
        if (link[i] < '0' || link[i] > '9')
            return 0;
        inode = inode * 10 + std::uint64_t(link[i] - '0');
        if (inode > 0xffffffffu)
            return 0;
    }
    return static_cast<std::uint32_t>(inode);
}

namespace {

bool isNumber(const char* name) {
    if (!*name)
        return false;
    for (; *name; ++name)
        if (*name < '0' || *name > '9')
            return false;
    return true;
}

// Each process's descriptors, read relative to its own fd folder; a process or
// descriptor that vanishes meanwhile is simply skipped.
void scanProcess(int procFd, const char* pidName, SocketOwnerMap& owners, std::size_t& unresolved) {
    char path[sizeof(dirent::d_name) + 4];
    std::snprintf(path, sizeof(path), "%s/fd", pidName);
    int fdDir = ::openat(procFd, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdDir < 0)
        return;
    DIR* dir = ::fdopendir(fdDir);
    if (!dir) {
        ::close(fdDir);
        return;
    }
    const std::int32_t processId = static_cast<std::int32_t>(std::strtol(pidName, nullptr, 10));
    char link[64];
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        ssize_t length = ::readlinkat(fdDir, entry->d_name, link, sizeof(link));
        if (length <= 0 || length >= static_cast<ssize_t>(sizeof(link)) || link[0] != 's')
            continue;
        std::uint32_t inode = socketInodeFromLink(link, static_cast<std::size_t>(length));
        if (!inode)
            continue;
        auto it = owners.find(inode);
        if (it == owners.end())
            continue;
        if (it->second == 0) {
            it->second = processId;
            --unresolved;
        } else if (processId < it->second) {
            it->second = processId;
        }
    }
    ::closedir(dir);
}

} // namespace

void findSocketOwners(SocketOwnerMap& owners, const std::string& procRoot) {
    std::size_t unresolved = 0;
    for (auto& [inode, owner] : owners)
        unresolved += owner == 0;
    if (!unresolved)
        return;
    int procFd = ::open(procRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (procFd < 0)
        return;
    DIR* proc = ::fdopendir(procFd);
    if (!proc) {
        ::close(procFd);
        return;
    }
    while (dirent* entry = ::readdir(proc)) {
        if (!isNumber(entry->d_name))
            continue;
        scanProcess(procFd, entry->d_name, owners, unresolved);
        // /proc lists processes by ascending id, so the first owner found is the lowest.
        if (!unresolved)
            break;
    }
    ::closedir(proc);
}

} // namespace os::sockets
