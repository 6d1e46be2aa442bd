#pragma once

// The kernel's TCP connection counters (the "Tcp:" lines of /proc/net/snmp, IPv4 and IPv6
// together): connections opened actively and passively, failed attempts, resets, and those
// established now. Every new connection moves one of them, also when another socket closed
// at the same moment and the socket summary counters stand still.

#include <array>
#include <cstdint>
#include <string>

namespace os::sockets {

struct TcpConnectionCounters {
    // ActiveOpens, PassiveOpens, AttemptFails, EstabResets, CurrEstab.
    std::array<std::int64_t, 5> counters{};
    // InSegs, OutSegs: every segment received or sent moves them; -1 where the text lacks
    // them. Left out of the comparison, which asks only whether connections came or went.
    std::array<std::int64_t, 2> segments{};
    bool operator==(const TcpConnectionCounters& other) const { return counters == other.counters; }
};

class TcpConnectionCounterReader {
public:
    explicit TcpConnectionCounterReader(std::string procRoot = "/proc");
    ~TcpConnectionCounterReader();
    TcpConnectionCounterReader(const TcpConnectionCounterReader&) = delete;
    TcpConnectionCounterReader& operator=(const TcpConnectionCounterReader&) = delete;

    // False when the counters cannot be read.
    bool read(TcpConnectionCounters& counters);

private:
    int m_file = -1;
};

// Reads the counters from an snmp text: the first "Tcp:" line names the fields, the second
// holds their values. False when a field is missing or a value is not a number.
bool parseTcpConnectionCounters(const char* text, TcpConnectionCounters& counters);

} // namespace os::sockets
