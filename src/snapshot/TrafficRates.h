#pragma once

#include "platform/os/TrafficSampler.h"

#include <QHash>
#include <QString>

#include <array>
#include <optional>

// One connection's figures in the newer of two samples, with its rates between them.
struct ConnectionTraffic {
    os::TrafficFigures totals;
    // Bytes per second since the older sample; nothing for a connection that sample did not
    // have (a new one) or had with higher counters (a new socket with the same ends).
    std::optional<double> sentPerSecond;
    std::optional<double> receivedPerSecond;

    bool operator==(const ConnectionTraffic&) const = default;
};

// Open addressing keeps a look-up among tens of thousands of connections to a cache miss or two.
using TrafficByConnection = QHash<os::ConnectionEnds, ConnectionTraffic>;

// The connections of `current`, with their rates where `previous` (may be null) had them too.
// A connection missing from `current` has ended and is missing from the result.
TrafficByConnection trafficRates(const os::TrafficSample* previous, const os::TrafficSample& current);

// "512 B", "12.4 KiB", "1.0 MiB": binary units, one decimal from KiB on.
QString bytesText(double bytes);
// The same per second: "12.4 KiB/s".
QString bytesPerSecondText(double bytesPerSecond);
// "0.04 ms", "12.5 ms", "230 ms": the smoothed round-trip time in milliseconds.
QString roundTripText(std::uint32_t microseconds);

// The ends of a listed connection, from its addresses as text ("127.0.0.1", "::1") and its
// port numbers; nothing when an address is not written in numbers.
std::optional<os::ConnectionEnds> connectionEndsOf(const QString& localAddress, std::uint16_t localPort,
                                                   const QString& remoteAddress, std::uint16_t remotePort);
