#pragma once

#include <algorithm>
#include <chrono>
#include <functional>

namespace os {

// A child command's clock: its deadline, and when the caller's yield is next due. Time spent in
// the yield (a dialog the user opened meanwhile) moves the deadline on: the limit is for the
// command, not for the window. Plain C++, shared by every backend's runner.
class CommandClock {
public:
    using Clock = std::chrono::steady_clock;

    CommandClock(std::chrono::milliseconds timeout, std::function<void()> yield,
                 std::chrono::milliseconds yieldInterval)
        : m_deadline(Clock::now() + timeout), m_yield(std::move(yield)),
          m_interval(std::max(yieldInterval, std::chrono::milliseconds(1))),
          m_yieldDue(Clock::now() + m_interval) {}

    bool expired() const { return Clock::now() >= m_deadline; }

    // How long one wait may block: until the deadline, or until the next yield is due.
    int sliceMilliseconds() const {
        const auto until = m_yield ? std::min(m_deadline, m_yieldDue) : m_deadline;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1000 * 60 * 60));
    }

    void yieldWhenDue() {
        const auto before = Clock::now();
        if (!m_yield || before < m_yieldDue)
            return;
        m_yield();
        const auto after = Clock::now();
        m_deadline += after - before;
        // Counted from the start of this yield, so yields begin at least once per interval.
        m_yieldDue = std::max(before + m_interval, after);
    }

private:
    Clock::time_point m_deadline;
    std::function<void()> m_yield;
    std::chrono::milliseconds m_interval;
    Clock::time_point m_yieldDue;
};

} // namespace os
