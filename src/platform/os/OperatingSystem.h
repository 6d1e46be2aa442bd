#pragma once

#include "platform/os/ConnectionRecorder.h"
#include "platform/os/TrafficSampler.h"

#include <QByteArray>
#include <QIcon>
#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace os {

// How a child command ended, as the command runner needs to tell it apart.
enum class CommandStatus {
    Finished,       // ran to its end; output holds what it printed
    PipeFailed,     // the output pipe could not be made
    StartFailed,    // the program could not be started
    ReadFailed,     // reading the pipe failed
    TimedOut,       // did not end within the limit and was killed
};

struct CommandRequest {
    QString program;              // absolute path; never looked up on the search path
    QStringList arguments;
    std::chrono::milliseconds timeout{30000};
    qsizetype outputCap = 8 * 1024 * 1024; // bytes kept at most; the pipe is drained past it
    // Called at least once per yieldInterval while the command runs, so that the window keeps
    // answering; time spent inside it does not count against the timeout.
    std::function<void()> yield;
    std::chrono::milliseconds yieldInterval{20};
    // Written to the command's standard input, which is then closed; the null device when empty.
    QByteArray input;
    // Standard error is kept up to this many bytes (drained past it); at 0 it goes where the
    // program's own goes.
    qsizetype errorCap = 0;
};

struct CommandResult {
    CommandStatus status = CommandStatus::Finished;
    int errorCode = 0;        // errno of the failing step, 0 when none
    // The system call that failed, as the backend names it; nothing where the system's own
    // command runner's steps name it (CreatePipe, CreateProcess, WaitForSingleObject, ReadFile).
    const char* failedCall = nullptr;
    QByteArray output;        // at most outputCap bytes
    bool truncated = false;   // the command printed more than outputCap bytes
    // How a Finished command ended: its exit status, or the signal that ended it (0 when it
    // ended by itself). Either one not 0 means the command failed.
    int exitCode = 0;
    int signal = 0;
    QByteArray errorOutput;   // at most errorCap bytes of standard error
    // Why the command gave no listing, told in full for the user where the backend knows
    // better than an exit status (a remote host not reached); empty otherwise.
    QString failure;
};

// How a failure to reach another host begins, in the status bar and wherever it is told.
inline constexpr char NotConnectedPrefix[] = "Not connected: ";

// TCP connection states in the numbering the rest of the system uses.
enum TcpState : int {
    TcpClosed = 1, TcpListen = 2, TcpSynSent = 3, TcpSynReceived = 4, TcpEstablished = 5,
    TcpFinWait1 = 6, TcpFinWait2 = 7, TcpCloseWait = 8, TcpClosing = 9, TcpLastAck = 10,
    TcpTimeWait = 11, TcpDeleteTcb = 12,
};

// Number of TCP sockets (IPv4 and IPv6) in each state; index = TcpState, index 0 unused.
struct TcpStateCounts {
    std::array<std::uint32_t, 13> byState{};
    // The active connections' identities (both addresses and ports) and states, summed in an
    // order-free way: it changes when one connection goes and another comes, or one moves
    // from one active state to another, which leave the counts as they were.
    std::uint64_t connectionDigest = 0;
    std::uint32_t total() const {
        std::uint32_t sum = 0;
        for (auto n : byState) sum += n;
        return sum;
    }
    // Connections that are neither closed, listening nor in time-wait.
    std::uint32_t active() const {
        return total() - byState[TcpClosed] - byState[TcpListen] - byState[TcpTimeWait];
    }
    // UDP sockets in use, IPv4 and IPv6.
    std::uint32_t udpEndpoints = 0;
    // What a list of these kinds shows: the active connections, and the listening TCP sockets
    // and UDP endpoints when it shows them.
    std::uint32_t shown(bool listening, bool udp) const {
        return active() + (listening ? byState[TcpListen] : 0) + (udp ? udpEndpoints : 0);
    }
};

// One socket as the kernel lists it, in numbers: what a line of the listing (which may
// print names) is matched against, to learn its own remote address.
struct SocketEndpoint {
    bool udp = false;
    QString localAddress; // "127.0.0.1", "::1"
    std::uint16_t localPort = 0;
    std::uint16_t remotePort = 0;
    QString remoteAddress;
};

// Where a process's path was read. Only the executable link names the program that really
// runs; a process chooses its own command line and name, and may pose as any program.
enum class PathSource { ExecutableLink, CommandLine, ProcessName };

// What a process runs as beyond its program: the unit, app or container it belongs to (Linux,
// from its control group), or the services it hosts (Windows).
struct ProcessService {
    QString name;   // "ssh.service", "docker 3f2a8c1d9e0b", "Dnscache, LanmanWorkstation"; empty when none
    QString detail; // where the name comes from in full (the control group's path); may be empty
};

struct TerminateResult {
    bool signalled = false;    // the process was told to end; it may take a moment to be gone
    int errorCode = 0;         // errno when it was not
    bool alreadyEnded = false; // the id no longer names the process asked for: nothing was done
};

// Whether this system can close one connection of the user's, and where not, why, in words
// that tell the user how it could.
struct ConnectionClosing {
    bool available = false;
    QString unavailableReason;
    bool ipv6 = false; // IPv6 connections too
    QString ipv6Reason;
};

struct CloseResult {
    bool closed = false;
    QString refusal; // why not, in words for the user
};

// Everything the system asks of the operating system goes through this one interface, so
// that tests can hand the parts a scripted fake and the program the real backend.
class OperatingSystem {
public:
    virtual ~OperatingSystem() = default;

