#include "SocketOwners.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cerrno>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
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

// One entry of a getdents64 reply.
struct DirectoryEntry {
    std::uint64_t inode;
    std::int64_t offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};

template <typename Visit> void forEachEntry(const char* entries, long length, Visit visit) {
    for (long at = 0; at < length;) {
        const auto* entry = reinterpret_cast<const DirectoryEntry*>(entries + at);
        at += entry->length;
        if (entry->name[0] != '.')
            visit(entry->name);
    }
}

long readEntries(int directory, char* buffer, std::size_t size) {
    return ::syscall(SYS_getdents64, directory, buffer, size);
}

// The socket a descriptor link names; 0 for anything else or a descriptor closed meanwhile.
std::uint32_t socketInodeAt(int directory, const char* name) {
    char link[64];
    const ssize_t length = ::readlinkat(directory, name, link, sizeof(link));
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof(link)) || link[0] != 's')
        return 0;
    return socketInodeFromLink(link, static_cast<std::size_t>(length));
}

} // namespace

void findSocketOwners(SocketOwnerMap& owners, const std::string& procRoot) {
    std::vector<std::uint32_t> wanted;
    for (const auto& [inode, owner] : owners)
        if (owner == 0)
            wanted.push_back(inode);
    if (wanted.empty())
        return;
    SocketOwnerScan scan(wanted, procRoot);
    scan.work();
    for (auto& [inode, owner] : owners)
        if (owner == 0)
            owner = scan.ownerOf(inode);
}

// A process's fd folder; it stays open until its last batch has been read. In /proc the
// folder's size is its count of open descriptors (Linux 6.2 on), and the numbers below that
// count are read directly, without listing them: descriptors are mostly numbered from 0
// without a gap. The folder is listed from the count on only, where the descriptors lie that
// gaps below it pushed up.
struct SocketOwnerScan::Directory {
    Directory(int folder, std::int32_t process) : fd(folder), processId(process) {}
    ~Directory() { ::close(fd); }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    const int fd;
    const std::int32_t processId;
    unsigned counted = 0; // descriptor numbers to read directly: 0 up to the count
    unsigned next = 0;    // the next of them to read
    int readers = 0;      // threads reading a batch of its links
    bool ended = false;   // no entry left to list
};

namespace {

// A batch: up to 680 listed descriptors or 512 numbers, so threads take turns within a
// large process, yet rarely lock.
constexpr std::size_t BatchBytes = 16384;
constexpr unsigned BatchNumbers = 512;

// Eight neighbouring inodes share a run of slots, one cache line: a process's sockets often
// have neighbouring numbers, and are read one after another.
std::uint32_t hashOf(std::uint32_t inode) {
    return ((inode >> 3) * 0x9e3779b1u >> 7 << 3) | (inode & 7);
}

} // namespace

SocketOwnerScan::SocketOwnerScan(const std::vector<std::uint32_t>& inodes, std::string procRoot,
                                 std::chrono::steady_clock::time_point deadline)
    : m_deadline(deadline) {
    std::size_t capacity = 16;
    while (capacity < 2 * inodes.size())
        capacity *= 2;
    m_slots = std::make_unique<Slot[]>(capacity);
    m_mask = std::uint32_t(capacity - 1);
    std::size_t distinct = 0;
    for (std::uint32_t inode : inodes) {
        if (!inode)
            continue;
        std::uint32_t at = hashOf(inode) & m_mask;
        while (m_slots[at].inode && m_slots[at].inode != inode)
            at = (at + 1) & m_mask;
        if (!m_slots[at].inode) {
            m_slots[at].inode = inode;
            ++distinct;
        }
    }
    m_unresolved.store(distinct, std::memory_order_relaxed);
    if (!distinct)
        return;

    m_proc = ::open(procRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_proc < 0)
        return;
    struct statfs fileSystem {};
    m_procFileSystem = ::fstatfs(m_proc, &fileSystem) == 0 && fileSystem.f_type == PROC_SUPER_MAGIC;
    std::vector<char> buffer(BatchBytes);
    long length;
    while ((length = readEntries(m_proc, buffer.data(), buffer.size())) > 0)
        forEachEntry(buffer.data(), length, [this](const char* name) {
            if (isNumber(name))
                m_processes.push_back(static_cast<std::int32_t>(std::strtol(name, nullptr, 10)));
        });
    // /proc lists processes by ascending id already; a recorded folder need not.
    std::sort(m_processes.begin(), m_processes.end());
}

