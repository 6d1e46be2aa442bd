#include "connectionlist/ConnectionLister.h"

#include "ListingText.h"
#include "connectionlist/ShownText.h"
#include "platform/os/Backend.h"
#include "platform/os/OperatingSystem.h"
#include "snapshot/ProcessPaths.h"
#include "snapshot/SocketMatching.h"

#include <QHash>

namespace connectionlist {
namespace {

const QString UnknownFile = QStringLiteral("Unknown");
const QString HostNamespace = QStringLiteral("host");

// The row text of a path: what follows its last separator. Paths from Windows use "\",
// paths on Linux "/"; either ends the folder part.
QString fileNameOf(const QString& path) {
    const qsizetype separator =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return separator < 0 ? path : path.mid(separator + 1);
}

ConnectionKey keyOf(const ConnectionRecord& record, const ConnectionRow& row) {
    ConnectionKey key;
    key.udp = row.protocol == QLatin1String("UDP");
    bool remoteIpv6 = false;
    const bool local = os::numericAddressBytes(record.LocalHost, key.ipv6, key.localAddress);
    const bool remote = os::numericAddressBytes(record.RemoteAddress, remoteIpv6, key.remoteAddress);
    key.localPort = row.localPort.value_or(0);
    key.remotePort = row.remotePort.value_or(0);
    if (!local || !remote || !row.localPort || !row.remotePort)
        key.unresolvedEnds = record.LocalHost + QLatin1Char(' ') + record.LocalPort + QLatin1Char(' ') +
                             record.RemoteHost + QLatin1Char(' ') + record.RemotePort;
    key.processId = record.ProcessId;
    key.processStartTime = record.ProcessStartTime;
    key.netNamespace = record.NetNamespace;
    return key;
}

// The numbered state of a state word of the listing ("ESTABLISHED" is 5); 0 for none.
int stateOfWord(const QString& word) {
    for (int state = os::TcpClosed; state <= os::TcpDeleteTcb; ++state)
        if (word == QLatin1String(listing::stateWord(state)))
            return state;
    return 0;
}

} // namespace

ConnectionLister::ConnectionLister(os::OperatingSystem& system, ConnectionSnapshot& snapshot)
    : m_system(system), m_snapshot(snapshot) {}

std::optional<Listing> ConnectionLister::list(const ListingChoice& choice, const Callbacks& callbacks) {
    Listing listing;
    const bool readNamespaces = choice.readNamespaces && m_system.hasOtherNetworkNamespaces();
    QString output =
        RunNetstatCommand(m_system, callbacks.commandYield, &listing.failure, &listing.cut,
                          {choice.kinds.listening || choice.kinds.udp, choice.numeric, readNamespaces});
    if (!callbacks.stillWanted() || !callbacks.stageDone(4))
        return std::nullopt;

    ParseNetstatOutput(m_snapshot, output, callbacks.pacedYield, choice.kinds);
    if (!callbacks.stillWanted())
        return std::nullopt;
    // Asked before the other namespaces' rows go: their processes name them in the counts too.
    QHash<std::int32_t, os::ProcessService> services = readServices();
    if (readNamespaces)
        countNamespaces(choice.showNamespaces, listing.namespaceCounts, services);
    const std::vector<os::SocketEndpoint> endpoints =
        needsSocketEndpoints(m_snapshot) ? m_system.socketEndpoints(choice.kinds.listening, choice.kinds.udp)
                                         : std::vector<os::SocketEndpoint>();
    matchSocketEndpoints(m_snapshot, endpoints, [this](const QString& name) { return m_system.servicePort(name); });
    listing.ownerless = m_snapshot.Ownerless;
    if (!callbacks.stageDone(6))
        return std::nullopt;

    ResolveProcessPaths(m_snapshot, m_system, callbacks.pacedYield);
    if (!callbacks.stillWanted() || !callbacks.stageDone(8))
        return std::nullopt;

    std::optional<std::vector<ConnectionRow>> rows = buildRows(callbacks, services);
    if (!rows)
        return std::nullopt;
    listing.rows = std::move(*rows);
    return listing;
}

QHash<std::int32_t, os::ProcessService> ConnectionLister::readServices() const {
    QList<std::int32_t> asked = m_snapshot.NamespaceProcesses.values();
    const int count = std::clamp(m_snapshot.ConnectionCount, 0, m_snapshot.ConnectionTable.size());
    for (int i = 0; i < count; ++i)
        asked << m_snapshot.ConnectionTable.at(i)->ProcessId;
    std::sort(asked.begin(), asked.end());
    asked.erase(std::unique(asked.begin(), asked.end()), asked.end());
    const std::vector<std::int32_t> processIds(asked.cbegin(), asked.cend());
    const std::vector<os::ProcessService> answers = m_system.processServices(processIds);
    QHash<std::int32_t, os::ProcessService> services;
    for (std::size_t i = 0; i < processIds.size() && i < answers.size(); ++i)
        // Control groups are named by whoever may make them, as freely as programs are.
        services.insert(processIds[i], {shownText(answers[i].name), shownText(answers[i].detail)});
    return services;
}

void ConnectionLister::countNamespaces(bool shown, std::vector<Listing::NamespaceCount>& counts,
                                       const QHash<std::int32_t, os::ProcessService>& services) {
    m_namespaceNames.clear();
    QHash<std::uint64_t, std::size_t> places{{0, 0}};
    counts = {{HostNamespace, 0, true}};
    for (auto it = m_snapshot.NamespaceProcesses.cbegin(); it != m_snapshot.NamespaceProcesses.cend(); ++it) {
        const QString service = services.value(it.value()).name;
        m_namespaceNames.insert(it.key(),
                                service.isEmpty() ? QStringLiteral("net:[%1]").arg(it.key()) : service);
    }
    // By name, so that the counts keep their order from one refresh to the next.
    QList<std::uint64_t> others = m_namespaceNames.keys();
    std::sort(others.begin(), others.end(), [this](std::uint64_t left, std::uint64_t right) {
        return std::pair(m_namespaceNames.value(left), left) <
               std::pair(m_namespaceNames.value(right), right);
    });
    for (const std::uint64_t inode : others) {
        places.insert(inode, counts.size());
        counts.push_back({m_namespaceNames[inode], 0, shown});
    }
    // The records of the namespaces not shown go; the others keep their order.
    int kept = 0;
    const int count = std::clamp(m_snapshot.ConnectionCount, 0, m_snapshot.ConnectionTable.size());
    for (int i = 0; i < count; ++i) {
        ConnectionRecord* record = m_snapshot.ConnectionTable.at(i);
        ++counts[places.value(record->NetNamespace, 0)].connections;
        if (!shown && record->NetNamespace != 0)
            continue;
        if (kept != i)
            std::swap(*m_snapshot.ConnectionTable.at(kept), *record);
        ++kept;
    }
    m_snapshot.ConnectionCount = kept;
}

std::optional<std::vector<ConnectionRow>>
ConnectionLister::buildRows(const Callbacks& callbacks,
                            const QHash<std::int32_t, os::ProcessService>& services) {
    // Many rows share an owner: each process is asked once per refresh.
    struct Owner {
        QString user;
        std::optional<QString> commandLine;
    };
    QHash<std::int32_t, Owner> owners;
    const auto ownerOf = [this, &owners](std::int32_t processId) -> const Owner& {
        auto found = owners.constFind(processId);
        if (found == owners.cend()) {
            std::optional<QString> commandLine = m_system.processCommandLine(processId);
            if (commandLine)
                *commandLine = shownText(*commandLine);
            found = owners.insert(processId,
                                  Owner{shownText(m_system.processOwnerName(processId)), std::move(commandLine)});
        }
        return *found;
    };
    // Rows of one program share its file name and path rather than each holding a copy.
    struct Program {
        QString fileName, shownPath;
    };
    QHash<QString, Program> programs;
    const PortOfName portOfName = [this](const QString& name) { return m_system.servicePort(name); };

    const int count = std::clamp(m_snapshot.ConnectionCount, 0, m_snapshot.ConnectionTable.size());
    std::vector<ConnectionRow> rows;
    rows.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const ConnectionRecord& record = *m_snapshot.ConnectionTable.at(i);
        auto program = programs.constFind(record.ImagePath);
        if (program == programs.cend())
            // Every text comes from other programs, the path and name from the owning process.
            program = programs.insert(record.ImagePath,
                                      Program{fileNameOf(shownText(record.ImagePath)),
                                              shownPath(record.ImagePath, record.ImagePathSource)});
        // A connection no visible process holds has no owner to ask about.
        static const Owner nobody;
        const Owner& owner = record.ProcessId > 0 ? ownerOf(record.ProcessId) : nobody;

        ConnectionRow& row = rows.emplace_back();
        row.localPort = portNumber(record.LocalPort, portOfName);
        row.remotePort = portNumber(record.RemotePort, portOfName);
        row.remoteAddress = record.RemoteAddress;
        row.processId = record.ProcessId;
        row.processStartTime = record.ProcessStartTime;
        row.fileName = record.ImagePath.isEmpty() ? UnknownFile : program->fileName;
        row.localPortText = shownText(record.LocalPort);
        row.remoteHost = shownText(record.RemoteHost);
        row.remotePortText = shownText(record.RemotePort);
        row.stateText = shownText(record.State);
        row.localAddressText = shownText(record.LocalHost);
        row.protocol = shownText(record.Protocol);
        row.user = owner.user;
        row.commandLine = owner.commandLine;
        const os::ProcessService service = services.value(record.ProcessId);
        row.service = service.name;
        row.serviceDetail = service.detail;
        row.netNamespace =
            record.NetNamespace == 0 ? HostNamespace : m_namespaceNames.value(record.NetNamespace);
        row.programPath = record.ImagePath;
        row.programPathSource = record.ImagePathSource;
        row.shownPath = program->shownPath;
        row.state = stateOfWord(record.State);
        row.key = keyOf(record, row);
        row.trafficEnds = trafficEndsOf(record, portOfName);
        yieldTo(callbacks.pacedYield);
        if (!callbacks.stillWanted())
            return std::nullopt;
    }
    return rows;
}

} // namespace connectionlist
