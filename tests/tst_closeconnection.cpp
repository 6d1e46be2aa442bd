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
#include <QTest>

class CloseConnectionTest : public QObject {
    Q_OBJECT

private slots:
    void offeredOnlyForAnEstablishedConnection_data();
    void offeredOnlyForAnEstablishedConnection();
    void closesAPythonConnectionFromTheMenu();
};

void CloseConnectionTest::offeredOnlyForAnEstablishedConnection_data() {
    QTest::addColumn<int>("state");     // 0: no row chosen; -1: a UDP endpoint
    QTest::addColumn<QString>("change"); // what else differs: "gone", "no ends", "ipv6", "program"
    QTest::addColumn<int>("closes");    // 0: nothing here; 4: IPv4 only; 6: IPv4 and IPv6
    QTest::addColumn<QString>("because"); // empty: offered
    QTest::newRow("established") << int(os::TcpEstablished) << "" << 6 << "";
    QTest::newRow("no row chosen") << 0 << "" << 6 << "Choose";
    QTest::newRow("gone since") << int(os::TcpEstablished) << "gone" << 6 << "gone";
    QTest::newRow("UDP endpoint") << -1 << "" << 6 << "UDP";
    QTest::newRow("listening port") << int(os::TcpListen) << "" << 6 << "listening";
    QTest::newRow("in time-wait") << int(os::TcpTimeWait) << "" << 6 << "TIME_WAIT";
    QTest::newRow("ends not in numbers") << int(os::TcpEstablished) << "no ends" << 6 << "numbers";
    QTest::newRow("helper without its grant") << int(os::TcpEstablished) << "" << 0 << "install the package";
    QTest::newRow("IPv6 where only IPv4 closes") << int(os::TcpEstablished) << "ipv6" << 4 << "IPv4";
    QTest::newRow("a program's row") << int(os::TcpEstablished) << "program" << 6 << "program's row";
    QTest::newRow("IPv6 where both close") << int(os::TcpEstablished) << "ipv6" << 6 << "";
}

void CloseConnectionTest::offeredOnlyForAnEstablishedConnection() {
    QFETCH(int, state);
    QFETCH(QString, change);
    QFETCH(int, closes);
    QFETCH(QString, because);
    connectionlist::ConnectionRow row;
    row.key.udp = state < 0;
    row.state = std::max(state, 0);
    row.stateText = state == os::TcpTimeWait ? "TIME_WAIT" : "";
    row.mark = change == "gone" ? connectionlist::RowMark::Gone : connectionlist::RowMark::None;
    if (change != "no ends")
        row.trafficEnds = os::ConnectionEnds{change == "ipv6", {}, {}, 0, 0};
    const os::ConnectionClosing closing{closes > 0, "install the package, or run as root", closes == 6, "IPv4 only"};
    const connectionlist::CloseOffer offer =
        connectionlist::closeOffer(state == 0 ? nullptr : &row, closing, change == "program");
    QCOMPARE(offer.enabled, because.isEmpty());
    QVERIFY2(offer.reason.contains(because), qPrintable(offer.reason));
    QCOMPARE(offer.reason.isEmpty(), because.isEmpty());
}

void CloseConnectionTest::closesAPythonConnectionFromTheMenu() {
    if (::geteuid() != 0)
        QSKIP("closes a connection through the build's helper, which holds no grant: needs root");
    // Both ends in one python process, which says what a read on its client end returns.
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-u", "-c", "import errno, socket, time\n"
                              "l = socket.create_server(('127.0.0.1', 0)); c = socket.create_connection(l.getsockname())\n"
                              "s, _ = l.accept()\n"
                              "print(c.getsockname()[1], s.getsockname()[1])\n"
                              "try: c.recv(1); print('end of stream')\n"
                              "except OSError as e: print(errno.errorcode[e.errno])\n"
                              "print('alive'); time.sleep(60)\n"});
    QTRY_VERIFY_WITH_TIMEOUT(python.canReadLine(), 10000);
    const QList<QByteArray> ports = python.readLine().trimmed().split(' ');
    const auto stop = qScopeGuard([&python] { python.kill(); python.waitForFinished(); });

    os::LinuxSystem system;
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
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
    host::MessageBoxService::setObserver([&asked](const auto& request) { return asked << request, QMessageBox::Yes; });
    const auto noObserver = qScopeGuard([] { host::MessageBoxService::setObserver({}); });
    form.mnuClose->trigger();
    QCOMPARE(asked.size(), 1);
    const QString program = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(python.processId()))).fileName();
    QCOMPARE(asked[0].text, QStringLiteral("Close the connection of %1 (process %2, user root) from 127.0.0.1:%3 to "
                                           "127.0.0.1:%4?")
                                .arg(program).arg(python.processId()).arg(QString(ports[0]), QString(ports[1])));
    QVERIFY(asked[0].buttons == (QMessageBox::Yes | QMessageBox::No) && asked[0].defaultButton == QMessageBox::No);

    QCOMPARE(form.StatusBar1->panelText(2), QStringLiteral("Connection closed"));
    bool gone = false;
    for (int i = 0; i < rows.rowCount(); ++i)
        gone |= rows.row(i)->key == key && rows.row(i)->isGone() && rows.find(key) < 0;
    QVERIFY(gone);
    QTRY_VERIFY_WITH_TIMEOUT(python.canReadLine(), 10000);
    const QByteArray seen = python.readLine().trimmed();
    QVERIFY2(seen == "ECONNABORTED" || seen == "ECONNRESET", seen.constData());
    QTRY_VERIFY_WITH_TIMEOUT(python.canReadLine(), 10000);
    QVERIFY(python.readLine().trimmed() == "alive" && python.state() == QProcess::Running);
}

QTEST_MAIN(CloseConnectionTest)
#include "tst_closeconnection.moc"
