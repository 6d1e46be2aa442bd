#include "platform/os/windows/WindowsSystem.h"

#include "platform/os/Backend.h"
#include "platform/os/ConnectionDigest.h"
#include "platform/os/windows/NoTrafficSampler.h"
#include "platform/os/windows/VanishedRecorder.h"
#include "platform/os/windows/win32/Win32Api.h"

#include <QDir>
#include <QImage>
#include <QPixmap>

#include <windows.h>

namespace os {

namespace {

std::wstring wide(const QString& text) {
    return text.toStdWString();
}

QString fromWide(const std::wstring& text) {
    return QString::fromStdWString(text);
}

CommandStatus statusOf(win32::ChildStatus status) {
    switch (status) {
    case win32::ChildStatus::Finished: return CommandStatus::Finished;
    case win32::ChildStatus::PipeFailed: return CommandStatus::PipeFailed;
    case win32::ChildStatus::StartFailed: return CommandStatus::StartFailed;
    case win32::ChildStatus::ReadFailed: return CommandStatus::ReadFailed;
    case win32::ChildStatus::TimedOut: return CommandStatus::TimedOut;
    }
    return CommandStatus::ReadFailed;
}

bool isActive(int state) {
    return state != TcpClosed && state != TcpListen && state != TcpTimeWait;
}

} // namespace

WindowsSystem::WindowsSystem() = default;
WindowsSystem::~WindowsSystem() = default;

CommandResult WindowsSystem::runCommand(const CommandRequest& request) {
    win32::ChildRequest child;
    child.program = wide(QDir::toNativeSeparators(request.program));
    for (const QString& argument : request.arguments)
        child.arguments.push_back(wide(argument));
    child.timeout = request.timeout;
    child.outputCap = std::size_t(std::max<qsizetype>(request.outputCap, 0));
    child.yield = request.yield;
    child.yieldInterval = request.yieldInterval;
    const win32::ChildResult ran = win32::runChild(child);
    CommandResult result;
    result.status = statusOf(ran.status);
    result.errorCode = int(ran.errorCode);
    result.output = QByteArray(ran.output.data(), qsizetype(ran.output.size()));
    result.truncated = ran.truncated;
    result.exitCode = int(ran.exitCode);
    return result;
}

QString WindowsSystem::netstatProgram() const {
#ifdef TAVREN_COMPANION_NETSTAT
    // Builds for testing under Wine, whose own netstat cannot show owners, list through the
    // companion command beside the program.
    return QDir(fromWide(win32::executableFolder())).absoluteFilePath(QLatin1String(CompanionProgramName));
#else
    // The system's own command, named in full: a netstat.exe in the current folder or early
    // on the search path must not stand in for it.
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return QDir(QString::fromWCharArray(folder, int(length))).absoluteFilePath(QStringLiteral("netstat.exe"));
#endif
}

TcpStateCounts WindowsSystem::tcpStateCounts() {
    std::vector<win32::TableSocket> sockets;
    win32::readSocketTables(win32::TcpConnections | win32::TcpListening | win32::UdpEndpoints, sockets);
    TcpStateCounts counts;
    for (const win32::TableSocket& socket : sockets) {
        if (socket.udp) {
            ++counts.udpEndpoints;
            continue;
        }
        if (socket.state <= 0 || socket.state >= int(counts.byState.size()))
            continue;
        ++counts.byState[std::size_t(socket.state)];
        if (isActive(socket.state))
            counts.connectionDigest += connectionHash(socket.ipv6 ? 6 : 4, socket.state, socket.localPort,
                                                      socket.remotePort, socket.localAddress, socket.remoteAddress);
    }
    return counts;
}

std::vector<SocketEndpoint> WindowsSystem::socketEndpoints(bool listening, bool udp) {
    std::vector<win32::TableSocket> sockets;
    win32::readSocketTables(win32::TcpConnections | (listening ? win32::TcpListening : 0u) |
                                (udp ? win32::UdpEndpoints : 0u),
                            sockets);
    std::vector<SocketEndpoint> endpoints;
    endpoints.reserve(sockets.size());
    for (const win32::TableSocket& socket : sockets)
        endpoints.push_back({socket.udp, QString::fromStdString(win32::numericAddress(socket.ipv6, socket.localAddress)),
                             socket.localPort, socket.remotePort,
                             QString::fromStdString(win32::numericAddress(socket.ipv6, socket.remoteAddress))});
    return endpoints;
}

std::unique_ptr<TrafficSampler> WindowsSystem::makeTrafficSampler() {
    return std::make_unique<windowsbackend::NoTrafficSampler>();
}

std::unique_ptr<ConnectionRecorder> WindowsSystem::makeConnectionRecorder() {
    return std::make_unique<windowsbackend::VanishedRecorder>();
}

std::vector<std::int32_t> WindowsSystem::processIds() {
    std::vector<std::int32_t> ids;
    for (std::uint32_t id : win32::processIds())
        if (id <= 0x7fffffffu)
            ids.push_back(std::int32_t(id));
    return ids;
}

QString WindowsSystem::processExecutablePath(std::int32_t processId, PathSource* source) {
    // The image path is the kernel's own record of what runs; a process cannot choose it.
    if (source)
        *source = PathSource::ExecutableLink;
    return processId < 0 ? QString() : fromWide(win32::processImagePath(std::uint32_t(processId)));
}

QString WindowsSystem::processOwnerName(std::int32_t processId) {
    return processId < 0 ? QString() : fromWide(win32::processOwner(std::uint32_t(processId)));
}

std::optional<QString> WindowsSystem::processCommandLine(std::int32_t processId) {
    const auto line = processId <= 0 ? std::nullopt : win32::processCommandLine(std::uint32_t(processId));
    return line ? std::optional<QString>(fromWide(*line)) : std::nullopt;
}

std::vector<ProcessService> WindowsSystem::processServices(const std::vector<std::int32_t>& processIds) {
    const std::unordered_map<std::uint32_t, std::wstring> hosted = win32::servicesByProcess();
    std::vector<ProcessService> services(processIds.size());
    for (std::size_t i = 0; i < processIds.size(); ++i)
        if (const auto found = hosted.find(std::uint32_t(processIds[i]));
            processIds[i] > 0 && found != hosted.end())
            services[i].name = fromWide(found->second);
    return services;
}

std::uint64_t WindowsSystem::processStartTime(std::int32_t processId) {
    return processId <= 0 ? 0 : win32::processCreationTime(std::uint32_t(processId));
}

TerminateResult WindowsSystem::terminateProcess(std::int32_t processId, std::optional<std::uint64_t> startTime) {
    TerminateResult result;
    if (processId <= 0) {
        result.errorCode = ERROR_INVALID_PARAMETER;
        return result;
    }
    const win32::EndResult ended = win32::endProcess(std::uint32_t(processId), startTime);
    result.signalled = ended.ended;
    result.errorCode = int(ended.errorCode);
    result.alreadyEnded = ended.alreadyEnded;
    return result;
}

bool WindowsSystem::processHasEnded(std::int32_t processId, std::uint64_t startTime) {
    return processId <= 0 || win32::processHasEnded(std::uint32_t(processId), startTime);
}

QString WindowsSystem::saveFile(const QString& path, const QByteArray& contents) {
    return saveFileContents(path, contents);
}

// The system's table deletes IPv4 connections only; a refusal (it needs an administrator)
// comes as the system's own words.
ConnectionClosing WindowsSystem::connectionClosing() {
    return {true, {}, false, QStringLiteral("Windows can close IPv4 connections only; this one is IPv6.")};
}

CloseResult WindowsSystem::closeConnection(const ConnectionEnds& ends) {
    if (ends.ipv6)
        return {false, connectionClosing().ipv6Reason};
    const std::uint32_t error =
        win32::deleteTcpConnection(ends.localAddress, ends.localPort, ends.remoteAddress, ends.remotePort);
    return error == 0 ? CloseResult{true, {}} : CloseResult{false, systemErrorText(int(error))};
}

QString WindowsSystem::systemErrorText(int errorCode) {
    const QString text = fromWide(win32::errorMessage(std::uint32_t(errorCode)));
    return text.isEmpty() ? QStringLiteral("Unknown error %1").arg(errorCode) : text;
}

QIcon WindowsSystem::executableIcon(const QString& executablePath) {
    const auto cached = m_icons.constFind(executablePath);
    if (cached != m_icons.cend())
        return *cached;
    QIcon icon;
    for (bool large : {false, true}) {
        void* handle = win32::executableIconHandle(wide(QDir::toNativeSeparators(executablePath)), large);
        if (!handle)
            continue;
        const QImage image = QImage::fromHICON(static_cast<HICON>(handle));
        win32::destroyIconHandle(handle);
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    m_icons.insert(executablePath, icon);
    return icon;
}

std::optional<std::uint16_t> WindowsSystem::servicePort(const QString& serviceName) {
    return win32::servicePort(serviceName.toStdString());
}

std::optional<std::array<std::uint8_t, 4>> WindowsSystem::lookUpHostName(const QString& hostName) {
    return win32::lookUpHostName(hostName.toStdString());
}

std::optional<QString> WindowsSystem::lookUpAddress(const std::array<std::uint8_t, 4>& address) {
    const auto name = win32::lookUpAddress(address);
    return name ? std::optional<QString>(QString::fromStdString(*name)) : std::nullopt;
}

std::optional<QString> WindowsSystem::platformVersionKey() {
    const auto version = win32::kernelVersion();
    if (!version)
        return std::nullopt;
    return QStringLiteral("%1.%2.%3").arg((*version)[0]).arg((*version)[1]).arg((*version)[2]);
}

// ---- What the build asks of every backend ---------------------------------------------

std::unique_ptr<OperatingSystem> makeSystem() {
    return std::make_unique<WindowsSystem>();
}

QString saveFileContents(const QString& path, const QByteArray& contents) {
    const auto failure =
        win32::saveFile(wide(QDir::toNativeSeparators(path)), std::string(contents.constData(), std::size_t(contents.size())));
    if (!failure)
        return {};
    if (!failure->reason.empty())
        return QString::fromStdString(failure->reason);
    const QString text = fromWide(win32::errorMessage(failure->errorCode));
    return text.isEmpty() ? QStringLiteral("Unknown error %1").arg(failure->errorCode) : text;
}

bool numericAddressBytes(const QString& text, bool& ipv6, std::array<std::uint8_t, 16>& bytes) {
    // A link-local address carries its zone ("fe80::1%12"); the bytes are the address's own.
    const std::string address = text.toStdString();
    if (win32::parseNumericAddress(address, ipv6, bytes))
        return true;
    const std::size_t zone = address.find('%');
    return zone != std::string::npos && win32::parseNumericAddress(address.substr(0, zone), ipv6, bytes) && ipv6;
}

} // namespace os
