// links: tavren_linuxsockets
// Feeds arbitrary bytes to the companion command's readers of kernel data: a line of the
// /proc TCP tables, the socket summary counters and a netlink dump reply. None may crash or
// read past its input; a table line gives a state the kernel can have; a dump reply never
// yields more sockets than its bytes can hold, and only a complete dump counts as done.
#include "SocketSummary.h"
#include "TcpSocketTable.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <sys/socket.h>

using namespace os::sockets;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size); // ends in a NUL

    for (int family : {AF_INET, AF_INET6}) {
        TcpSocket socket;
        if (parseProcTcpLine(text.c_str(), family, socket) && (socket.state >= 32 || socket.family != family))
            std::abort();
    }

    std::int64_t counters[5] = {};
    parseSocketSummaryLine(text.c_str(), "TCP", counters, 5);
    parseSocketSummaryLine(text.c_str(), "TCP6", counters, 1);

    // A copy of exactly the input's size, so reading one byte past it is caught.
    std::vector<char> reply(data, data + size);
    std::vector<TcpSocket> sockets;
    unsigned sequence = 1;
    if (size >= 12) // the first message's sequence number, so the fuzzer reaches every branch
        sequence = std::uint32_t(data[8]) | std::uint32_t(data[9]) << 8 | std::uint32_t(data[10]) << 16 |
                   std::uint32_t(data[11]) << 24;
    const DumpProgress progress = readDumpReply(reply.data(), reply.size(), sequence, AF_INET, sockets);
    if (sockets.size() > size / NLMSG_LENGTH(sizeof(inet_diag_msg)))
        std::abort();
    if (progress == DumpProgress::Done && size < NLMSG_HDRLEN)
        std::abort();
    return 0;
}
