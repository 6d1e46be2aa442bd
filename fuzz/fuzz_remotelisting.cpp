// links: tavren_os
// Feeds arbitrary text to the reader of another host's listing, as that host could send it:
// it must never crash, keep every socket's ends in numbers, never take a line of its own from
// text that lacks its marker, and count every line it did not read.
#include "platform/os/Backend.h"
#include "platform/os/remote/RemoteListing.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView output(reinterpret_cast<const char*>(data), qsizetype(size));
    const os::remote::RemoteListing listing = os::remote::parseRemoteListing(output, "M");
    if (listing.droppedLines < 0 || listing.droppedLines > output.count('\n') + 1)
        std::abort();
    // Nothing is read before the first line of the script, and no end without it.
    if (!listing.recognised && (!listing.sockets.empty() || listing.complete || !listing.processes.isEmpty()))
        std::abort();
    for (const os::remote::RemoteSocket& socket : listing.sockets) {
        bool localIpv6 = false, remoteIpv6 = false;
        std::array<std::uint8_t, 16> bytes;
        if (!os::numericAddressBytes(socket.localAddress, localIpv6, bytes) ||
            !os::numericAddressBytes(socket.remoteAddress, remoteIpv6, bytes) || socket.processId < 0 ||
            (!socket.udp && (socket.state < os::TcpClosed || socket.state > os::TcpDeleteTcb)))
            std::abort();
    }
    for (const os::remote::RemoteProcess& process : listing.processes)
        if (process.executable.contains(QLatin1Char('\n')) ||
            process.commandLine.value_or(QString()).contains(QLatin1Char('\n')))
            std::abort();
    return 0;
}
