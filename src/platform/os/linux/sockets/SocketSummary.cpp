#include "SocketSummary.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace os::sockets {

namespace {

// The files are kept open and read again from offset 0: the kernel regenerates the text
// on every read, which saves an open and a close on each check.
bool readWhole(int fd, char* buffer, std::size_t size) {
    ssize_t length;
    do {
        length = ::pread(fd, buffer, size - 1, 0);
    } while (length < 0 && errno == EINTR);
    if (length <= 0)
        return false;
    buffer[length] = '\0';
    return true;
}

} // namespace

SocketSummaryReader::SocketSummaryReader(std::string procRoot) : m_procRoot(std::move(procRoot)) {
    m_ipv4 = ::open((m_procRoot + "/net/sockstat").c_str(), O_RDONLY | O_CLOEXEC);
    m_ipv6 = ::open((m_procRoot + "/net/sockstat6").c_str(), O_RDONLY | O_CLOEXEC);
}

SocketSummaryReader::~SocketSummaryReader() {
    if (m_ipv4 >= 0)
        ::close(m_ipv4);
    if (m_ipv6 >= 0)
        ::close(m_ipv6);
}

bool parseSocketSummaryLine(const char* text, const char* prefix, std::int64_t* counters, int count) {
    const std::size_t prefixLength = std::strlen(prefix);
    for (const char* line = text; line && *line;) {
        if (std::strncmp(line, prefix, prefixLength) == 0 && line[prefixLength] == ':') {
            // "TCP: inuse 5 orphan 0 tw 2 alloc 9 mem 1": every second word is a number.
            const char* cursor = line + prefixLength + 1;
            int found = 0;
            while (found < count) {
                while (*cursor == ' ')
                    ++cursor;
                while (*cursor && *cursor != ' ' && *cursor != '\n') // the counter's name
                    ++cursor;
                if (*cursor != ' ')
                    break;
                char* end = nullptr;
                long long value = std::strtoll(cursor, &end, 10);
                if (end == cursor)
                    break;
                counters[found++] = value;
                cursor = end;
            }
            return found == count;
        }
        line = std::strchr(line, '\n');
        if (line)
            ++line;
    }
    return false;
}

bool SocketSummaryReader::read(SocketSummary& summary) {
    if (m_ipv4 < 0)
        return false;
    char buffer[1024];
    std::int64_t ipv4[5];
    if (!readWhole(m_ipv4, buffer, sizeof(buffer)) || !parseSocketSummaryLine(buffer, "TCP", ipv4, 5))
        return false;
    std::copy(ipv4, ipv4 + 4, summary.counters.begin());
    summary.counters[4] = 0;
    std::int64_t udp[2] = {0, 0};
    parseSocketSummaryLine(buffer, "UDP", udp, 1);
    // Without IPv6 support the file is missing and its counter stays 0.
    if (m_ipv6 >= 0 && (!readWhole(m_ipv6, buffer, sizeof(buffer)) ||
                        !parseSocketSummaryLine(buffer, "TCP6", summary.counters.data() + 4, 1)))
        return false;
    if (m_ipv6 >= 0)
        parseSocketSummaryLine(buffer, "UDP6", udp + 1, 1);
    summary.udpInUse = udp[0] + udp[1];
    return true;
}

} // namespace os::sockets
