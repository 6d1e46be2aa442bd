#include "platform/os/remote/RemoteTrafficSampler.h"

#include "platform/os/remote/RemoteListing.h"
#include "platform/os/remote/RemoteScript.h"
#include "platform/os/remote/SshTransport.h"

namespace os::remote {

namespace {

// ss -tni prints about 600 bytes a connection: room for some 50,000.
constexpr qsizetype TrafficOutputCap = 32 * 1024 * 1024;
constexpr std::chrono::milliseconds SampleTimeout{3000};

} // namespace

RemoteTrafficSampler::RemoteTrafficSampler(std::shared_ptr<SshTransport> transport)
    : m_transport(std::move(transport)) {}

RemoteTrafficSampler::~RemoteTrafficSampler() {
    stop();
}

void RemoteTrafficSampler::start(std::chrono::milliseconds interval) {
    std::lock_guard lock(m_mutex);
    m_interval = interval;
    if (m_thread.joinable())
        return;
    m_stopping = false;
    m_thread = std::thread(&RemoteTrafficSampler::run, this);
}

void RemoteTrafficSampler::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool RemoteTrafficSampler::isRunning() const {
    std::lock_guard lock(m_mutex);
    return m_thread.joinable() && !m_stopping;
}

std::shared_ptr<const TrafficSample> RemoteTrafficSampler::latest() const {
    std::lock_guard lock(m_mutex);
    return m_latest;
}

void RemoteTrafficSampler::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        lock.unlock();
        const auto began = std::chrono::steady_clock::now();
        const QByteArray marker = newMarker();
        // Stopping waits for the run under way: a short limit bounds it when the host is gone.
        const SshAnswer answer = m_transport->run(remoteScript(RemoteRequest::Traffic, marker, false),
                                                  TrafficOutputCap, {}, SampleTimeout);
        std::shared_ptr<TrafficSample> sample;
        if (answer.failure.isEmpty() && !answer.truncated) {
            const RemoteListing listing = parseRemoteListing(answer.output, marker);
            if (listing.complete) {
                sample = std::make_shared<TrafficSample>();
                sample->takenAt = std::chrono::steady_clock::now();
                for (const RemoteSocket& socket : listing.sockets)
                    if (socket.figures && !socket.udp && socket.state != TcpListen)
                        sample->sockets.push_back({socket.ends(), *socket.figures});
            }
        }
        lock.lock();
        if (m_stopping)
            break;
        if (sample) {
            m_latest = std::move(sample);
            lock.unlock();
            emit sampled();
            lock.lock();
        }
        m_wake.wait_until(lock, began + m_interval, [this] { return m_stopping; });
    }
}

} // namespace os::remote
