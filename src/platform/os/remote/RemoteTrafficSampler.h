#pragma once

#include "platform/os/TrafficSampler.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace os::remote {

class SshTransport;

// The live figures of another host's TCP connections: ss -i's counters there, read over the
// window's master connection on a thread of its own about once per interval. A sample that
// could not be taken (the host went away) is skipped; the last one stands meanwhile.
class RemoteTrafficSampler : public TrafficSampler {
public:
    explicit RemoteTrafficSampler(std::shared_ptr<SshTransport> transport);
    ~RemoteTrafficSampler() override;

    void start(std::chrono::milliseconds interval) override;
    void stop() override;
    bool isRunning() const override;
    std::shared_ptr<const TrafficSample> latest() const override;

private:
    void run();

    std::shared_ptr<SshTransport> m_transport;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_stopping = false;
    std::chrono::milliseconds m_interval{1000};
    std::shared_ptr<const TrafficSample> m_latest;
};

} // namespace os::remote
