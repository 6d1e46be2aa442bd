// A small Windows program the tests start in place of real ones:
//   standin listing [numbers]  prints a recorded netstat -o listing (names, or numbers)
//   standin -o [-a] [-n]       the same, chosen as netstat's options choose it
//   standin exit N             ends with exit code N
//   standin sleep MS           waits, then ends
//   standin flood              prints without end
//   standin args A...          prints each argument on a line of its own
//   standin connections N MS   holds N loopback connections for MS milliseconds
#include "RecordedListing.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <winsock2.h>
#include <windows.h>

namespace {

// N connected pairs on 127.0.0.1, from one listener; false when any step fails.
bool openConnections(int pairs) {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    if (listener == INVALID_SOCKET || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, 16) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    for (int i = 0; i < pairs; ++i) {
        SOCKET client = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (client == INVALID_SOCKET || ::connect(client, reinterpret_cast<sockaddr*>(&address), length) != 0)
            return false;
        SOCKET server = ::accept(listener, nullptr, nullptr);
        // A byte each way: under Wine a socket that has carried data is held by this process
        // (not only by Wine's server), so the system's table names this process as its owner.
        char byte = 'x';
        if (server == INVALID_SOCKET || ::send(client, &byte, 1, 0) != 1 || ::recv(server, &byte, 1, 0) != 1 ||
            ::send(server, &byte, 1, 0) != 1 || ::recv(client, &byte, 1, 0) != 1)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    ::_setmode(::_fileno(stdout), _O_BINARY);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "listing" || mode == "-o") {
        bool numbers = false;
        for (int i = 2; i < argc; ++i)
            numbers = numbers || !std::strcmp(argv[i], "numbers") || !std::strcmp(argv[i], "-n");
        std::fputs(numbers ? RecordedNumbersListing : RecordedNamesListing, stdout);
        return 0;
    }
    if (mode == "exit" && argc > 2)
        return std::atoi(argv[2]);
    if (mode == "sleep" && argc > 2) {
        ::Sleep(DWORD(std::atoi(argv[2])));
        return 0;
    }
    if (mode == "flood") {
        const std::string line(1023, 'x');
        for (;;)
            if (std::fprintf(stdout, "%s\n", line.c_str()) < 0)
                return 1;
    }
    if (mode == "args") {
        for (int i = 2; i < argc; ++i)
            std::printf("%s\r\n", argv[i]);
        return 0;
    }
    if (mode == "connections" && argc > 3) {
        if (!openConnections(std::atoi(argv[2])))
            return 1;
        std::puts("open");
        std::fflush(stdout);
        ::Sleep(DWORD(std::atoi(argv[3])));
        return 0;
    }
    std::fputs("usage: standin listing|-o|exit N|sleep MS|flood|args ...\n", stderr);
    return 2;
}
