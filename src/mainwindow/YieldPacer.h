#pragma once

#include <QElapsedTimer>

#include <chrono>
#include <functional>

// Lets pending window messages run, but inside tight loops no more often than once per
// interval: yielding after every one of thousands of rows would cost more than the rows.
class YieldPacer {
public:
    YieldPacer(std::function<void()> yield, std::chrono::milliseconds interval)
        : m_yield(std::move(yield)), m_interval(interval.count()) {
        m_sinceYield.start();
    }

    // Yields now, whatever the time since the last yield. The yield may delete the pacer's
    // owner, so nothing of the pacer is touched after it.
    void yieldNow() {
        m_sinceYield.restart();
        const auto yield = m_yield;
        yield();
    }

    // Yields when the interval has passed since the last yield.
    void maybeYield() {
        if (m_sinceYield.elapsed() >= m_interval)
            yieldNow();
    }

private:
    std::function<void()> m_yield;
    qint64 m_interval;
    QElapsedTimer m_sinceYield;
};
