#pragma once

#include "platform/os/TrafficSampler.h"

#include <QList>
#include <QTimer>

namespace os {

// Plays scripted samples in place of the kernel's, one per play(), or one per interval on its
// own timer when it plays by itself. Past the last it starts again from the first, its times
// moved on, so a looping script reads as connections that start over.
class FakeTrafficSampler : public TrafficSampler {
public:
    FakeTrafficSampler(const QList<TrafficSample>& script, bool playsItself);

    void start(std::chrono::milliseconds interval) override;
    void stop() override;
    bool isRunning() const override { return m_running; }
    std::shared_ptr<const TrafficSample> latest() const override { return m_latest; }

    std::chrono::milliseconds interval() const { return m_interval; }
    // Publishes the next sample and tells of it at once; false when stopped or the script is empty.
    bool play();

private:
    const QList<TrafficSample>& m_script;
    bool m_playsItself;
    bool m_running = false;
    std::chrono::milliseconds m_interval{1000};
    qsizetype m_played = 0;
    std::shared_ptr<const TrafficSample> m_latest;
    QTimer m_timer;
};

} // namespace os
