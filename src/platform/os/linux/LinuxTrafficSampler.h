#pragma once

#include "platform/os/TrafficSampler.h"
#include "platform/os/linux/sockets/TcpConnectionCounters.h"
#include "platform/os/linux/sockets/TcpSocketTable.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace os::linuxbackend {

// One netlink dump of every TCP connection, IPv4 and IPv6, with the kernel's tcp_info.
// Listening, time-wait and request sockets are left out on the kernel's side: they carry no
// traffic figures. A family whose dump fails is missing from the sample.
TrafficSample takeTrafficSample(sockets::NetlinkTcpDumper& dumper);

// Samples on a thread of its own, with a netlink socket of its own. While no TCP segment
// has come or gone since the last dump, and no connection opened or closed (the kernel's
// counters say so), the last sample stands for the new one without a dump: the dump walks
// the kernel's whole connection table, which costs far more than reading the counters.
class LinuxTrafficSampler : public TrafficSampler {
public:
    using TrafficSampler::TrafficSampler;
    ~LinuxTrafficSampler() override;

    void start(std::chrono::milliseconds interval) override;
    void stop() override;
    bool isRunning() const override;
    std::shared_ptr<const TrafficSample> latest() const override;

private:
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_stopping = false;
    std::chrono::milliseconds m_interval{1000};
    std::shared_ptr<const TrafficSample> m_latest;
};

} // namespace os::linuxbackend
