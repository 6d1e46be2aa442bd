#pragma once

// Finds the processes that hold sockets open, the way ss -p does: one pass over
// /proc/*/fd, reading each descriptor's link and keeping those that name a wanted inode.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace os::sockets {

// inode -> owning process id. Fill the keys (value 0) with the wanted inodes first;
// findSocketOwners sets the owner of each it finds. A socket shared by several processes
// keeps the lowest process id, so the answer does not depend on the directory order.
using SocketOwnerMap = std::unordered_map<std::uint32_t, std::int32_t>;

void findSocketOwners(SocketOwnerMap& owners, const std::string& procRoot = "/proc");

// Parses "socket:[12345]"; 0 when the link names anything else.
std::uint32_t socketInodeFromLink(const char* link, std::size_t length);

// The same pass, shared by any number of threads: each one that calls work() reads
// descriptors, a few hundred at a time, until no process is left or each wanted socket has
// its owner. The processes are taken in ascending order and each one begun is read to its
// end, so the lowest owner is found all the same. /proc is listed with the rights of the
// constructing thread, each descriptor read with those of the thread reading it.
class SocketOwnerScan {
public:
    // `inodes`: the sockets whose owners are sought (0 is none). No batch is begun after the
    // deadline: one socket that no process holds makes the scan read every descriptor of the
    // machine, and another user can open millions of them.
    explicit SocketOwnerScan(const std::vector<std::uint32_t>& inodes, std::string procRoot = "/proc",
                             std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());
    ~SocketOwnerScan();
    SocketOwnerScan(const SocketOwnerScan&) = delete;
    SocketOwnerScan& operator=(const SocketOwnerScan&) = delete;

    void work();
    // Once every work() has returned: the lowest id of a process holding the socket, 0 when
    // none was found or the socket was not sought.
    std::int32_t ownerOf(std::uint32_t inode) const;
    // Once every work() has returned: the deadline ended the scan with processes left unread.
    bool ranOutOfTime() const { return m_ranOutOfTime; }
    // Some process's descriptors were closed to the reader: a socket not found may be its.
    bool foundUnreadable() const { return m_foundUnreadable; }

private:
    struct Directory;
    struct Slot {
        std::uint32_t inode = 0; // 0: a free slot
        std::atomic<std::int32_t> owner{0};
    };

    Directory* openDirectory(std::int32_t processId);
    void record(std::uint32_t inode, std::int32_t processId);
    Slot* slotOf(std::uint32_t inode) const;

    // Open addressing, inode and owner side by side; read-only but for the owners.
    std::unique_ptr<Slot[]> m_slots;
    std::uint32_t m_mask = 0;
    std::atomic<std::size_t> m_unresolved{0};

    std::mutex m_mutex; // guards what follows
    std::chrono::steady_clock::time_point m_deadline;
    bool m_ranOutOfTime = false;
    bool m_foundUnreadable = false;
    int m_proc = -1;
    bool m_procFileSystem = false;         // not a recorded folder
    std::vector<std::int32_t> m_processes; // ascending
    std::size_t m_next = 0;
    Directory* m_current = nullptr; // the folder whose next entries are read next
};

} // namespace os::sockets
