#pragma once

#include <QByteArray>

namespace os::remote {

// What the remote side is asked for.
enum class RemoteRequest {
    Listing, // every TCP socket with owners and figures, the owners' paths; UDP when asked
    Traffic, // the TCP connections' figures only, for the live columns
};

// The POSIX shell script sent to "sh -s" on the other host: it reads iproute2's ss and /proc
// there (or runs the companion command where the package installed it), so nothing is
// installed remotely. Each line of its own begins with `marker`, which no other program on
// that host knows, so no text a process chooses (a name, a path) can pass for one of them.
QByteArray remoteScript(RemoteRequest request, const QByteArray& marker, bool udp);

// A fresh marker: 16 random bytes in hexadecimal.
QByteArray newMarker();

} // namespace os::remote
