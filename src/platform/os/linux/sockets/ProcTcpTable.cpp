// The kernel's TCP and UDP tables as /proc/net prints them: the fallback where the socket
// diagnostics cannot be asked.
#include "TcpSocketTable.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/socket.h>

namespace os::sockets {

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

bool parseProcTcpLine(const char* line, int family, TcpSocket& socket) {
    const int words = family == AF_INET6 ? 4 : 1;
    socket.family = family;
    const char* cursor = line;
    // sl, local_address, rem_address, st, tx:rx queue, tr:when, retrnsmt, uid, timeout, inode
    if (!skipField(cursor) || !readProcAddress(cursor, words, socket.localAddress, socket.localPort) ||
        !readProcAddress(cursor, words, socket.remoteAddress, socket.remotePort))
        return false;
    while (*cursor == ' ')
        ++cursor;
    int high = hexDigit(cursor[0]);
    int low = high < 0 ? -1 : hexDigit(cursor[1]);
    if (high < 0 || low < 0)
        return false;
    socket.state = static_cast<std::uint8_t>(high * 16 + low);
    cursor += 2;
    if (socket.state >= 32)
        return false;
    for (int i = 0; i < 3; ++i)
        if (!skipField(cursor))
            return false;
    socket.userId = static_cast<std::uint32_t>(std::strtoul(cursor, nullptr, 10));
    for (int i = 0; i < 2; ++i)
        if (!skipField(cursor))
            return false;
    while (*cursor == ' ')
        ++cursor;
    if (*cursor < '0' || *cursor > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long inode = std::strtoull(cursor, &end, 10);
    if (errno != 0 || inode > 0xffffffffull)
        return false;
    socket.inode = static_cast<std::uint32_t>(inode);
    return true;
}

bool readProcTcpTable(const std::string& path, int family, std::uint32_t stateMask,
                      const TcpSocketVisitor& visit) {
    FILE* file = std::fopen(path.c_str(), "re");
    if (!file)
        return false;
    std::vector<TcpSocket> sockets;
    char line[512];
    bool header = true;
    bool lineStart = true;
    TcpSocket socket;
    while (std::fgets(line, sizeof(line), file)) {
        // A line longer than the buffer comes in pieces: only its first piece is a line.
        const bool wasLineStart = lineStart;
        lineStart = std::strchr(line, '\n') != nullptr;
        if (!wasLineStart)
            continue;
        if (header) { // column titles
            header = false;
            continue;
        }
        if (parseProcTcpLine(line, family, socket) && (stateMask & stateBit(socket.state)))
            sockets.push_back(socket);
    }
    const bool readWhole = !std::ferror(file);
    std::fclose(file);
    if (!readWhole)
        return false;
    for (const TcpSocket& each : sockets)
        visit(each);
    return true;
}

} // namespace os::sockets
