#include "snapshot/NetstatParser.h"

#include "ListingText.h"

#include <QHash>
#include <QList>

#include <algorithm>

void collapseSpaces(QString& text) {
    // One pass gives what repeated halving of double spaces gives: a single space per run.
    QChar* data = text.data();
    const qsizetype size = text.size();
    qsizetype out = 0;
    for (qsizetype in = 0; in < size; ++in) {
        if (data[in] == QLatin1Char(' ') && out > 0 && data[out - 1] == QLatin1Char(' '))
            continue;
        data[out++] = data[in];
    }
    text.truncate(out);
}

AddressParts splitAddress(QStringView address) {
    if (address.startsWith(QLatin1Char('['))) {
        const qsizetype close = address.indexOf(QLatin1String("]:"));
        if (close > 0)
            return {address.mid(1, close - 1), address.mid(close + 2)};
    }
    const qsizetype colon = address.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return {QStringView(), address};
    return {address.left(colon), address.mid(colon + 1)};
}

bool isLiveState(QStringView state) {
    static const char* const live[] = {"ESTABLISHED", "SYN_SENT", "SYN_RECEIVED", "CLOSE_WAIT", "LISTENING"};
    return std::any_of(std::begin(live), std::end(live),
                       [state](const char* word) { return state == QLatin1String(word); });
}

bool isClosingState(QStringView state) {
    static const char* const closing[] = {"FIN_WAIT_1", "FIN_WAIT_2", "CLOSING", "LAST_ACK", "TIME_WAIT"};
    return std::any_of(std::begin(closing), std::end(closing),
                       [state](const char* word) { return state == QLatin1String(word); });
}

namespace {

// Field 5 as a 32-bit signed decimal; 0 when it is anything else.
std::int32_t readProcessId(QStringView field) {
    bool ok = false;
    const qlonglong value = field.toLongLong(&ok, 10);
    if (!ok || value < INT32_MIN || value > INT32_MAX)
        return 0;
    for (QChar c : field) // toLongLong lets surrounding white space through; a field has none
        if (c.isSpace())
            return 0;
    return static_cast<std::int32_t>(value);
}

// One string for each distinct text: states, remote hosts and remote ports repeat across
// thousands of connections, and each record holding its own copy would cost memory for all.
class SharedTexts {
public:
    QString of(QStringView text) {
        auto found = m_texts.constFind(text);
        if (found == m_texts.cend()) {
            const QString copy = text.toString();
            found = m_texts.insert(copy, copy);
        }
        return *found;
    }

private:
    QHash<QStringView, QString> m_texts;
};

QString remotePortText(QStringView port, SharedTexts& shared) {
    if (port == QLatin1String("http"))
        return QStringLiteral("80 (Http)");
    if (port == QLatin1String("https")) {
        static const QString https = QLatin1String(HttpsDisplayText);
        return https;
    }
    return shared.of(port);
}

// The namespace a title line of another namespace's connections names, and its process.
bool readNamespaceTitle(QStringView line, std::uint64_t& inode, std::int32_t& processId) {
    const QLatin1String title(listing::NamespaceTitle), process(listing::NamespaceProcess);
    if (!line.startsWith(title))
        return false;
    const qsizetype processAt = line.indexOf(process, title.size());
    bool inodeRead = false;
    inode = processAt < 0 ? 0 : line.mid(title.size(), processAt - title.size()).toULongLong(&inodeRead);
    processId = processAt < 0 ? 0 : readProcessId(line.mid(processAt + process.size()));
    return inodeRead && inode != 0;
}

} // namespace

void ParseNetstatOutput(ConnectionSnapshot& snapshot, QString& text, const YieldFunction& yield,
                        ListingKinds kinds) {
    collapseSpaces(text);
    yieldTo(yield);

    static const QString udp = QStringLiteral("UDP");
    std::int32_t count = 0;
    SharedTexts shared;
    snapshot.Ownerless = {};
    snapshot.NamespaceProcesses.clear();
    std::uint64_t netNamespace = 0;
    const QStringView all(text);
    const QLatin1String lineEnd("\r\n");
    qsizetype start = 0;
    for (bool more = true; more;) {
        qsizetype end = all.indexOf(lineEnd, start);
        if (end < 0) {
            end = all.size();
            more = false;
        }
        const QStringView line = all.mid(start, end - start);
        start = end + 2;

        // Connection lines are indented; a title begins at the line's start.
        if (!line.startsWith(QLatin1Char(' '))) {
            std::uint64_t inode = 0;
            std::int32_t processId = 0;
            if (readNamespaceTitle(line, inode, processId)) {
                netNamespace = inode;
                snapshot.NamespaceProcesses.insert(inode, processId);
                continue;
            }
        }
        const QList<QStringView> fields = line.split(QLatin1Char(' '));
        yieldTo(yield);
        // A UDP line: protocol, local, foreign, owner; no state between them.
        const bool udpLine = kinds.udp && fields.size() >= 5 && fields[1] == udp;
        if (!udpLine && fields.size() < 6)
            continue;
        const QStringView state = udpLine ? QStringView() : fields[4];
        if (!kinds.listening && state == QLatin1String("LISTENING"))
            continue;
        const QStringView owner = fields[udpLine ? 4 : 5];
        const std::int32_t processId = readProcessId(owner);
        if (processId == 0) {
            // Another namespace's socket without an owner cannot be told apart: the program's
            // own socket list is its own namespace's.
            if (netNamespace != 0)
                continue;
            if (owner == QLatin1String("-")) {
                ++snapshot.Ownerless.otherUsers;
                continue;
            }
            const bool notFoundInTime = owner == QLatin1String("?");
            if (!notFoundInTime && owner != QLatin1String("0"))
                continue; // no owner field at all
            const bool closing = isClosingState(state);
            if (closing && !notFoundInTime) {
                ++snapshot.Ownerless.closing;
                continue;
            }
            // A live connection is listed whoever holds it; a line without a known state is none.
            if (!udpLine && !closing && !isLiveState(state))
                continue;
            snapshot.Ownerless.notFoundInTime += notFoundInTime;
        }
        const AddressParts local = splitAddress(fields[2]);
        const AddressParts foreign = splitAddress(fields[3]);

        snapshot.ConnectionTable.makeRoom(count + 1);
        ConnectionRecord* record = snapshot.ConnectionTable.at(count);
        record->ImagePath.clear();
        record->ImagePathSource = os::PathSource::ExecutableLink;
        record->ProcessStartTime = 0;
        record->ProcessId = processId;
        record->LocalPort = local.port.toString();
        record->RemoteHost = shared.of(foreign.host);
        record->RemotePort = remotePortText(foreign.port, shared);
        record->State = shared.of(state);
        record->Protocol = shared.of(fields[1]);
        record->LocalHost = shared.of(local.host);
        record->RemoteAddress.clear();
        record->NetNamespace = netNamespace;
        yieldTo(yield);
        ++count;
    }
    snapshot.ConnectionCount = count;
}
