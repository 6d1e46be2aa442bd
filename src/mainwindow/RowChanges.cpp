#include "mainwindow/RowChanges.h"

#include <QHash>

namespace {

// Sub-items 1 to 3: local port, remote host, remote port; and the local address and protocol.
struct ConnectionKey {
    std::int32_t processId;
    QString localPort, remoteHost, remotePort, localAddress, protocol;

    explicit ConnectionKey(const RowIdentity& row)
        : processId(row.processId), localPort(row.texts[1]), remoteHost(row.texts[2]),
          remotePort(row.texts[3]), localAddress(row.texts[8]), protocol(row.texts[9]) {}
    bool operator==(const ConnectionKey&) const = default;
};

size_t qHash(const ConnectionKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.processId, key.localPort, key.remoteHost, key.remotePort, key.localAddress,
                      key.protocol);
}

// How often each connection occurs: two rows can share one key (a listing whose lines lack
// the local address), and each occurrence pairs with one on the other side.
QHash<ConnectionKey, int> occurrences(const QList<RowIdentity>& rows) {
    QHash<ConnectionKey, int> counts;
    counts.reserve(rows.size());
    for (const RowIdentity& row : rows)
        ++counts[ConnectionKey(row)];
    return counts;
}

} // namespace

RowChanges RowChanges::between(const QList<RowIdentity>& previous, const QList<RowIdentity>& current) {
    RowChanges changes;
    QHash<ConnectionKey, int> before = occurrences(previous);
    changes.isNew.reserve(current.size());
    for (const RowIdentity& row : current) {
        auto left = before.find(ConnectionKey(row));
        const bool known = left != before.end() && *left > 0;
        if (known)
            --*left;
        changes.isNew.append(!known);
    }
    QHash<ConnectionKey, int> now = occurrences(current);
    for (qsizetype index = 0; index < previous.size(); ++index) {
        auto left = now.find(ConnectionKey(previous[index]));
        if (left != now.end() && *left > 0)
            --*left;
        else
            changes.gone.append(index);
    }
    return changes;
}
