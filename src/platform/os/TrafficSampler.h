#pragma once

#include <QObject>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace os {

// Both ends of a TCP connection, in numbers: how a socket's figures find their list row.
struct ConnectionEnds {
    bool ipv6 = false;
    std::array<std::uint8_t, 16> localAddress{}; // network order; IPv4 uses the first four bytes
    std::array<std::uint8_t, 16> remoteAddress{};
    std::uint16_t localPort = 0;
    std::uint16_t remotePort = 0;

    bool operator==(const ConnectionEnds&) const = default;
};

// What the kernel has counted for one socket since it was made.
struct TrafficFigures {
    std::uint64_t bytesSent = 0; // payload only: no SYN, FIN or retransmitted byte
    std::uint64_t bytesReceived = 0;
    std::uint32_t roundTripMicroseconds = 0; // smoothed
    std::uint32_t retransmits = 0;           // all the socket ever made

    bool operator==(const TrafficFigures&) const = default;
};

struct SocketTraffic {
    ConnectionEnds ends;
    TrafficFigures figures;
};

// Every TCP connection's figures at one moment.
struct TrafficSample {
    std::chrono::steady_clock::time_point takenAt;
    std::vector<SocketTraffic> sockets;
};

// Takes a sample of every TCP connection's figures about once per interval while it runs, on
// a thread of its own: the window never waits for a dump, it only reads finished samples.
class TrafficSampler : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The first sample is taken at once; a running sampler only takes the new interval.
    virtual void start(std::chrono::milliseconds interval) = 0;
    // Returns once no sample is being taken any more.
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // The newest finished sample; null before the first.
    virtual std::shared_ptr<const TrafficSample> latest() const = 0;

signals:
    // A new sample is published. Sent from the sampling thread, so it arrives queued.
    void sampled();
};

} // namespace os

template <> struct std::hash<os::ConnectionEnds> {
    std::size_t operator()(const os::ConnectionEnds& ends) const noexcept;
};

namespace os {
// The same for Qt's tables, which find ConnectionEnds keys through it.
inline std::size_t qHash(const ConnectionEnds& ends, std::size_t seed = 0) noexcept;
}

inline std::size_t os::qHash(const ConnectionEnds& ends, std::size_t seed) noexcept {
    return std::hash<ConnectionEnds>()(ends) ^ seed;
}
