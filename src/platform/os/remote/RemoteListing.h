#pragma once

#include "platform/os/TrafficSampler.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace os::remote {

// One socket of the other host, in numbers.
struct RemoteSocket {
    bool udp = false;
    int state = 0;                       // os::TcpState; 0 for a UDP endpoint
    QString localAddress, remoteAddress; // "127.0.0.1", "::1"
    std::uint16_t localPort = 0, remotePort = 0;
    std::int32_t processId = 0; // 0: no owner the remote user may see
    bool held = false;          // some process holds it, seen or not
    std::optional<TrafficFigures> figures;

    ConnectionEnds ends() const;
};

// One owning process of the other host, as far as the remote user may read it.
struct RemoteProcess {
    std::uint64_t startTime = 0; // clock ticks after the other host's boot
    std::optional<std::uint32_t> userId;
    QString executable; // empty when unreadable
    std::optional<QString> commandLine;
};

// What one run of the remote script printed, read as hostile text: every line is checked,
// one that does not read whole is dropped and counted, never guessed at.
struct RemoteListing {
    bool recognised = false; // the script's first line came: this is a listing at all
    bool complete = false;   // its last line came: nothing was cut
    QStringList failedSteps; // what the script said failed ("ss 1")
    std::vector<RemoteSocket> sockets;
    QHash<std::int32_t, RemoteProcess> processes;
    QHash<std::uint32_t, QString> userNames;
    int droppedLines = 0;
};

// Reads the script's output; `marker` is the one the script was sent with.
RemoteListing parseRemoteListing(QByteArrayView output, QByteArrayView marker);

} // namespace os::remote