SocketOwnerScan::~SocketOwnerScan() {
    delete m_current; // none once the work is done
    if (m_proc >= 0)
        ::close(m_proc);
}

SocketOwnerScan::Directory* SocketOwnerScan::openDirectory(std::int32_t processId) {
    char path[32];
    std::snprintf(path, sizeof(path), "%d/fd", int(processId));
    // A process that ended meanwhile, or one not ours to read, is simply skipped.
    const int fd = ::openat(m_proc, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM)
            m_foundUnreadable = true;
        return nullptr;
    }
    auto* directory = new Directory(fd, processId);
    struct stat status {};
    if (m_procFileSystem && ::fstat(fd, &status) == 0 && status.st_size > 0 &&
        ::lseek(fd, off_t(status.st_size) + 2, SEEK_SET) == off_t(status.st_size) + 2) // "." and ".." first
        directory->counted = unsigned(std::min<off_t>(status.st_size, 1 << 30));
    return directory;
}

void SocketOwnerScan::work() {
    alignas(8) char entries[BatchBytes];
    std::unique_lock lock(m_mutex);
    for (;;) {
        const bool workLeft = m_current || m_next < m_processes.size();
        if (m_ranOutOfTime || (workLeft && m_unresolved.load(std::memory_order_acquire) != 0 &&
                               std::chrono::steady_clock::now() >= m_deadline)) {
            m_ranOutOfTime = true;
            break;
        }
        Directory* directory = m_current;
        if (!directory) {
            if (m_next >= m_processes.size() || m_unresolved.load(std::memory_order_acquire) == 0)
                break;
            directory = m_current = openDirectory(m_processes[m_next++]);
            if (!directory)
                continue;
        }
        unsigned first = 0, end = 0;
        long length = 0;
        if (directory->next < directory->counted) {
            first = directory->next;
            end = directory->next = std::min(directory->counted, first + BatchNumbers);
        } else {
            length = readEntries(directory->fd, entries, sizeof(entries));
            if (length <= 0) {
                m_current = nullptr;
                directory->ended = true;
                if (directory->readers == 0)
                    delete directory;
                continue;
            }
        }
        ++directory->readers;
        lock.unlock();
        const auto readLink = [this, directory](const char* name) {
            if (const std::uint32_t inode = socketInodeAt(directory->fd, name))
                record(inode, directory->processId);
        };
        if (length > 0) {
            forEachEntry(entries, length, readLink);
        } else {
            for (unsigned number = first; number < end; ++number) {
                char name[12];
                *std::to_chars(name, name + sizeof(name) - 1, number).ptr = '\0';
                readLink(name);
            }
        }
        lock.lock();
        if (--directory->readers == 0 && directory->ended)
            delete directory;
    }
}

SocketOwnerScan::Slot* SocketOwnerScan::slotOf(std::uint32_t inode) const {
    if (!inode)
        return nullptr;
    for (std::uint32_t at = hashOf(inode) & m_mask;; at = (at + 1) & m_mask) {
        if (m_slots[at].inode == inode)
            return &m_slots[at];
        if (!m_slots[at].inode)
            return nullptr;
    }
}

void SocketOwnerScan::record(std::uint32_t inode, std::int32_t processId) {
    Slot* slot = slotOf(inode);
    if (!slot)
        return;
    std::int32_t seen = slot->owner.load(std::memory_order_relaxed);
    while (seen == 0 || processId < seen) {
        if (slot->owner.compare_exchange_weak(seen, processId, std::memory_order_relaxed)) {
            if (seen == 0)
                m_unresolved.fetch_sub(1, std::memory_order_release);
            return;
        }
    }
}

std::int32_t SocketOwnerScan::ownerOf(std::uint32_t inode) const {
    const Slot* slot = slotOf(inode);
    return slot ? slot->owner.load(std::memory_order_relaxed) : 0;
}

} // namespace os::sockets
