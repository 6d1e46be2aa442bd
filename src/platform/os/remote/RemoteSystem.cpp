#include "platform/os/remote/RemoteSystem.h"

#include "ListingText.h"
#include "platform/os/remote/RemoteScript.h"
#include "platform/os/remote/RemoteTrafficSampler.h"

#include <cerrno>

namespace os::remote {

namespace {

std::string endText(const QString& address, std::uint16_t port) {
    const std::string host = address.toStdString();
    const std::string written = address.contains(QLatin1Char(':')) ? "[" + host + "]" : host;
    return written + ":" + std::to_string(port);
}

// The companion's numeric listing of these sockets; with `all` the listening ones and UDP too.
QByteArray listingText(const std::vector<RemoteSocket>& sockets, bool all) {
    std::string text = listing::Heading;
    text.reserve(sockets.size() * 100 + text.size());
    for (const RemoteSocket& socket : sockets) {
        if (!all && (socket.udp || socket.state == TcpListen))
            continue;
        // The owner as the companion marks it: a process id, "-" when a process the remote user
        // may not see holds the socket, "0" when none does.
        const std::string owner = socket.processId != 0 ? std::to_string(socket.processId)
                                  : socket.held         ? std::string("-")
                                                        : std::string("0");
        listing::appendLine(text, socket.udp, endText(socket.localAddress, socket.localPort),
                            endText(socket.remoteAddress, socket.remotePort), socket.state,
                            std::string_view(owner));
    }
    return QByteArray::fromStdString(text);
}

// Another host tells no closed connections through the listing; its history would also mix
// its programs with this computer's in one store.
class NoRecorder final : public ConnectionRecorder {
public:
    void start() override {
        setFailure(QStringLiteral("No history is recorded in a window of another host."));
    }
    void stop() override {}
    bool countsBytes() const override { return false; }
};

} // namespace

RemoteSystem::RemoteSystem(SshSettings settings, std::unique_ptr<OperatingSystem> local)
    : m_transport(std::make_shared<SshTransport>(std::move(settings))), m_local(std::move(local)) {
    SshTransport::removeLeftControlSockets();
}

CommandResult RemoteSystem::runCommand(const CommandRequest& request) {
    CommandResult result;
    // Only the listing runs remotely; nothing else is started on either side.
    if (request.program != netstatProgram()) {
        result.status = CommandStatus::StartFailed;
        result.errorCode = ENOENT;
        return result;
    }
    const bool all = request.arguments.contains(QLatin1String("-a"));
    const QByteArray marker = newMarker();
    SshAnswer answer =
        m_transport->run(remoteScript(RemoteRequest::Listing, marker, all), request.outputCap, request.yield);
    m_listing = {};
    if (!answer.failure.isEmpty()) {
        result.exitCode = 255;
        result.failure = answer.failure;
        return result;
    }
    m_listing = parseRemoteListing(answer.output, marker);
    if (!m_listing.recognised && !answer.truncated) {
        result.exitCode = 1;
        result.failure =
            QStringLiteral("the answer of %1 is no listing (does its login shell run \"sh -s\"?)")
                .arg(remoteHostName());
        return result;
    }
    if (m_listing.complete && !m_listing.failedSteps.isEmpty() && m_listing.sockets.empty()) {
        result.exitCode = 1;
        result.failure = QStringLiteral("the listing failed on %1: %2 did not run")
                             .arg(remoteHostName(), m_listing.failedSteps.join(QStringLiteral(", ")));
        return result;
    }
    result.output = listingText(m_listing.sockets, all);
    // A listing without its last line was cut on the way: it holds only the first connections.
    result.truncated = answer.truncated || !m_listing.complete;
    return result;
}

QString RemoteSystem::netstatProgram() const {
    return QLatin1String(SshProgram);
}

// The other host has no cheap count: a tick of the timer is a refresh, one round trip.
TcpStateCounts RemoteSystem::tcpStateCounts() {
    TcpStateCounts counts;
    for (const RemoteSocket& socket : m_listing.sockets) {
        if (socket.udp)
            ++counts.udpEndpoints;
        else if (socket.state > 0 && socket.state < int(counts.byState.size()))
            ++counts.byState[std::size_t(socket.state)];
    }
    counts.connectionDigest = ++m_ticks;
    return counts;
}

std::vector<SocketEndpoint> RemoteSystem::socketEndpoints(bool listening, bool udp) {
    std::vector<SocketEndpoint> endpoints;
    for (const RemoteSocket& socket : m_listing.sockets) {
        if ((socket.udp && !udp) || (socket.state == TcpListen && !listening))
            continue;
        endpoints.push_back({socket.udp, socket.localAddress, socket.localPort, socket.remotePort,
                             socket.remoteAddress});
    }
    return endpoints;
}

std::unique_ptr<TrafficSampler> RemoteSystem::makeTrafficSampler() {
    return std::make_unique<RemoteTrafficSampler>(m_transport);
}

ConnectionClosing RemoteSystem::connectionClosing() {
    return {false,
            QStringLiteral("Not available in the window of another host (%1): it only watches it")
                .arg(remoteHostName()),
            false, {}};
}

std::unique_ptr<ConnectionRecorder> RemoteSystem::makeConnectionRecorder() {
    return std::make_unique<NoRecorder>();
}

std::vector<std::int32_t> RemoteSystem::processIds() {
    std::vector<std::int32_t> ids;
    for (auto it = m_listing.processes.cbegin(); it != m_listing.processes.cend(); ++it)
        ids.push_back(it.key());
    return ids;
}

QString RemoteSystem::processExecutablePath(std::int32_t processId, PathSource* source) {
    PathSource readFrom = PathSource::ExecutableLink;
    if (!source)
        source = &readFrom;
    *source = PathSource::ExecutableLink;
    const auto found = m_listing.processes.constFind(processId);
    if (found == m_listing.processes.cend())
        return {};
    if (!found->executable.isEmpty())
        return found->executable;
    // As on this machine: the program path the command line starts with stands in, marked.
    const QString first = found->commandLine.value_or(QString()).section(QLatin1Char(' '), 0, 0);
    if (!first.startsWith(QLatin1Char('/')))
        return {};
    *source = PathSource::CommandLine;
    return first;
}

QString RemoteSystem::processOwnerName(std::int32_t processId) {
    const auto found = m_listing.processes.constFind(processId);
    if (found == m_listing.processes.cend() || !found->userId)
        return {};
    return m_listing.userNames.value(*found->userId, QString::number(*found->userId));
}

std::optional<QString> RemoteSystem::processCommandLine(std::int32_t processId) {
    const auto found = m_listing.processes.constFind(processId);
    return found == m_listing.processes.cend() ? std::nullopt : found->commandLine;
}

std::uint64_t RemoteSystem::processStartTime(std::int32_t processId) {
    return m_listing.processes.value(processId).startTime;
}

TerminateResult RemoteSystem::terminateProcess(std::int32_t, std::optional<std::uint64_t>) {
    TerminateResult result;
    result.errorCode = EPERM; // the window of another host changes nothing there
    return result;
}

bool RemoteSystem::processHasEnded(std::int32_t processId, std::uint64_t startTime) {
    return processStartTime(processId) != startTime;
}

QString RemoteSystem::saveFile(const QString& path, const QByteArray& contents) {
    return m_local->saveFile(path, contents);
}

QString RemoteSystem::systemErrorText(int errorCode) {
    return m_local->systemErrorText(errorCode);
}

QIcon RemoteSystem::executableIcon(const QString& executablePath) {
    return m_local->executableIcon(executablePath);
}

std::optional<std::uint16_t> RemoteSystem::servicePort(const QString& serviceName) {
    return m_local->servicePort(serviceName);
}

std::optional<std::array<std::uint8_t, 4>> RemoteSystem::lookUpHostName(const QString& hostName) {
    return m_local->lookUpHostName(hostName);
}

std::optional<QString> RemoteSystem::lookUpAddress(const std::array<std::uint8_t, 4>& address) {
    return m_local->lookUpAddress(address);
}

std::optional<QString> RemoteSystem::platformVersionKey() {
    return m_local->platformVersionKey();
}

QString RemoteSystem::remoteHostName() const {
    return m_transport->settings().destination.shownName();
}

QString RemoteSystem::listingNotice() const {
    if (m_listing.droppedLines == 0)
        return {};
    return m_listing.droppedLines == 1
               ? QStringLiteral("1 line of the listing could not be read")
               : QStringLiteral("%1 lines of the listing could not be read").arg(m_listing.droppedLines);
}

} // namespace os::remote
