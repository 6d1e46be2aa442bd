#include "TcpConnectionCounters.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace os::sockets {

namespace {

constexpr std::array<std::string_view, 7> FieldNames = {
    "ActiveOpens", "PassiveOpens", "AttemptFails", "EstabResets", "CurrEstab", "InSegs", "OutSegs"};

// The words of one line after its "Tcp:" prefix.
std::vector<std::string_view> wordsAfterPrefix(std::string_view line) {
    std::vector<std::string_view> words;
    line.remove_prefix(4);
    while (!line.empty()) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        line.remove_prefix(start);
        const std::size_t end = std::min(line.find(' '), line.size());
        words.push_back(line.substr(0, end));
        line.remove_prefix(end);
    }
    return words;
}

} // namespace

bool parseTcpConnectionCounters(const char* text, TcpConnectionCounters& counters) {
    std::string_view rest(text);
    std::string_view names, values;
    while (!rest.empty() && values.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (line.substr(0, 4) != "Tcp:")
            continue;
        (names.empty() ? names : values) = line;
    }
    if (values.empty())
        return false;
    const std::vector<std::string_view> nameWords = wordsAfterPrefix(names);
    const std::vector<std::string_view> valueWords = wordsAfterPrefix(values);
    for (std::size_t field = 0; field < FieldNames.size(); ++field) {
        std::size_t at = 0;
        while (at < nameWords.size() && nameWords[at] != FieldNames[field])
            ++at;
        if (at >= nameWords.size() || at >= valueWords.size()) {
            if (field < counters.counters.size())
                return false;
            counters.segments[field - counters.counters.size()] = -1; // unknown; only traffic needs them
            continue;
        }
        const std::string word(valueWords[at]);
        char* end = nullptr;
        errno = 0;
        const long long value = std::strtoll(word.c_str(), &end, 10);
        if (word.empty() || *end != '\0' || errno != 0)
            return false;
        (field < counters.counters.size() ? counters.counters[field]
                                          : counters.segments[field - counters.counters.size()]) = value;
    }
    return true;
}

TcpConnectionCounterReader::TcpConnectionCounterReader(std::string procRoot) {
    // Kept open and read again from offset 0: the kernel writes the text anew on each read.
    m_file = ::open((procRoot + "/net/snmp").c_str(), O_RDONLY | O_CLOEXEC);
}

TcpConnectionCounterReader::~TcpConnectionCounterReader() {
    if (m_file >= 0)
        ::close(m_file);
}

bool TcpConnectionCounterReader::read(TcpConnectionCounters& counters) {
    if (m_file < 0)
        return false;
    char buffer[8192];
    ssize_t length;
    do {
        length = ::pread(m_file, buffer, sizeof(buffer) - 1, 0);
    } while (length < 0 && errno == EINTR);
    if (length <= 0)
        return false;
    buffer[length] = '\0';
    return parseTcpConnectionCounters(buffer, counters);
}

} // namespace os::sockets
