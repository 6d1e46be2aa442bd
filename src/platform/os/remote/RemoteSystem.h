#pragma once

#include "platform/os/OperatingSystem.h"
#include "platform/os/remote/RemoteListing.h"
#include "platform/os/remote/SshTransport.h"

#include <memory>

namespace os::remote {

// The operating-system layer of another Linux host, reached over OpenSSH. The listing command
// is the remote script: its answer is read into sockets and processes, and handed to the
// program as the companion command's numeric listing, so that the window works as for this
// machine. What needs no other host (icons, saving files, names of this machine's services)
// is this machine's. Nothing here changes the other host.
class RemoteSystem : public OperatingSystem {
public:
    RemoteSystem(SshSettings settings, std::unique_ptr<OperatingSystem> local);

    CommandResult runCommand(const CommandRequest& request) override;
    QString netstatProgram() const override;
    TcpStateCounts tcpStateCounts() override;
    std::vector<SocketEndpoint> socketEndpoints(bool listening, bool udp) override;
    std::unique_ptr<TrafficSampler> makeTrafficSampler() override;
    std::unique_ptr<ConnectionRecorder> makeConnectionRecorder() override;
    // A window of another host only watches it: nothing there is closed from here.
    ConnectionClosing connectionClosing() override;
    std::vector<std::int32_t> processIds() override;
    QString processExecutablePath(std::int32_t processId, PathSource* source = nullptr) override;
    QString processOwnerName(std::int32_t processId) override;
    std::optional<QString> processCommandLine(std::int32_t processId) override;
    std::uint64_t processStartTime(std::int32_t processId) override;
    TerminateResult terminateProcess(std::int32_t processId, std::optional<std::uint64_t> startTime) override;
    bool processHasEnded(std::int32_t processId, std::uint64_t startTime) override;
    QString saveFile(const QString& path, const QByteArray& contents) override;
    QString systemErrorText(int errorCode) override;
    QIcon executableIcon(const QString& executablePath) override;
    std::optional<std::uint16_t> servicePort(const QString& serviceName) override;
    std::optional<std::array<std::uint8_t, 4>> lookUpHostName(const QString& hostName) override;
    std::optional<QString> lookUpAddress(const std::array<std::uint8_t, 4>& address) override;
    std::optional<QString> platformVersionKey() override;
    QString remoteHostName() const override;
    QString listingNotice() const override;

    const SshTransport& transport() const { return *m_transport; }

private:
    std::shared_ptr<SshTransport> m_transport; // shared with the traffic sampler's thread
    std::unique_ptr<OperatingSystem> m_local;
    RemoteListing m_listing;
    std::uint64_t m_ticks = 0;
};

} // namespace os::remote
