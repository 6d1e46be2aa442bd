#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace history {

// One closed connection as the history keeps it. Times are milliseconds since the epoch.
struct HistoryEntry {
    // Listening sockets and connections that moved nothing either way are only counted per
    // program; the rest become rows.
    enum class Kind { Connection, Listening, Idle };
    Kind kind = Kind::Connection;
    QString program; // the executable's path, or what stands in for it
    QString user;
    std::int32_t processId = 0;
    QString protocol = QStringLiteral("TCP");
    QString localAddress; // in numbers
    int localPort = 0;
    QString remoteAddress;
    int remotePort = 0;
    std::int64_t opened = 0; // 0 when it was never seen open
    std::int64_t closed = 0;
    std::optional<std::int64_t> sent; // none where the platform counts no bytes
    std::optional<std::int64_t> received;
    std::int64_t roundTripMicroseconds = 0;
    std::int64_t retransmits = 0;
};

// Closed-connection totals of one program (its path and user).
struct ProgramTotals {
    QString program;
    QString user;
    std::int64_t connections = 0;
    std::int64_t sent = 0;
    std::int64_t received = 0;
};

} // namespace history
