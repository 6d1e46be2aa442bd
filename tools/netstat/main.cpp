// Prints every TCP connection of the machine that is not listening (with -a, the listening
// TCP sockets and the UDP endpoints too), one line each with its state and owning process,
// in the text format the program's connection parser reads.
//
// The command may hold file capabilities so that a normal user sees every socket's owner.
// Its arguments and environment therefore choose only which of the machine's sockets are
// listed and how, never a file or a path to read, and it gives the capabilities up once the
// owners are known.

#include "Capabilities.h"
#include "ConnectionListing.h"
#include "ServiceNames.h"

#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace {

void printUsage(std::FILE* to) {
    std::fputs("usage: tavren-netstat-cli [-a] [-n] [-o] [--help]\n"
               "  -a      also the listening TCP ports and the UDP endpoints\n"
               "  -n      numeric addresses and ports, no name look-ups\n"
               "  -o      show the owning process id (always shown)\n"
               "  --help  print this help and exit\n",
               to);
}

bool writeAll(const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t written = ::write(STDOUT_FILENO, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= std::size_t(written);
    }
    return true;
}

enum class Request { List, Help, Wrong };

// Reads the options; on a wrong one, `wrong` names it.
Request readArguments(int argc, char** argv, ListingOptions& options, const char*& wrong) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (!std::strcmp(argument, "--help") || !std::strcmp(argument, "-h") || !std::strcmp(argument, "/?"))
            return Request::Help;
        wrong = argument;
        if ((argument[0] != '-' && argument[0] != '/') || !argument[1])
            return Request::Wrong;
        for (const char* letter = argument + 1; *letter; ++letter) {
            if (*letter == 'n' || *letter == 'N') {
                options.numeric = true;
            } else if (*letter == 'a' || *letter == 'A') {
                options.all = true;
            } else if (*letter == 'o' || *letter == 'O') {
                // The owner column is always printed.
            } else {
                return Request::Wrong;
            }
        }
    }
    return Request::List;
}

bool giveUpCapabilities() {
    if (dropCapabilities())
        return true;
    std::fputs("tavren-netstat-cli: cannot give up its capabilities\n", stderr);
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Nothing before the owner scan needs the capabilities: the kernel's TCP table is open to
    // every user.
    if (!lowerCapabilities()) {
        std::fputs("tavren-netstat-cli: cannot set its capabilities aside\n", stderr);
        return 1;
    }
    ListingOptions options;
    const char* wrong = "";
    const Request request = readArguments(argc, argv, options, wrong);
    if (request != Request::List) {
        if (!giveUpCapabilities())
            return 1;
        if (request == Request::Help) {
            printUsage(stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        const bool option = (wrong[0] == '-' || wrong[0] == '/') && wrong[1];
        std::fprintf(stderr, "tavren-netstat-cli: %s '%s'\n",
                     option ? "unknown option" : "unexpected argument", wrong);
        printUsage(stderr);
        return 2;
    }

    // Still one thread here: the look-up threads start after the drop and hold nothing.
    bool readable = true;
    std::vector<ListedConnection> connections = collectConnections(options, &readable);
    if (!raiseCapabilities()) {
        giveUpCapabilities();
        std::fputs("tavren-netstat-cli: cannot use its capabilities\n", stderr);
        return 1;
    }
    findOwners(connections, options.procRoot);
    // Before the drop: root's own view of /proc comes from the capabilities it holds anyway.
    hideOwnersUnseenByTheUser(connections, options.procRoot);
    if (!giveUpCapabilities())
        return 1;
    if (!readable) {
        // An empty listing would pass for a machine without connections.
        std::fputs("tavren-netstat-cli: the TCP table could not be read\n", stderr);
        return 1;
    }
    ServiceNames services;
    std::vector<std::string> hostNames;
    bool allAnswered = true;
    if (!options.numeric && !connections.empty())
        hostNames = foreignHostNames(connections, options.lookupDeadline, &allAnswered);
    const bool written = writeAll(formatListing(connections, options.numeric, &services, hostNames));
    if (!allAnswered)
        ::_exit(written ? 0 : 1); // look-ups still under way must not hold the command up
    return written ? 0 : 1;
}
