#include "platform/os/fake/FakeTrafficSampler.h"

namespace os {

FakeTrafficSampler::FakeTrafficSampler(const QList<TrafficSample>& script, bool playsItself)
    : m_script(script), m_playsItself(playsItself) {
    connect(&m_timer, &QTimer::timeout, this, &FakeTrafficSampler::play);
}

void FakeTrafficSampler::start(std::chrono::milliseconds interval) {
    m_interval = interval;
    if (m_running)
        return;
    m_running = true;
    if (m_playsItself) {
        m_timer.start(interval);
        play();
    }
}

void FakeTrafficSampler::stop() {
    m_running = false;
    m_timer.stop();
}

bool FakeTrafficSampler::play() {
    if (!m_running || m_script.isEmpty())
        return false;
    const qsizetype round = m_played / m_script.size();
    auto sample = std::make_shared<TrafficSample>(m_script[m_played % m_script.size()]);
    const auto span = m_script.last().takenAt - m_script.first().takenAt + m_interval;
    sample->takenAt += round * span;
    ++m_played;
    m_latest = std::move(sample);
    emit sampled();
    return true;
}

} // namespace os
