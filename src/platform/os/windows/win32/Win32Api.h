#pragma once

// The Win32 calls the Windows backend and the Windows companion command make, in plain C++:
// no Qt types here, only standard ones, so that the companion links no Qt and the adapter
// (WindowsSystem) is the one place where texts and icons become Qt's.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace os::win32 {

// ---- Child commands -------------------------------------------------------------------

struct ChildRequest {
    std::wstring program;              // absolute path; never looked up on the search path
    std::vector<std::wstring> arguments;
    std::chrono::milliseconds timeout{30000};
    std::size_t outputCap = 8 * 1024 * 1024;
    std::function<void()> yield;
    std::chrono::milliseconds yieldInterval{20};
};

enum class ChildStatus { Finished, PipeFailed, StartFailed, ReadFailed, TimedOut };

struct ChildResult {
    ChildStatus status = ChildStatus::Finished;
    std::uint32_t errorCode = 0; // GetLastError of the failing step
    std::string output;
    bool truncated = false;
    std::uint32_t exitCode = 0;
};

// Starts the program with its standard output on an anonymous pipe and no window of its own,
// drains the pipe while it runs, and ends it when it outlives the timeout.
ChildResult runChild(const ChildRequest& request);

// One argument quoted as the C runtime's command-line parser reads it back.
std::wstring quotedArgument(const std::wstring& argument);

// ---- Socket tables --------------------------------------------------------------------

// MIB_TCP_STATE numbering, which the rest of the system shares.
struct TableSocket {
    bool ipv6 = false;
    bool udp = false;
    std::array<std::uint8_t, 16> localAddress{}; // network order; IPv4 in the first four bytes
    std::array<std::uint8_t, 16> remoteAddress{};
    std::uint32_t localScope = 0; // IPv6 scope id
    std::uint32_t remoteScope = 0;
    std::uint16_t localPort = 0;
    std::uint16_t remotePort = 0;
    int state = 0; // 1 closed ... 12 delete-tcb; 0 for UDP
    std::uint32_t processId = 0;
};

enum TableKinds : unsigned { TcpConnections = 1, TcpListening = 2, UdpEndpoints = 4 };

// The machine's sockets of the kinds asked for, IPv4 then IPv6, TCP then UDP. False when a
// table could not be read at all (what was read is still in `sockets`); `errorCode` then
// receives the first failing table's error.
bool readSocketTables(unsigned kinds, std::vector<TableSocket>& sockets, std::uint32_t* errorCode = nullptr);

// Deletes an IPv4 TCP connection from the system's table (SetTcpEntry with the delete state),
// which resets it and leaves its program running. 0 when done, else the system's error code
// (the call needs an administrator).
std::uint32_t deleteTcpConnection(const std::array<std::uint8_t, 16>& localAddress, std::uint16_t localPort,
                                  const std::array<std::uint8_t, 16>& remoteAddress, std::uint16_t remotePort);

// "127.0.0.1", "::1" (no brackets, no scope).
std::string numericAddress(bool ipv6, const std::array<std::uint8_t, 16>& address);
// The reverse: false for anything not an address written in numbers.
bool parseNumericAddress(const std::string& text, bool& ipv6, std::array<std::uint8_t, 16>& bytes);

// The TCP port of a service name in the system's services database.
std::optional<std::uint16_t> servicePort(const std::string& name);
// The service name of a TCP port; empty when it has none.
std::string serviceName(std::uint16_t port);

// ---- Processes ------------------------------------------------------------------------

std::vector<std::uint32_t> processIds();
// The full path of a process's executable; empty when it cannot be read.
std::wstring processImagePath(std::uint32_t processId);
// The process's creation time in 100 ns units since 1601; 0 when there is no such process.
std::uint64_t processCreationTime(std::uint32_t processId);
// "DOMAIN\user" of the process's owner; empty when it cannot be read.
std::wstring processOwner(std::uint32_t processId);
// The command line the process was started with, one text as the system keeps it, without
// leading and trailing spaces; nothing when it cannot be read or is empty.
std::optional<std::wstring> processCommandLine(std::uint32_t processId);

// The names of the running services by the process that hosts them, several to a process
// separated by ", " (Win32Services.cpp).
std::unordered_map<std::uint32_t, std::wstring> servicesByProcess();

struct EndResult {
    bool ended = false;       // TerminateProcess succeeded
    std::uint32_t errorCode = 0;
    bool alreadyEnded = false; // the id no longer names the process asked for
};
// Ends a process; with a creation time, only while the id still names the process created then.
EndResult endProcess(std::uint32_t processId, std::optional<std::uint64_t> creationTime);
// True once the process created at creationTime is gone.
bool processHasEnded(std::uint32_t processId, std::uint64_t creationTime);

// ---- Odds and ends --------------------------------------------------------------------

// The system's message for an error code, without its line ending.
std::wstring errorMessage(std::uint32_t errorCode);

// Replaces a regular file whole or not at all: a new file beside it, flushed, then moved over
// it. A link or junction on the way is refused. Empty when saved; else the error code and the
// step that failed.
struct SaveFailure {
    std::uint32_t errorCode = 0;
    std::string reason; // set when the refusal is the program's own, not the system's
};
std::optional<SaveFailure> saveFile(const std::wstring& path, const std::string& contents);

std::optional<std::array<std::uint8_t, 4>> lookUpHostName(const std::string& name);
std::optional<std::string> lookUpAddress(const std::array<std::uint8_t, 4>& address);

// Platform id, major and minor version as the kernel reports them (not the compatibility
// shim GetVersionEx answers with).
std::optional<std::array<std::uint32_t, 3>> kernelVersion();

// The executable's own icon (an HICON, small or large), or null; the caller destroys it.
void* executableIconHandle(const std::wstring& path, bool large);
void destroyIconHandle(void* icon);

// The folder of the running executable.
std::wstring executableFolder();

// UTF-8 and UTF-16.
std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& text);

} // namespace os::win32
