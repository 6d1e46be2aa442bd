#include "history/HistoryFeed.h"

#include "connectionlist/ConnectionModel.h"
#include "history/HistoryStore.h"
#include "platform/os/OperatingSystem.h"

#include <QDateTime>
#include <QHostAddress>

namespace history {

namespace {

QString addressText(bool ipv6, const std::array<std::uint8_t, 16>& bytes) {
    if (!ipv6)
        return QHostAddress(quint32(bytes[0]) << 24 | quint32(bytes[1]) << 16 | quint32(bytes[2]) << 8 | bytes[3])
            .toString();
    Q_IPV6ADDR address;
    std::copy(bytes.begin(), bytes.end(), address.c);
    return QHostAddress(address).toString();
}

} // namespace

HistoryFeed::HistoryFeed(os::OperatingSystem& system, const connectionlist::ConnectionModel& rows,
                         HistoryStore& store, QObject* parent)
    : QObject(parent), m_system(system), m_rows(rows), m_store(store), m_recorder(system.makeConnectionRecorder()) {
    connect(m_recorder.get(), &os::ConnectionRecorder::closed, this, &HistoryFeed::takeClosed, Qt::QueuedConnection);
    // Each listing tells who owns what: kept until the next, so that a connection that closes
    // meanwhile still finds its owner.
    connect(&rows, &QAbstractItemModel::modelReset, this, &HistoryFeed::indexRows);
    connect(&rows, &QAbstractItemModel::layoutChanged, this, &HistoryFeed::indexRows);
    connect(&rows, &QAbstractItemModel::rowsInserted, this, &HistoryFeed::indexRows);
    m_recorder->start();
    if (const QString failure = m_recorder->failure(); !failure.isEmpty())
        QMetaObject::invokeMethod(this, [this, failure] { emit message(failure); }, Qt::QueuedConnection);
}

HistoryFeed::~HistoryFeed() {
    m_recorder->stop();
}

bool HistoryFeed::countsBytes() const {
    return m_recorder->countsBytes();
}

void HistoryFeed::indexRows() {
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    QHash<os::ConnectionEnds, Owner> owners;
    owners.reserve(m_rows.rowCount());
    for (int at = 0; at < m_rows.rowCount(); ++at) {
        const connectionlist::ConnectionRow* row = m_rows.row(at);
        if (!row->trafficEnds)
            continue;
        const auto before = m_owners.constFind(*row->trafficEnds);
        owners.insert(*row->trafficEnds,
                      {row->processId, row->programPath.isEmpty() ? row->fileName : row->programPath, row->user,
                       before == m_owners.cend() ? now : before->firstSeen});
    }
    m_owners.swap(owners);
}

HistoryEntry HistoryFeed::entryOf(const os::ClosedSocket& socket) {
    HistoryEntry entry;
    const os::ConnectionEnds& ends = socket.ends;
    entry.localAddress = addressText(ends.ipv6, ends.localAddress);
    entry.localPort = ends.localPort;
    entry.remoteAddress = addressText(ends.ipv6, ends.remoteAddress);
    entry.remotePort = ends.remotePort;
    entry.closed = std::chrono::duration_cast<std::chrono::milliseconds>(socket.closedAt.time_since_epoch()).count();
    if (socket.figures) {
        entry.sent = std::int64_t(socket.figures->bytesSent);
        entry.received = std::int64_t(socket.figures->bytesReceived);
        entry.roundTripMicroseconds = socket.figures->roundTripMicroseconds;
        entry.retransmits = socket.figures->retransmits;
    }
    if (ends.remotePort == 0)
        entry.kind = HistoryEntry::Kind::Listening;
    else if (entry.sent == 0 && entry.received == 0)
        entry.kind = HistoryEntry::Kind::Idle;

    if (const auto owner = m_owners.constFind(ends); owner != m_owners.cend()) {
        entry.processId = owner->processId;
        entry.program = owner->program;
        entry.user = owner->user;
        entry.opened = owner->firstSeen;
    } else if (socket.processId > 0) {
        entry.processId = socket.processId;
        entry.program = m_system.processExecutablePath(socket.processId);
        entry.user = m_system.processOwnerName(socket.processId);
    }
    if (entry.program.isEmpty())
        entry.program = NeverSeen;
    if (entry.user.isEmpty())
        entry.user = socket.userName;
    return entry;
}

void HistoryFeed::takeClosed() {
    os::ConnectionRecorder::Batch batch = m_recorder->take();
    if (batch.dropped > 0)
        emit message(QStringLiteral("%1 closed connections came faster than they could be recorded and were not kept.")
                         .arg(batch.dropped));
    std::vector<HistoryEntry> entries;
    entries.reserve(batch.sockets.size());
    for (const os::ClosedSocket& socket : batch.sockets)
        entries.push_back(entryOf(socket));
    emit closedConnections(entries);
    m_store.record(std::move(entries));
}

} // namespace history
