#pragma once

#include "platform/os/OperatingSystem.h"
#include "platform/os/fake/FakeConnectionRecorder.h"
#include "platform/os/fake/FakeTrafficSampler.h"

#include <QHash>
#include <QList>
#include <QPointer>

#include <functional>

namespace os {

// A scripted operating system for tests: every answer is a public member that a test sets
// beforehand, and every call is recorded so that a test can check what was asked.
class FakeSystem : public OperatingSystem {
public:
    // runCommand: answers from the queue in order; once it is empty, with defaultCommandResult.
    QList<CommandResult> commandResults;
    CommandResult defaultCommandResult;
    QList<CommandRequest> commandRequests;
    // Runs inside runCommand, before it answers (for instance to check what a yield saw).
    std::function<void(const CommandRequest&)> onRunCommand;

    QString netstatProgramPath = QStringLiteral("/opt/tavren/tavren-netstat-cli");

    TcpStateCounts tcpCounts;
    int tcpStateCountCalls = 0;

    // socketEndpoints: these (the UDP ones only when UDP is asked for); each call is counted.
    std::vector<SocketEndpoint> endpoints;
    int endpointCalls = 0;

    // makeTrafficSampler: a sampler that plays these, one per playTrafficSample(), or one per
    // interval by itself when trafficPlaysItself is set before it is made.
    QList<TrafficSample> trafficSamples;
    bool trafficPlaysItself = false;
    // The last sampler made publishes its next sample; false when none runs.
    bool playTrafficSample();
    FakeTrafficSampler* trafficSampler() const { return m_trafficSampler; }
    // makeConnectionRecorder: a recorder that hands over what a test feeds it.
    FakeConnectionRecorder* connectionRecorder() const { return m_connectionRecorder; }

    std::vector<std::int32_t> processIdList;
    int processIdCalls = 0;
    // processExecutablePath: an id missing from the map has no readable path.
    QHash<std::int32_t, QString> executablePaths;
    QList<std::int32_t> executablePathRequests;
    // Where each path was read; an id missing from the map has it from the executable link.
    QHash<std::int32_t, PathSource> pathSources;

    // processOwnerName: an id missing from the map cannot be seen.
    QHash<std::int32_t, QString> ownerNames;

    // processCommandLine: an id missing from the map shows no command line.
    QHash<std::int32_t, QString> commandLines;

    // processServices: an id missing from the map has none. hasOtherNetworkNamespaces answers
    // otherNamespaces.
    QHash<std::int32_t, ProcessService> services;
    bool otherNamespaces = false;

    // processStartTime: an id missing from the map has no process (0). A test that changes an
    // id's start time plays a process that ended and whose id went to a new one.
    QHash<std::int32_t, std::uint64_t> startTimes;

    // terminateProcess: an id missing from the map fails with defaultTerminateResult. A
    // request with a start time other than the id's current one does nothing and reports
    // the process as already ended. Ids the fake really told to end go to `signalled`.
    QHash<std::int32_t, TerminateResult> terminateResults;
    TerminateResult defaultTerminateResult{false, 3};
    QList<std::int32_t> terminateRequests;
    QList<std::int32_t> signalled;

    // processHasEnded: a process told to end is gone once asked about this many times
    // (0: at the first question; -1: never). An id missing from the map counts as 0.
    QHash<std::int32_t, int> endsAfterChecks;
    int endChecks = 0;

    // saveFile: writes the real file as the Linux backend does, so tests read back what landed.

    // systemErrorText: a code missing from the map reads "System error N".
    QHash<int, QString> errorTexts;

    // executableIcon: a path missing from the map gets defaultIcon.
    QHash<QString, QIcon> icons;
    QIcon defaultIcon;
    QStringList iconRequests;

    // servicePort: a name missing from the map is no service.
    QHash<QString, std::uint16_t> servicePorts;

    // Name lookups: a name or address missing from the map is unknown.
    QHash<QString, std::array<std::uint8_t, 4>> hostAddresses;
    QHash<std::uint32_t, QString> hostNames; // key: the four bytes read big-endian
    QStringList hostNameRequests;
    QList<std::array<std::uint8_t, 4>> addressRequests;

    // platformVersionKey: answers this (nothing: the query fails) and counts the calls.
    std::optional<QString> versionKey;
    int versionKeyCalls = 0;

    static std::uint32_t addressKey(const std::array<std::uint8_t, 4>& address);

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
    bool hasOtherNetworkNamespaces() const override { return otherNamespaces; }
    TerminateResult terminateProcess(std::int32_t processId, std::optional<std::uint64_t> startTime) override;
    bool processHasEnded(std::int32_t processId, std::uint64_t startTime) override;
    QString saveFile(const QString& path, const QByteArray& contents) override;
    QString systemErrorText(int errorCode) override;
    QIcon executableIcon(const QString& executablePath) override;
    std::optional<std::uint16_t> servicePort(const QString& serviceName) override;
    std::optional<std::array<std::uint8_t, 4>> lookUpHostName(const QString& hostName) override;
    std::optional<QString> lookUpAddress(const std::array<std::uint8_t, 4>& address) override;
    std::optional<QString> platformVersionKey() override;

private:
    QHash<std::int32_t, int> m_endChecks;
    QPointer<FakeTrafficSampler> m_trafficSampler;
    QPointer<FakeConnectionRecorder> m_connectionRecorder;
};

} // namespace os
