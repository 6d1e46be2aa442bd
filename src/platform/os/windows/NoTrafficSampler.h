#pragma once

#include "platform/os/TrafficSampler.h"

namespace os::windowsbackend {

// Windows keeps per-connection byte counts only for connections an administrator has turned
// the extended statistics on for, so this backend takes no samples: the traffic columns stay
// empty rather than show figures for some connections and silence for the rest.
class NoTrafficSampler : public TrafficSampler {
public:
    void start(std::chrono::milliseconds) override { m_running = true; }
    void stop() override { m_running = false; }
    bool isRunning() const override { return m_running; }
    std::shared_ptr<const TrafficSample> latest() const override { return {}; }

private:
    bool m_running = false;
};

} // namespace os::windowsbackend
