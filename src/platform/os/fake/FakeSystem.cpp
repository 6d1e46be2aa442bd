#include "platform/os/fake/FakeSystem.h"

#include "platform/os/Backend.h"

namespace os {

std::uint32_t FakeSystem::addressKey(const std::array<std::uint8_t, 4>& address) {
    return (std::uint32_t(address[0]) << 24) | (std::uint32_t(address[1]) << 16) |
           (std::uint32_t(address[2]) << 8) | std::uint32_t(address[3]);
}

CommandResult FakeSystem::runCommand(const CommandRequest& request) {
    commandRequests.append(request);
    if (onRunCommand)
        onRunCommand(request);
    if (!commandResults.isEmpty())
        return commandResults.takeFirst();
    return defaultCommandResult;
}

QString FakeSystem::netstatProgram() const {
    return netstatProgramPath;
}

TcpStateCounts FakeSystem::tcpStateCounts() {
    ++tcpStateCountCalls;
    return tcpCounts;
}

std::vector<SocketEndpoint> FakeSystem::socketEndpoints(bool listening, bool udp) {
    Q_UNUSED(listening);
    ++endpointCalls;
    std::vector<SocketEndpoint> asked;
    for (const SocketEndpoint& endpoint : endpoints)
        if (udp || !endpoint.udp)
            asked.push_back(endpoint);
    return asked;
}

std::unique_ptr<TrafficSampler> FakeSystem::makeTrafficSampler() {
    auto sampler = std::make_unique<FakeTrafficSampler>(trafficSamples, trafficPlaysItself);
    m_trafficSampler = sampler.get();
    return sampler;
}

bool FakeSystem::playTrafficSample() {
    return m_trafficSampler && m_trafficSampler->play();
}

std::unique_ptr<ConnectionRecorder> FakeSystem::makeConnectionRecorder() {
    auto recorder = std::make_unique<FakeConnectionRecorder>();
    m_connectionRecorder = recorder.get();
    return recorder;
}

std::vector<std::int32_t> FakeSystem::processIds() {
    ++processIdCalls;
    return processIdList;
}

QString FakeSystem::processExecutablePath(std::int32_t processId, PathSource* source) {
    executablePathRequests.append(processId);
    if (source)
        *source = pathSources.value(processId, PathSource::ExecutableLink);
    return executablePaths.value(processId);
}

QString FakeSystem::processOwnerName(std::int32_t processId) {
    return ownerNames.value(processId);
}

std::optional<QString> FakeSystem::processCommandLine(std::int32_t processId) {
    const auto found = commandLines.constFind(processId);
    return found == commandLines.cend() ? std::nullopt : std::optional<QString>(*found);
}

std::vector<ProcessService> FakeSystem::processServices(const std::vector<std::int32_t>& processIds) {
    std::vector<ProcessService> answers;
    for (const std::int32_t processId : processIds)
        answers.push_back(services.value(processId));
    return answers;
}

std::uint64_t FakeSystem::processStartTime(std::int32_t processId) {
    return startTimes.value(processId, 0);
}

TerminateResult FakeSystem::terminateProcess(std::int32_t processId, std::optional<std::uint64_t> startTime) {
    terminateRequests.append(processId);
    if (startTime && startTimes.value(processId, 0) != *startTime) {
        TerminateResult gone;
        gone.alreadyEnded = true;
        return gone;
    }
    const TerminateResult result = terminateResults.value(processId, defaultTerminateResult);
    if (result.signalled)
        signalled.append(processId);
    return result;
}

bool FakeSystem::processHasEnded(std::int32_t processId, std::uint64_t startTime) {
    Q_UNUSED(startTime);
    ++endChecks;
    const int after = endsAfterChecks.value(processId, 0);
    if (after < 0)
        return false;
    return signalled.count(processId) > 0 && m_endChecks[processId]++ >= after;
}

QString FakeSystem::saveFile(const QString& path, const QByteArray& contents) {
    return saveFileContents(path, contents);
}

QString FakeSystem::systemErrorText(int errorCode) {
    auto it = errorTexts.constFind(errorCode);
    if (it != errorTexts.constEnd())
        return *it;
    return QStringLiteral("System error %1").arg(errorCode);
}

QIcon FakeSystem::executableIcon(const QString& executablePath) {
    iconRequests.append(executablePath);
    return icons.value(executablePath, defaultIcon);
}

std::optional<std::uint16_t> FakeSystem::servicePort(const QString& serviceName) {
    auto it = servicePorts.constFind(serviceName);
    return it == servicePorts.constEnd() ? std::nullopt : std::optional<std::uint16_t>(*it);
}

std::optional<std::array<std::uint8_t, 4>> FakeSystem::lookUpHostName(const QString& hostName) {
    hostNameRequests.append(hostName);
    auto it = hostAddresses.constFind(hostName);
    if (it == hostAddresses.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<QString> FakeSystem::lookUpAddress(const std::array<std::uint8_t, 4>& address) {
    addressRequests.append(address);
    auto it = hostNames.constFind(addressKey(address));
    if (it == hostNames.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<QString> FakeSystem::platformVersionKey() {
    ++versionKeyCalls;
    return versionKey;
}

} // namespace os
