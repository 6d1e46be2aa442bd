// The companion command of the Windows build: prints the machine's TCP connections that are
// not listening (with -a, the listening TCP sockets and the UDP endpoints too), one line each
// with its state and owning process, in the text format of the system's netstat -o. Under
// Wine, whose own netstat cannot show owners, the program lists through this command instead.
//
// Addresses print in numbers: a reverse look-up of every peer would send queries off the
// machine, and the program resolves the host it is asked about itself. Ports print as service
// names unless -n is given.

#include "ListingArguments.h"
#include "ListingText.h"
#include "Win32Api.h"

#include <cstdio>
#include <map>

#include <fcntl.h>
#include <io.h>

namespace {

void printUsage(std::FILE* to) {
    std::fputs("usage: tavren-netstat-cli [-a] [-n] [-o] [--version] [--help]\n"
               "  -a         also the listening TCP ports and the UDP endpoints\n"
               "  -n         numeric ports, no service names\n"
               "  -o         show the owning process id (always shown)\n"
               "  --version  print the version and exit\n"
               "  --help     print this help and exit\n",
               to);
}

std::string hostText(const os::win32::TableSocket& socket, bool remote) {
    const std::string address =
        os::win32::numericAddress(socket.ipv6, remote ? socket.remoteAddress : socket.localAddress);
    if (!socket.ipv6)
        return address;
    const std::uint32_t scope = remote ? socket.remoteScope : socket.localScope;
    return "[" + address + (scope ? "%" + std::to_string(scope) : std::string()) + "]";
}

class PortNames {
public:
    explicit PortNames(bool numeric) : m_numeric(numeric) {}
    std::string of(std::uint16_t port) {
        if (m_numeric || port == 0)
            return std::to_string(port);
        auto [it, added] = m_names.try_emplace(port);
        if (added) {
            it->second = os::win32::serviceName(port);
            if (it->second.empty())
                it->second = std::to_string(port);
        }
        return it->second;
    }

private:
    bool m_numeric;
    std::map<std::uint16_t, std::string> m_names;
};

} // namespace

int main(int argc, char** argv) {
    bool all = false, numeric = false;
    const char* wrong = "";
    const listing::Request request = listing::readArguments(argc, argv, all, numeric, wrong);
    if (request == listing::Request::Help) {
        printUsage(stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (request == listing::Request::Version) {
        std::fputs("tavren-netstat-cli " TAVREN_VERSION "\n", stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (request == listing::Request::Wrong) {
        listing::reportWrongArgument(wrong);
        printUsage(stderr);
        return 2;
    }

    std::vector<os::win32::TableSocket> sockets;
    const unsigned kinds = os::win32::TcpConnections | (all ? os::win32::TcpListening | os::win32::UdpEndpoints : 0u);
    std::uint32_t error = 0;
    if (!os::win32::readSocketTables(kinds, sockets, &error)) {
        // An empty listing would pass for a machine without connections, and a partial one
        // for a machine without the connections of the table that failed.
        std::fprintf(stderr, "tavren-netstat-cli: the socket tables could not be read: %ls (error %lu)\n",
                     os::win32::errorMessage(error).c_str(), static_cast<unsigned long>(error));
        return 1;
    }
    PortNames ports(numeric);
    std::string out = listing::Heading;
    for (const os::win32::TableSocket& socket : sockets) {
        const std::string local = hostText(socket, false) + ":" + ports.of(socket.localPort);
        const std::string foreign = socket.udp ? std::string() : hostText(socket, true) + ":" + ports.of(socket.remotePort);
        listing::appendLine(out, socket.udp, local, foreign, socket.state, socket.processId);
    }
    // Binary: the lines carry their CRLF already, and text mode would double the CR.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0 ? 0 : 1;
}
