#include "platform/os/linux/LinuxTrafficSampler.h"

#include <netinet/in.h>
#include <sys/socket.h>

namespace os::linuxbackend {

namespace {

using namespace sockets;

// Connections that can carry data. Time-wait and request sockets have no tcp_info to give.
constexpr std::uint32_t TrafficStates =
    ConnectionStates & ~stateBit(KernelTimeWait) & ~stateBit(KernelSynRecv) & ~stateBit(KernelNewSynRecv);

} // namespace

TrafficSample takeTrafficSample(NetlinkTcpDumper& dumper) {
    TrafficSample sample;
    const auto keep = [&sample](const TcpSocket& socket) {
        if (!socket.traffic.known)
            return;
        SocketTraffic& kept = sample.sockets.emplace_back();
        kept.ends = {socket.family == AF_INET6, socket.localAddress, socket.remoteAddress, socket.localPort,
                     socket.remotePort};
        kept.figures = {socket.traffic.bytesSent, socket.traffic.bytesReceived,
                        socket.traffic.smoothedRoundTrip, socket.traffic.totalRetransmits};
    };
    for (int family : {AF_INET, AF_INET6})
        dumper.dump(family, TrafficStates, keep, IPPROTO_TCP, TrafficInfoExtension);
    // Stamped once the dump is whole: rates divide by the time between two finished dumps.
    sample.takenAt = std::chrono::steady_clock::now();
    return sample;
}

LinuxTrafficSampler::~LinuxTrafficSampler() {
    stop();
}

void LinuxTrafficSampler::start(std::chrono::milliseconds interval) {
    std::lock_guard lock(m_mutex);
    m_interval = interval;
    if (m_thread.joinable())
        return;
    m_stopping = false;
    m_thread = std::thread(&LinuxTrafficSampler::run, this);
}

void LinuxTrafficSampler::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool LinuxTrafficSampler::isRunning() const {
    std::lock_guard lock(m_mutex);
    return m_thread.joinable() && !m_stopping;
}

std::shared_ptr<const TrafficSample> LinuxTrafficSampler::latest() const {
    std::lock_guard lock(m_mutex);
    return m_latest;
}

void LinuxTrafficSampler::run() {
    NetlinkTcpDumper dumper;
    TcpConnectionCounterReader counterReader;
    TcpConnectionCounters counters, dumpedAt;
    bool haveDump = false;
    std::shared_ptr<const TrafficSample> last;
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        lock.unlock();
        // Read before the dump: traffic during the dump moves them, and the next one dumps.
        const bool counted = counterReader.read(counters);
        std::shared_ptr<TrafficSample> sample;
        if (haveDump && counted && counters.segments[0] >= 0 && counters == dumpedAt &&
            counters.segments == dumpedAt.segments) {
            sample = std::make_shared<TrafficSample>(*last);
            sample->takenAt = std::chrono::steady_clock::now();
        } else {
            sample = std::make_shared<TrafficSample>(takeTrafficSample(dumper));
            haveDump = counted;
            dumpedAt = counters;
        }
        last = sample;
        lock.lock();
        if (m_stopping)
            break;
        m_latest = std::move(sample);
        lock.unlock();
        emit sampled();
        lock.lock();
        m_wake.wait_until(lock, m_latest->takenAt + m_interval, [this] { return m_stopping; });
    }
}

} // namespace os::linuxbackend
