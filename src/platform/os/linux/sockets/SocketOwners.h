#pragma once

// Finds the processes that hold sockets open, the way ss -p does: one pass over
// /proc/*/fd, reading each descriptor's link and keeping those that name a wanted inode.

#include <cstdint>
#include <string>
#include <unordered_map>

namespace os::sockets {

// inode -> owning process id. Fill the keys (value 0) with the wanted inodes first;
// findSocketOwners sets the owner of each it finds. A socket shared by several processes
// keeps the lowest process id, so the answer does not depend on the directory order.
using SocketOwnerMap = std::unordered_map<std::uint32_t, std::int32_t>;

void findSocketOwners(SocketOwnerMap& owners, const std::string& procRoot = "/proc");

// Parses "socket:[12345]"; 0 when the link names anything else.
std::uint32_t socketInodeFromLink(const char* link, std::size_t length);

} // namespace os::sockets
