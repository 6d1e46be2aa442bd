#pragma once

#include "platform/os/OperatingSystem.h"
#include "platform/os/linux/TcpStateCounter.h"

#include <QHash>

#include <memory>

namespace os {
namespace linuxbackend {
class ExecutableIcons;
}

// The operating-system layer on Linux: /proc for processes, netlink for the TCP table,
// signals for ending processes, the companion command for the connection listing.
class LinuxSystem : public OperatingSystem {
public:
    // procRoot lets tests point the process and socket scans at recorded files.
    explicit LinuxSystem(QString procRoot = QStringLiteral("/proc"));
    ~LinuxSystem() override;

    CommandResult runCommand(const CommandRequest& request) override;
    QString netstatProgram() const override;
    TcpStateCounts tcpStateCounts() override;
    std::vector<SocketEndpoint> socketEndpoints(bool listening, bool udp) override;
    std::vector<SocketEndpoint> listeningEndpoints() override;
    std::unique_ptr<TrafficSampler> makeTrafficSampler() override;
    std::unique_ptr<ConnectionRecorder> makeConnectionRecorder() override;
    std::vector<std::int32_t> processIds() override;
    QString processExecutablePath(std::int32_t processId, PathSource* source = nullptr) override;
    QString processOwnerName(std::int32_t processId) override;
    std::optional<QString> processCommandLine(std::int32_t processId) override;
    std::uint64_t processStartTime(std::int32_t processId) override;
    // In ControlGroups.cpp, with the rules that name a control group.
    std::vector<ProcessService> processServices(const std::vector<std::int32_t>& processIds) override;
    bool hasOtherNetworkNamespaces() const override;
    TerminateResult terminateProcess(std::int32_t processId, std::optional<std::uint64_t> startTime) override;
    bool processHasEnded(std::int32_t processId, std::uint64_t startTime) override;
    QString saveFile(const QString& path, const QByteArray& contents) override;
    ConnectionClosing connectionClosing() override; // in LinuxConnectionClosing.cpp
    CloseResult closeConnection(const ConnectionEnds& ends) override;
    QString systemErrorText(int errorCode) override;
    QIcon executableIcon(const QString& executablePath) override;
    std::optional<std::uint16_t> servicePort(const QString& serviceName) override;
    std::optional<std::array<std::uint8_t, 4>> lookUpHostName(const QString& hostName) override;
    std::optional<QString> lookUpAddress(const std::array<std::uint8_t, 4>& address) override;
    std::optional<QString> platformVersionKey() override;

private:
    // The TCP sockets in the kernel states of the mask, and with udp every UDP socket.
    std::vector<SocketEndpoint> endpointsIn(std::uint32_t states, bool udp);
    QString visibleProcessName(std::int32_t processId, PathSource& source) const;

    QString m_procRoot;
    // The services database, read once: it is asked for every named port of every refresh.
    std::optional<QHash<QString, std::uint16_t>> m_servicePorts;
    linuxbackend::TcpStateCounter m_tcpCounter;
    sockets::NetlinkTcpDumper m_endpointDumper;
    // Starts reading the desktop entries for the list's icons as the program starts.
    std::unique_ptr<linuxbackend::ExecutableIcons> m_icons;
};

// The companion command's file name, and the closing helper's.
inline constexpr char NetstatProgramName[] = "tavren-netstat-cli";
inline constexpr char CloseProgramName[] = "tavren-netstat-close";

// The companion command (or another helper) of a program in programFolder: beside it when it is there (a build
// tree), else in the installed libexec folder (../libexec/tavren-netstat/ from bin/). Only these two places
// are tried, never the search path, so another file of the same name cannot stand in for it.
QString companionCommandIn(const QString& programFolder, const char* programName = NetstatProgramName);

} // namespace os
