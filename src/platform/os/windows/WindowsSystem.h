#pragma once

#include "platform/os/OperatingSystem.h"

#include <QHash>

namespace os {

// The Windows backend: the Win32 calls of win32/ with their texts and icons turned into Qt's.
class WindowsSystem : public OperatingSystem {
public:
    WindowsSystem();
    ~WindowsSystem() override;

    CommandResult runCommand(const CommandRequest& request) override;
    QString netstatProgram() const override;
    TcpStateCounts tcpStateCounts() override;
    std::vector<SocketEndpoint> socketEndpoints(bool listening, bool udp) override;
    std::unique_ptr<TrafficSampler> makeTrafficSampler() override;
    std::unique_ptr<ConnectionRecorder> makeConnectionRecorder() override;
    std::vector<std::int32_t> processIds() override;
    QString processExecutablePath(std::int32_t processId, PathSource* source = nullptr) override;
    QString processOwnerName(std::int32_t processId) override;
    std::optional<QString> processCommandLine(std::int32_t processId) override;
    std::uint64_t processStartTime(std::int32_t processId) override;
    std::vector<ProcessService> processServices(const std::vector<std::int32_t>& processIds) override;
    TerminateResult terminateProcess(std::int32_t processId,
                                     std::optional<std::uint64_t> startTime = std::nullopt) override;
    bool processHasEnded(std::int32_t processId, std::uint64_t startTime) override;
    QString saveFile(const QString& path, const QByteArray& contents) override;
    ConnectionClosing connectionClosing() override;
    CloseResult closeConnection(const ConnectionEnds& ends) override;
    QString systemErrorText(int errorCode) override;
    QIcon executableIcon(const QString& executablePath) override;
    std::optional<std::uint16_t> servicePort(const QString& serviceName) override;
    std::optional<std::array<std::uint8_t, 4>> lookUpHostName(const QString& hostName) override;
    std::optional<QString> lookUpAddress(const std::array<std::uint8_t, 4>& address) override;
    std::optional<QString> platformVersionKey() override;

private:
    // Icons by path: the shell's extraction costs milliseconds, and a refresh asks for every row.
    QHash<QString, QIcon> m_icons;
};

// The companion command's file name, in the program's own folder.
inline constexpr char CompanionProgramName[] = "tavren-netstat-cli.exe";

} // namespace os
