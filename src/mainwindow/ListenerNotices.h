#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

// A program that began to listen on a port, as its notice names it.
struct NewListener {
    QString fileName;
    std::int32_t processId = 0;
    QString user;
    bool udp = false;
    QString address; // in numbers, IPv6 without brackets
    std::uint16_t port = 0;
};

// "python3.11 (process 4242, user alice) now listens on TCP 0.0.0.0:8000", cleaned like every
// text a process chooses.
QString listenerNoticeText(const NewListener& listener);

// Spaces the notices out: at most one a second. A notice that comes sooner waits; those that
// wait together go out as one, the first named and the others counted.
class NoticePacer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds Spacing{1000};

    // The text to show now, or nothing when it must wait.
    std::optional<QString> add(const QString& text, Clock::time_point now);
    // The waiting notices as one text, once their time has come.
    std::optional<QString> due(Clock::time_point now);
    // When the waiting notices may go; nothing when none waits.
    std::optional<Clock::time_point> nextDue() const;

private:
    std::optional<Clock::time_point> m_lastShown;
    std::vector<QString> m_waiting;
};
