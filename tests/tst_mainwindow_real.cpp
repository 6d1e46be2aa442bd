// links: tavren_mainwindow
#include "controls/progressbar/ProgressBar.h"
#include "mainwindow/Form1.h"
#include "platform/os/linux/LinuxSystem.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "snapshot/ConnectionTable.h"

#include <QFileInfo>
#include <QSet>
#include <QTest>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The main window on the real machine: the rows of connections this test opens itself carry
// its own file name, path and ports, and the next tick after closing them takes them away.
class MainWindowRealTest : public QObject {
    Q_OBJECT

private slots:
    void listsOwnConnectionsAndDropsThemAfterClosing();
};

namespace {

// Loopback connections of one family: a listener, and pairs of connected ends.
class LoopbackConnections {
public:
    explicit LoopbackConnections(int family) : m_family(family) {}
    ~LoopbackConnections() { close(); }

    bool open(int pairs) {
        sockaddr_storage storage{};
        socklen_t length = loopback(storage);
        auto* address = reinterpret_cast<sockaddr*>(&storage);
        m_listener = ::socket(m_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_listener < 0 || ::bind(m_listener, address, length) != 0 || ::listen(m_listener, 16) != 0 ||
            ::getsockname(m_listener, address, &length) != 0)
            return false;
        for (int i = 0; i < pairs; ++i) {
            const int client = ::socket(m_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (client < 0 || ::connect(client, address, length) != 0)
                return false;
            const int server = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (server < 0)
                return false;
            m_ends << client << server;
        }
        return true;
    }

    // Local port of every connected end.
    QSet<quint16> localPorts() const {
        QSet<quint16> ports;
        for (int fd : m_ends) {
            sockaddr_storage own{};
            socklen_t length = sizeof(own);
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&own), &length);
            ports << ntohs(m_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&own)->sin_port
                                               : reinterpret_cast<sockaddr_in6*>(&own)->sin6_port);
        }
        return ports;
    }

    void close() {
        for (int fd : std::as_const(m_ends))
            ::close(fd);
        m_ends.clear();
        if (m_listener >= 0)
            ::close(m_listener);
        m_listener = -1;
    }

private:
    socklen_t loopback(sockaddr_storage& storage) const {
        if (m_family == AF_INET) {
            auto* ipv4 = reinterpret_cast<sockaddr_in*>(&storage);
            ipv4->sin_family = AF_INET;
            ipv4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            return sizeof(sockaddr_in);
        }
        auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&storage);
        ipv6->sin6_family = AF_INET6;
        ipv6->sin6_addr = in6addr_loopback;
        return sizeof(sockaddr_in6);
    }

    int m_family;
    int m_listener = -1;
    QList<int> m_ends;
};

// The command prints a service name in place of a port that has one.
QString portText(const QString& shown) {
    bool numeric = false;
    shown.toUShort(&numeric);
    if (numeric)
        return shown;
    if (const servent* service = ::getservbyname(shown.toLatin1().constData(), "tcp"))
        return QString::number(ntohs(quint16(service->s_port)));
    return shown;
}

struct OwnRow {
    int index;
    quint16 localPort;
};

QList<OwnRow> ownRows(Form1& form, const QString& ownPath) {
    QList<OwnRow> rows;
    for (int index = 1; index <= form.ListView1->itemCount(); ++index) {
        widgets::ListItem item = form.ListView1->item(index);
        if (item.subItem(5) == ownPath)
            rows.append({index, portText(item.subItem(1)).toUShort()});
    }
    return rows;
}

} // namespace

void MainWindowRealTest::listsOwnConnectionsAndDropsThemAfterClosing() {
    os::LinuxSystem system;
    if (!QFileInfo::exists(system.netstatProgram()))
        QFAIL(qPrintable(QStringLiteral("the companion command is not built: ") + system.netstatProgram()));
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    LoopbackConnections ipv4(AF_INET), ipv6(AF_INET6);
    QVERIFY(ipv4.open(3));
    const bool haveIpv6 = ipv6.open(1); // a machine without IPv6 loopback still runs the rest
    const QSet<quint16> ports = ipv4.localPorts() + ipv6.localPorts();

    form.RefreshView();

    const QString ownPath = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString ownName = QFileInfo(ownPath).fileName();
    const QList<OwnRow> rows = ownRows(form, ownPath);
    QSet<quint16> listedPorts;
    for (const OwnRow& row : rows) {
        widgets::ListItem item = form.ListView1->item(row.index);
        QCOMPARE(item.text(), ownName);
        QCOMPARE(item.subItem(4), QStringLiteral("ESTABLISHED"));
        QCOMPARE(snapshot.RowTable.at(row.index)->ImagePath, ownName);
        QCOMPARE(snapshot.RowTable.at(row.index)->ProcessId, std::int32_t(::getpid()));
        QVERIFY(!form.ListView1->model()->index(row.index - 1, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        listedPorts << row.localPort;
    }
    QCOMPARE(listedPorts, ports);
    QCOMPARE(rows.size(), haveIpv6 ? 8 : 6);
    QVERIFY(form.StatusBar1->panelText(1).startsWith(QStringLiteral("Last Refreshed: ")));

    // Closed, the connections leave the active count; the next tick notices and refreshes.
    int refreshes = 0;
    connect(form.Progbar, &host::HostedControl::propertyChanged, this, [&](const QString& key) {
        if (key == QLatin1String("Value") && form.Progbar->value() == 2)
            ++refreshes;
    });
    ipv4.close();
    ipv6.close();
    QTRY_VERIFY_WITH_TIMEOUT((form.Timer1_Timer(), refreshes > 0 && ownRows(form, ownPath).isEmpty()), 10000);
}

QTEST_MAIN(MainWindowRealTest)
#include "tst_mainwindow_real.moc"
