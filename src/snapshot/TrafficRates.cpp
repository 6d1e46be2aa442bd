#include "snapshot/TrafficRates.h"

#include "platform/os/Backend.h"

TrafficByConnection trafficRates(const os::TrafficSample* previous, const os::TrafficSample& current) {
    TrafficByConnection result;
    result.reserve(qsizetype(current.sockets.size()));
    for (const os::SocketTraffic& socket : current.sockets)
        result[socket.ends].totals = socket.figures;
    if (!previous)
        return result;
    const double seconds = std::chrono::duration<double>(current.takenAt - previous->takenAt).count();
    if (seconds <= 0)
        return result; // no time between them: nothing to divide by
    for (const os::SocketTraffic& before : previous->sockets) {
        const auto now = result.find(before.ends);
        if (now == result.end())
            continue; // ended
        const os::TrafficFigures& after = now->totals;
        // Counters only grow while a socket lives: lower ones belong to a new socket that
        // took the same ends, whose rate starts from its own second sample.
        if (after.bytesSent < before.figures.bytesSent || after.bytesReceived < before.figures.bytesReceived)
            continue;
        now->sentPerSecond = double(after.bytesSent - before.figures.bytesSent) / seconds;
        now->receivedPerSecond = double(after.bytesReceived - before.figures.bytesReceived) / seconds;
    }
    return result;
}

QString bytesText(double bytes) {
    static const char* const units[] = {"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1023.5)
        return QStringLiteral("%1 B").arg(qRound64(std::max(bytes, 0.0)));
    double value = bytes / 1024;
    int unit = 0;
    // Choose the unit by the rounded figure, so 1023.96 KiB/s reads "1.0 MiB/s".
    while (value >= 1023.95 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QString bytesPerSecondText(double bytesPerSecond) {
    return bytesText(bytesPerSecond) + QLatin1String("/s");
}

QString roundTripText(std::uint32_t microseconds) {
    const double milliseconds = microseconds / 1000.0;
    const int decimals = milliseconds < 1 ? 2 : milliseconds < 100 ? 1 : 0;
    return QStringLiteral("%1 ms").arg(milliseconds, 0, 'f', decimals);
}

std::optional<os::ConnectionEnds> connectionEndsOf(const QString& localAddress, std::uint16_t localPort,
                                                   const QString& remoteAddress, std::uint16_t remotePort) {
    os::ConnectionEnds ends;
    bool remoteIpv6 = false;
    if (!os::numericAddressBytes(localAddress, ends.ipv6, ends.localAddress) ||
        !os::numericAddressBytes(remoteAddress, remoteIpv6, ends.remoteAddress) || remoteIpv6 != ends.ipv6)
        return std::nullopt;
    ends.localPort = localPort;
    ends.remotePort = remotePort;
    return ends;
}
