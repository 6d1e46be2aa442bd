// links: tavren_linuxsockets
// Run as root: the closing helper, granted and run as "nobody", closes that user's own connection (its
// process sees the reset and lives on) and refuses the rest with the rule's exit code, leaving it open.
#include "TcpSocketTable.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>

class CloseHelperTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void closesOnlyTheCallersOwnConnection_data();
    void closesOnlyTheCallersOwnConnection();

private:
    QTemporaryDir m_folder;
};

namespace {

const QStringList AsNobody{"--reuid", "nobody", "--regid", "nogroup", "--clear-groups"};

// A python process of nobody or root with a connection, its listener and two listeners sharing a port;
// it prints "client-port listener-port shared-port", then what a read on its client end returns, "alive".
void startHolder(QProcess& holder, bool nobody) {
    const QStringList python{"/usr/bin/python3", "-u", "-c",
                             "import errno, socket, time\n"
                             "def listener(port=0):\n"
                             "    s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEPORT, 1)\n"
                             "    s.bind(('127.0.0.1', port)); s.listen(1); return s\n"
                             "l = listener(); c = socket.create_connection(l.getsockname()); s, _ = l.accept()\n"
                             "a = listener(); b = listener(a.getsockname()[1])\n"
                             "print(c.getsockname()[1], l.getsockname()[1], a.getsockname()[1])\n"
                             "try: c.recv(1); print('end of stream')\n"
                             "except OSError as e: print(errno.errorcode[e.errno])\n"
                             "print('alive'); time.sleep(60)\n"};
    holder.start(nobody ? "setpriv" : python[0], nobody ? AsNobody + python : python.mid(1));
}

QList<QByteArray> lineOf(QProcess& process) {
    for (int i = 0; i < 100 && !process.canReadLine(); ++i)
        process.waitForReadyRead(100);
    return process.readLine().trimmed().split(' ');
}

// Whether the kernel has an established connection from one loopback port to another.
bool established(const QByteArray& localPort, const QByteArray& remotePort) {
    os::sockets::NetlinkTcpDumper dumper;
    bool found = false;
    dumper.dump(AF_INET, os::sockets::stateBit(os::sockets::KernelEstablished), [&](const auto& socket) {
        found |= socket.localPort == localPort.toUInt() && socket.remotePort == remotePort.toUInt();
    });
    return found;
}

} // namespace

void CloseHelperTest::initTestCase() {
    if (::geteuid() != 0)
        QSKIP("needs root: it grants a copy of the helper cap_net_admin and runs it as nobody");
    const QString copy = m_folder.filePath("granted");
    QVERIFY(QFile::copy(TAVREN_BINARY_DIR "/bin/tavren-netstat-close", copy));
    QVERIFY(QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ReadOther | QFile::ExeOther));
    QVERIFY(QFile::setPermissions(m_folder.path(), QFile::permissions(m_folder.path()) | QFile::ExeOther));
    const QString setcap = QStandardPaths::findExecutable("setcap", {"/usr/sbin", "/sbin", "/usr/bin"});
    if (QProcess::execute(setcap, {"cap_net_admin+p", copy}) != 0)
        QSKIP("setcap is missing (libcap2-bin), or the temporary folder keeps no file capabilities");
}

void CloseHelperTest::closesOnlyTheCallersOwnConnection_data() {
    QTest::addColumn<QString>("helper"); // nobody runs the "granted" copy or the build's "plain" one; or "root"
    QTest::addColumn<QString>("arguments"); // %1 own client port, %2 its listener's; %3, %4 root's; %5 root's
                                            // listeners that share a port
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");
    const QString own = "tcp 127.0.0.1 %1 127.0.0.1 %2", roots = "tcp 127.0.0.1 %3 127.0.0.1 %4";
    QTest::newRow("own connection") << "granted" << own << 0 << "closed";
    QTest::newRow("root's connection") << "granted" << roots << 6 << "another user";
    QTest::newRow("root may close another user's") << "root" << own << 0 << "closed";
    QTest::newRow("own, without the grant") << "plain" << own << 7 << "not permitted";
    QTest::newRow("no such connection") << "granted" << "tcp 127.0.0.1 %2 127.0.0.1 %2" << 3 << "no such";
    QTest::newRow("listening socket") << "granted" << "tcp 127.0.0.1 %4 0.0.0.0 0" << 5 << "listening";
    QTest::newRow("two listeners share the ends") << "root" << "tcp 127.0.0.1 %5 0.0.0.0 0" << 4 << "more than one";
    QTest::newRow("a UDP socket") << "granted" << "udp 127.0.0.1 %1 127.0.0.1 %2" << 2 << "TCP";
    QTest::newRow("a host name") << "granted" << "tcp localhost %1 127.0.0.1 %2" << 2 << "numbers";
    QTest::newRow("families mixed") << "granted" << "tcp 127.0.0.1 %1 ::1 %2" << 2 << "families";
    QTest::newRow("port too large") << "granted" << "tcp 127.0.0.1 65536 127.0.0.1 %2" << 2 << "port";
    QTest::newRow("port with a sign") << "granted" << "tcp 127.0.0.1 +%1 127.0.0.1 %2" << 2 << "port";
    QTest::newRow("an end missing") << "granted" << "tcp 127.0.0.1 %1 127.0.0.1" << 2 << "five";
}

void CloseHelperTest::closesOnlyTheCallersOwnConnection() {
    QFETCH(QString, helper);
    QFETCH(QString, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    QProcess own, roots;
    const auto stop = qScopeGuard([&] { own.kill(), roots.kill(), own.waitForFinished(), roots.waitForFinished(); });
    startHolder(own, true);
    startHolder(roots, false);
    const QList<QByteArray> ownPorts = lineOf(own), rootPorts = lineOf(roots);
    QCOMPARE(ownPorts.size() + rootPorts.size(), 6);
    const QList<QByteArray> ports{ownPorts[0], ownPorts[1], rootPorts[0], rootPorts[1], rootPorts[2]};
    QString filled = arguments;
    for (int i = 0; i < ports.size(); ++i)
        filled.replace(QStringLiteral("%%1").arg(i + 1), QString(ports[i]));

    QProcess run;
    const QString program = helper == "granted" ? m_folder.filePath(helper) : TAVREN_BINARY_DIR "/bin/tavren-netstat-close";
    run.start(helper == "root" ? program : "setpriv", (helper == "root" ? QStringList() : AsNobody + QStringList{program}) +
                                                          filled.split(' '));
    QVERIFY(run.waitForFinished(10000));
    QCOMPARE(run.exitCode(), exitCode);
    const QByteArray answer = run.readAllStandardOutput();
    QVERIFY2(answer.contains(says.toLatin1()), answer.constData());

    // Only the connection named, and only on success, is gone; its process lives on.
    const bool ownClosed = arguments.startsWith("tcp 127.0.0.1 %1 ") && exitCode == 0;
    QCOMPARE(established(ownPorts[0], ownPorts[1]), !ownClosed);
    QVERIFY(established(rootPorts[0], rootPorts[1]));
    if (ownClosed) {
        QVERIFY(QList<QByteArray>({"ECONNRESET", "ECONNABORTED"}).contains(lineOf(own)[0]));
        QCOMPARE(lineOf(own)[0], QByteArray("alive"));
    }
}

QTEST_GUILESS_MAIN(CloseHelperTest)
#include "tst_closehelper.moc"
