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
#include "JsonListing.h"
#include "ListingArguments.h"
#include "NetworkNamespaces.h"
#include "ServiceNames.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <malloc.h>
#include <unistd.h>

namespace {

void printUsage(std::FILE* to) {
    std::fputs("usage: tavren-netstat-cli [-a] [-n] [-o] [--namespaces] [--json [-i]] [--version] [--help]\n"
               "  -a            also the listening TCP ports and the UDP endpoints\n"
               "  -n            numeric addresses and ports, no name look-ups\n"
               "  -o            show the owning process id (always shown)\n"
               "  --namespaces  then the connections of the other network namespaces, each\n"
               "                under its own title (their hosts in numbers)\n"
               "  --json        one JSON object per socket and line, in numbers\n"
               "  -i            with --json: each TCP socket's kernel counters and round-trip time\n"
               "  --version     print the version and exit\n"
               "  --help        print this help and exit\n",
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

// The test suite shortens the owner scan's budget to flood the scan within its own time. Only
// shorter: a longer one would let a caller hold the capabilities longer.
std::chrono::milliseconds ownerScanBudget() {
    const std::chrono::milliseconds longest = ListingOptions().ownerScanBudget;
    const char* value = std::getenv("TAVREN_NETSTAT_OWNER_SCAN_MS");
    if (!value || !*value)
        return longest;
    char* end = nullptr;
    const long milliseconds = std::strtol(value, &end, 10);
    if (*end || milliseconds < 0)
        return longest;
    return std::min(longest, std::chrono::milliseconds(milliseconds));
}

bool giveUpCapabilities() {
    if (dropCapabilities())
        return true;
    std::fputs("tavren-netstat-cli: cannot give up its capabilities\n", stderr);
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Memory freed is kept for the next blocks rather than handed back: the command lives for
    // a moment, and every fresh page costs it a fault (a few thousand at 30,000 sockets).
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20); // the most the C library takes
    ::mallopt(M_TRIM_THRESHOLD, 256 << 20);
    // Nothing before the owner scan needs the capabilities: the kernel's TCP table is open to
    // every user.
    if (!lowerCapabilities()) {
        std::fputs("tavren-netstat-cli: cannot set its capabilities aside\n", stderr);
        return 1;
    }
    ListingOptions options;
    const char* wrong = "";
    bool otherNamespaces = false;
    listing::JsonChoice json;
    const listing::Request request =
        listing::readArguments(argc, argv, options.all, options.numeric, wrong, &json, &otherNamespaces);
    if (request != listing::Request::List || (json.trafficInfo && !json.json)) {
        if (!giveUpCapabilities())
            return 1;
        if (request == listing::Request::Help) {
            printUsage(stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (request == listing::Request::Version) {
            std::fputs("tavren-netstat-cli " TAVREN_VERSION "\n", stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (request == listing::Request::Wrong)
            listing::reportWrongArgument(wrong);
        else
            std::fputs("tavren-netstat-cli: -i goes with --json\n", stderr);
        printUsage(stderr);
        return 2;
    }
    options.trafficInfo = json.trafficInfo;

    // Still one thread here: the look-up threads start after the drop and hold nothing.
    bool readable = true;
    std::vector<ListedConnection> connections = collectConnections(options, &readable);
    if (!raiseCapabilities()) {
        giveUpCapabilities();
        std::fputs("tavren-netstat-cli: cannot use its capabilities\n", stderr);
        return 1;
    }
    // Another process's namespace link is open to its own user only: the grant finds them all.
    std::vector<ListedNamespace> namespaces;
    if (otherNamespaces)
        namespaces = collectNamespaceConnections(options, connections);
    findOwners(connections, options.procRoot, ownerScanBudget());
    // Before the drop: root's own view of /proc comes from the capabilities it holds anyway.
    hideOwnersUnseenByTheUser(connections, options.procRoot);
    // The owners' programs are part of what the grant reads; only the JSON listing names them.
    const std::vector<std::string> programs =
        json.json ? ownerProgramPaths(connections, options.procRoot) : std::vector<std::string>();
    if (!giveUpCapabilities())
        return 1;
    if (!readable) {
        // An empty listing would pass for a machine without connections.
        std::fputs("tavren-netstat-cli: the TCP table could not be read\n", stderr);
        return 1;
    }
    if (json.json)
        return writeAll(formatJsonListing(connections, programs, json.trafficInfo)) ? 0 : 1;
    ServiceNames services;
    std::vector<std::string> hostNames;
    bool allAnswered = true;
    if (!options.numeric && !connections.empty())
        hostNames = foreignHostNames(connections, options.lookupDeadline, &allAnswered);
    const bool written =
        writeAll(formatListing(connections, options.numeric, &services, hostNames, namespaces));
    if (!allAnswered)
        ::_exit(written ? 0 : 1); // look-ups still under way must not hold the command up
    return written ? 0 : 1;
}
