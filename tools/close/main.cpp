// Closes one TCP connection of the caller's own: it finds the socket with the given ends
// through a socket-diagnostics dump, checks that it belongs to the caller's real user (root
// may close any), and asks the kernel to destroy it, which resets the connection and leaves
// the owning program running.
//
// The package grants this command cap_net_admin, and nothing else: it is effective only
// around the destroy request. The command takes nothing from its environment, reads no file
// and runs no other program; its arguments name a socket, which it checks before it acts.
// It prints one line on its standard output, the outcome in words, and exits with the
// outcome's own code.

#include "../netstat/Capabilities.h"
#include "SocketClosing.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

const char Usage[] = "usage: tavren-netstat-close tcp LOCAL-ADDRESS LOCAL-PORT REMOTE-ADDRESS REMOTE-PORT\n"
                     "  closes the TCP connection with these ends (addresses and ports in numbers)\n";

// Gives up every capability, then prints the outcome; its code is the exit status.
int finish(CloseOutcome outcome, const std::string& message) {
    if (!dropCapabilities()) {
        std::fputs("tavren-netstat-close: cannot give up its capabilities\n", stdout);
        return int(CloseOutcome::Failed);
    }
    std::fputs(message.c_str(), stdout);
    std::fputc('\n', stdout);
    if (std::fflush(stdout) != 0)
        return int(CloseOutcome::Failed);
    return int(outcome);
}

std::string refusalText(CloseOutcome outcome) {
    switch (outcome) {
    case CloseOutcome::NoSuchConnection:
        return "no such connection: no TCP connection has these ends";
    case CloseOutcome::MoreThanOne:
        return "more than one socket has these ends";
    case CloseOutcome::Listening:
        return "a listening socket is no connection: it is not closed";
    case CloseOutcome::AnotherUsers:
        return "the connection belongs to another user";
    default:
        return "not closed";
    }
}

} // namespace

int main(int argc, char** argv) {
    // Nothing below reads the environment; cleared, no library it calls can either.
    ::clearenv();
    // Granted as permitted only, nothing is effective yet; run by root, everything is.
    if (!lowerCapabilities())
        return finish(CloseOutcome::Failed, "cannot set its capabilities aside");

    WantedConnection wanted;
    const char* wrong = "";
    if (!readWantedConnection(argc, argv, wanted, wrong)) {
        std::fputs(Usage, stderr);
        return finish(CloseOutcome::BadArguments, std::string("bad arguments: ") + wrong);
    }
    std::vector<os::sockets::TcpSocket> found;
    if (!findSockets(wanted, found))
        return finish(CloseOutcome::Failed, "the socket table could not be read");
    const CloseOutcome allowed = mayClose(found, ::getuid());
    if (allowed != CloseOutcome::Closed)
        return finish(allowed, refusalText(allowed));
    if (const int error = destroySocket(found.front()); error != 0) {
        // The socket went between the dump and the request, or another has its ends now.
        if (error == ENOENT || error == ESTALE)
            return finish(CloseOutcome::NoSuchConnection, refusalText(CloseOutcome::NoSuchConnection));
        return finish(CloseOutcome::SystemRefused, std::string("the system refused: ") + std::strerror(error));
    }
    return finish(CloseOutcome::Closed, "closed");
}