    // Runs a command with its standard output on a pipe, draining the pipe while it runs.
    virtual CommandResult runCommand(const CommandRequest& request) = 0;

    // The companion connection-listing command that ships beside the program's binary.
    virtual QString netstatProgram() const = 0;

    // The system TCP table counted by state. Cheap enough to call every few milliseconds.
    virtual TcpStateCounts tcpStateCounts() = 0;

    // The TCP connections that are not listening, with the listening TCP sockets and the UDP
    // sockets when asked for, in numbers.
    virtual std::vector<SocketEndpoint> socketEndpoints(bool listening, bool udp) = 0;

    // The listening TCP sockets and the UDP sockets bound without a peer, in numbers. A
    // backend that can ask for them alone makes this cheap enough for every second.
    virtual std::vector<SocketEndpoint> listeningEndpoints() {
        std::vector<SocketEndpoint> endpoints = socketEndpoints(true, true);
        // A connection always has a remote port; a listener or an unconnected endpoint none.
        std::erase_if(endpoints, [](const SocketEndpoint& endpoint) { return endpoint.remotePort != 0; });
        return endpoints;
    }

    // A sampler of every TCP connection's traffic figures, stopped until started.
    virtual std::unique_ptr<TrafficSampler> makeTrafficSampler() = 0;

    // A recorder of the TCP connections that close, stopped until started.
    virtual std::unique_ptr<ConnectionRecorder> makeConnectionRecorder() = 0;

    // Ids of the running processes, in the order the system lists them.
    virtual std::vector<std::int32_t> processIds() = 0;

    // Full path of a process's executable. Where that path is closed to the user (another
    // user's process), what every user may read stands in: the absolute program path its
    // command line starts with, else its process name. Empty only when the process has ended
    // or shows neither. `source`, when given, receives where the path was read.
    virtual QString processExecutablePath(std::int32_t processId, PathSource* source = nullptr) = 0;

    // The user name of the process's owner (the user's number where it has no name); empty
    // when the process cannot be seen.
    virtual QString processOwnerName(std::int32_t processId) = 0;

    // The process's arguments as one line, separated by single spaces (the first is the
    // program as it was started). Nothing when they cannot be read: the process has ended,
    // belongs to a user whose processes are closed to this one, or shows none (a kernel thread).
    virtual std::optional<QString> processCommandLine(std::int32_t processId) = 0;

    // The service of each process, in the order asked; one look at the system serves them all.
    // A process that has ended or cannot be seen has none.
    virtual std::vector<ProcessService> processServices(const std::vector<std::int32_t>& processIds) {
        return std::vector<ProcessService>(processIds.size());
    }

    // Whether the listing command can add the connections of other network namespaces.
    virtual bool hasOtherNetworkNamespaces() const { return false; }

    // When the process started, in the system's own units; two processes that had the same
    // id have different start times. 0 when there is no such process.
    virtual std::uint64_t processStartTime(std::int32_t processId) = 0;

    // Tells a process to end at once, without waiting for it to be gone. With a start time,
    // only when the id still names the process that started then; otherwise nothing is done
    // and the result says the process has already ended.
    virtual TerminateResult terminateProcess(std::int32_t processId,
                                             std::optional<std::uint64_t> startTime = std::nullopt) = 0;

    // True once the process that started at `startTime` is gone (or only waits to be reaped).
    virtual bool processHasEnded(std::int32_t processId, std::uint64_t startTime) = 0;

    // Replaces a regular file's contents whole or not at all, never through a link another
    // user planted in a shared folder. Empty when saved; else why not, in words for the user.
    virtual QString saveFile(const QString& path, const QByteArray& contents) = 0;

    // Whether connections can be closed here. A backend that offers no closing keeps these.
    virtual ConnectionClosing connectionClosing() {
        return {false, QStringLiteral("Closing a connection is not offered here."), false, {}};
    }
    // Resets one established TCP connection of the user's own, leaving its program running.
    virtual CloseResult closeConnection(const ConnectionEnds& ends) {
        Q_UNUSED(ends);
        return {false, connectionClosing().unavailableReason};
    }

    // The system's own message text for an error code.
    virtual QString systemErrorText(int errorCode) = 0;

    // The icon of an executable, for the connection list; a generic one when none is known.
    virtual QIcon executableIcon(const QString& executablePath) = 0;

    // The TCP port a service name stands for in the system's services database (the names
    // the listing prints in place of port numbers); nothing for a name it does not know.
    virtual std::optional<std::uint16_t> servicePort(const QString& serviceName) = 0;

    // Host name to its first IPv4 address (four bytes, network order); nothing when unknown.
    virtual std::optional<std::array<std::uint8_t, 4>> lookUpHostName(const QString& hostName) = 0;

    // IPv4 address (four bytes, network order) to its host name; nothing when unknown.
    virtual std::optional<QString> lookUpAddress(const std::array<std::uint8_t, 4>& address) = 0;

    // The platform's version key "platform.major.minor" (decimal, no leading zeros), by which
    // the owner-drawn button knows which looks the platform draws; nothing when the query fails.
    virtual std::optional<QString> platformVersionKey() = 0;

    // The other host a remote backend watches; empty for this machine. A window of another
    // host changes nothing there: its commands that would (Terminate) are off.
    virtual QString remoteHostName() const { return {}; }
    // What the user should know of the last listing beside its rows (lines of a remote
    // listing that could not be read); empty when nothing.
    virtual QString listingNotice() const { return {}; }
};

} // namespace os
