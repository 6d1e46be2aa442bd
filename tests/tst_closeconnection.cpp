// links: tavren_mainwindow
// "Close Connection": when it is offered and why not, and, run as root on the real machine,
// a python process's loopback connection closed from the list's menu after the question.
#include "connectionlist/CloseOffer.h"
#include "connectionlist/ConnectionModel.h"
#include "mainwindow/Form1.h"
#include "platform/host/MessageBoxService.h"
#include "platform/os/linux/LinuxSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "snapshot/ConnectionTable.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using connectionlist::ConnectionRow;

class CloseConnectionTest : public QObject {
    Q_OBJECT

private slots:
    void offeredOnlyForAnEstablishedConnection_data();
    void offeredOnlyForAnEstablishedConnection();
    void closesAPythonConnectionFromTheMenu();
};

void CloseConnectionTest::offeredOnlyForAnEstablishedConnection_data() {
    QTest::addColumn<QString>("change"); // what differs from an established IPv4 TCP connection
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QString>("because");
    QTest::newRow("established") << "" << true << "";
    QTest::newRow("no row chosen") << "none" << false << "Choose";
    QTest::newRow("gone since") << "gone" << false << "gone";
    QTest::newRow("UDP endpoint") << "udp" << false << "UDP";
    QTest::newRow("listening port") << "listening" << false << "listening";
    QTest::newRow("in time-wait") << "time-wait" << false << "TIME_WAIT";
    QTest::newRow("ends not in numbers") << "no ends" << false << "numbers";
    QTest::newRow("helper without its grant") << "no grant" << false << "install the tavren-netstat package";
    QTest::newRow("IPv6 where only IPv4 closes") << "ipv6 on ipv4 only" << false << "IPv4";
    QTest::newRow("IPv6 where both close") << "ipv6" << true << "";
}

void CloseConnectionTest::offeredOnlyForAnEstablishedConnection() {
    QFETCH(QString, change);
    QFETCH(bool, offered);
    QFETCH(QString, because);
    ConnectionRow row;
    row.state = os::TcpEstablished;
    row.stateText = QStringLiteral("ESTABLISHED");
    row.trafficEnds = os::ConnectionEnds{};
    os::ConnectionClosing closing{true, {}, true, {}};
    if (change == "gone")
        row.mark = connectionlist::RowMark::Gone;
    if (change == "udp" || change == "listening" || change == "time-wait") {
        row.key.udp = change == "udp";
        row.state = change == "udp" ? 0 : change == "listening" ? os::TcpListen : os::TcpTimeWait;
        row.stateText = change == "time-wait" ? QStringLiteral("TIME_WAIT") : QString();
    }
    if (change == "no ends")
        row.trafficEnds.reset();
    if (change == "no grant")
        closing = {false, QStringLiteral("install the tavren-netstat package, or run as root"), true, {}};
    if (change.startsWith("ipv6"))
        row.trafficEnds->ipv6 = true;
    if (change == "ipv6 on ipv4 only")
        closing = {true, {}, false, QStringLiteral("IPv4 connections only")};
    const connectionlist::CloseOffer offer = connectionlist::closeOffer(change == "none" ? nullptr : &row, closing);
    QCOMPARE(offer.enabled, offered);
    QVERIFY2(offer.reason.contains(because), qPrintable(offer.reason));
    QCOMPARE(offer.reason.isEmpty(), offered);
}

void CloseConnectionTest::closesAPythonConnectionFromTheMenu() {
    if (::geteuid() != 0)
        QSKIP("closes a connection through the build's helper, which holds no grant: needs root");
    // Both ends in one python process, which says what a read on its client end returns.
    QProcess python;
    python.start(QStandardPaths::findExecutable("python3", {"/usr/bin"}),
                 {"-u", "-c", "import errno, socket, time\n"
                              "l = socket.socket(); l.bind(('127.0.0.1', 0)); l.listen(1)\n"
                              "c = socket.create_connection(l.getsockname()); s, _ = l.accept()\n"
                              "print(c.getsockname()[1], s.getsockname()[1])\n"
                              "try: c.recv(1); print('end of stream')\n"
                              "except OSError as e: print(errno.errorcode[e.errno])\n"
                              "print('alive'); time.sleep(60)\n"});
    QTRY_VERIFY_WITH_TIMEOUT(python.canReadLine(), 10000);
    const QList<QByteArray> ports = python.readLine().trimmed().split(' ');
    QCOMPARE(ports.size(), 2);
    const auto stop = qScopeGuard([&python] { python.kill(); python.waitForFinished(); });

    os::LinuxSystem system;
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    form.show();
    form.RefreshView();
    const connectionlist::ConnectionModel& rows = form.connections();
    int index = -1;
    for (int i = 0; i < rows.rowCount() && index < 0; ++i)
        if (rows.row(i)->processId == python.processId() && rows.row(i)->key.localPort == ports[0].toUShort())
            index = i;
    QVERIFY(index >= 0);
    const connectionlist::ConnectionKey key = rows.row(index)->key;
    QVERIFY(form.ListView1->setSelectedIndex(index + 1));
    emit form.mnuRes->aboutToShow();
    QVERIFY2(form.mnuClose->isEnabled(), qPrintable(form.mnuClose->toolTip()));

    QList<host::MessageBoxRequest> asked;
    host::MessageBoxService::setObserver([&asked](const host::MessageBoxRequest& request) {
        asked << request;
        return QMessageBox::Yes;
    });
    const auto noObserver = qScopeGuard([] { host::MessageBoxService::setObserver({}); });
    form.mnuClose->trigger();
    QCOMPARE(asked.size(), 1);
    const QString program = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(python.processId()))).fileName();
    QCOMPARE(asked[0].text, QStringLiteral("Close the connection of %1 (process %2, user root) from 127.0.0.1:%3 to "
                                           "127.0.0.1:%4?")
                                .arg(program).arg(python.processId()).arg(QString(ports[0]), QString(ports[1])));
    QCOMPARE(asked[0].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(asked[0].defaultButton, QMessageBox::No);

    QCOMPARE(form.StatusBar1->panelText(2), QStringLiteral("Connection closed"));
    QCOMPARE(rows.find(key), -1);
    bool gone = false;
    for (int i = 0; i < rows.rowCount(); ++i)
        gone |= rows.row(i)->key == key && rows.row(i)->isGone();
    QVERIFY(gone);
    QTRY_VERIFY_WITH_TIMEOUT(python.canReadLine(), 10000);
    const QByteArray seen = python.readLine().trimmed();
    QVERIFY2(seen == "ECONNABORTED" || seen == "ECONNRESET", seen.constData());
    QTRY_VERIFY_WITH_TIMEOUT(python.canReadLine(), 10000);
    QCOMPARE(python.readLine().trimmed(), QByteArray("alive"));
    QCOMPARE(python.state(), QProcess::Running);
}

QTEST_MAIN(CloseConnectionTest)
#include "tst_closeconnection.moc"
