// links: tavren_mainwindow tavren_snapshot tavren_os Qt6::Network
// platforms: windows
#include "mainwindow/Form1.h"
#include "platform/os/Backend.h"
#include "platform/os/windows/WindowsSystem.h"
#include "platform/widgets/ListView.h"
#include "snapshot/ConnectionTable.h"
#include "snapshot/NetstatCommand.h"
#include "snapshot/NetstatParser.h"
#include "support/RecordedListing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

// The Windows backend against what Wine gives: the test's own children, sockets and files.
// Nothing here leans on what Wine does differently from Windows (owners of other sockets,
// other processes, the system's message words).
class WindowsSystemTest : public QObject {
    Q_OBJECT

private slots:
    void runsCommands_data();
    void runsCommands();
    void runnerReadsTheListingWhole();
    void childIsListedReadAndEnded();
    void ownSocketsAreCounted();
    void closesIpv4ConnectionsOnly();
    void savesWholeOrNotAtAll_data();
    void savesWholeOrNotAtAll();
    void textsNamesAndVersion();
    void windowListsOwnConnections();
};

namespace {

QString standIn() {
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("tavren-standin.exe"));
}

// The backend with the stand-in in place of the listing command.
class StandInSystem : public os::WindowsSystem {
public:
    QString netstatProgram() const override { return standIn(); }
};

} // namespace

void WindowsSystemTest::runsCommands_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output"); // what was kept; "!N" = N bytes and cut
    const auto status = [](os::CommandStatus s) { return int(s); };
    QTest::newRow("exit code") << standIn() << QStringList{"exit", "3"} << status(os::CommandStatus::Finished) << 3
                               << QByteArray();
    // Each argument arrives as one, spaces, quotes and trailing backslashes and all.
    QTest::newRow("quoting") << standIn() << QStringList{"args", "two words", "say \"hi\"", "ends\\", "a\\\\\"b", ""}
                             << status(os::CommandStatus::Finished) << 0
                             << QByteArray("two words\r\nsay \"hi\"\r\nends\\\r\na\\\\\"b\r\n\r\n");
    QTest::newRow("beyond the cap") << standIn() << QStringList{"flood"} << status(os::CommandStatus::TimedOut)
                                    << 0 << QByteArray("!4096");
    QTest::newRow("hung") << standIn() << QStringList{"sleep", "20000"} << status(os::CommandStatus::TimedOut) << 0
                          << QByteArray();
    QTest::newRow("missing program") << standIn() + "-missing.exe" << QStringList{}
                                     << status(os::CommandStatus::StartFailed) << 0 << QByteArray();
}

void WindowsSystemTest::runsCommands() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, output);
    os::WindowsSystem system;
    os::CommandRequest request;
    request.program = program;
    request.arguments = arguments;
    request.timeout = std::chrono::milliseconds(1500);
    request.outputCap = 4096;
    int yields = 0;
    request.yield = [&yields] { ++yields; };
    const os::CommandResult result = system.runCommand(request);
    QTEST(int(result.status), "status");
    QTEST(int(result.exitCode), "exitCode");
    if (output.startsWith('!')) {
        QVERIFY(result.truncated);
        QCOMPARE(result.output.size(), output.mid(1).toInt());
    } else {
        QCOMPARE(result.output, output);
        QVERIFY(!result.truncated);
    }
    if (result.status == os::CommandStatus::StartFailed)
        QCOMPARE(result.errorCode, int(ERROR_FILE_NOT_FOUND));
    if (result.status == os::CommandStatus::TimedOut)
        QVERIFY2(yields >= 20, qPrintable(QString::number(yields))); // 1.5 s at 20 ms
}

void WindowsSystemTest::runnerReadsTheListingWhole() {
    StandInSystem system;
    QString failure;
    bool cut = true;
    for (bool numeric : {false, true}) {
        const QString text = RunNetstatCommand(system, {}, &failure, &cut, NetstatOptions{numeric, numeric});
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(!cut);
        QCOMPARE(text, QString::fromLatin1(numeric ? RecordedNumbersListing : RecordedNamesListing));
        ConnectionSnapshot snapshot;
        QString parsed = text;
        ParseNetstatOutput(snapshot, parsed, {}, ListingKinds{numeric, numeric});
        // Six lines each; the names listing's time-wait line has no owner and is left out.
        QCOMPARE(snapshot.ConnectionCount, numeric ? 6 : 5);
    }
}

void WindowsSystemTest::childIsListedReadAndEnded() {
    os::WindowsSystem system;
    QProcess child;
    child.start(standIn(), {"sleep", "60000"});
    QVERIFY(child.waitForStarted());
    const auto id = std::int32_t(child.processId());
    QVERIFY(std::ranges::count(system.processIds(), id) == 1);
    os::PathSource source = os::PathSource::ProcessName;
    QCOMPARE(QFileInfo(system.processExecutablePath(id, &source)).fileName().toLower(),
             QStringLiteral("tavren-standin.exe"));
    QCOMPARE(source, os::PathSource::ExecutableLink);
    const std::uint64_t started = system.processStartTime(id);
    QVERIFY(started != 0 && system.processStartTime(id) == started && !system.processHasEnded(id, started));

    // Another start time is another process: nothing is done.
    os::TerminateResult result = system.terminateProcess(id, started + 1);
    QVERIFY(result.alreadyEnded && !result.signalled);
    QVERIFY(!child.waitForFinished(200));

    QVERIFY(system.terminateProcess(id, started).signalled);
    QVERIFY(child.waitForFinished(5000) && system.processHasEnded(id, started));
    QVERIFY(!system.processCommandLine(id));
    result = system.terminateProcess(id, started);
    QVERIFY(result.alreadyEnded && !result.signalled);
}

// The system's table deletes an IPv4 connection, which resets it, or refuses in its own words
// (without an administrator); an IPv6 one is refused before any call. The answer is logged.
void WindowsSystemTest::closesIpv4ConnectionsOnly() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(client.waitForConnected(5000) && server.waitForNewConnection(5000));
    os::WindowsSystem system;
    os::ConnectionEnds ends{false, {127, 0, 0, 1}, {127, 0, 0, 1}, client.localPort(), server.serverPort()};
    const os::CloseResult result = system.closeConnection(ends);
    qInfo("closing an IPv4 connection: %s", result.closed ? "closed" : qPrintable("refused: " + result.refusal));
    // Wine answers success and leaves the connection as it was; Windows resets it.
    const bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    QVERIFY(result.closed ? wine || client.waitForDisconnected(5000) : !result.refusal.isEmpty());
    QCOMPARE(system.closeConnection({true, {}, {}, 1, 2}).refusal, system.connectionClosing().ipv6Reason);
}

void WindowsSystemTest::ownSocketsAreCounted() {
    os::WindowsSystem system;
    const os::TcpStateCounts before = system.tcpStateCounts();
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const auto listed = [&](bool listening, quint16 port) {
        for (const os::SocketEndpoint& endpoint : system.socketEndpoints(listening, false))
            if (endpoint.localPort == port && endpoint.localAddress == QLatin1String("127.0.0.1"))
                return true;
        return false;
    };
    QVERIFY(listed(true, server.serverPort()) && !listed(false, server.serverPort()));
    QVERIFY(system.tcpStateCounts().byState[os::TcpListen] >= 1);

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(client.waitForConnected(5000));
    QVERIFY(server.waitForNewConnection(5000));
    QVERIFY(listed(false, client.localPort()));
    const os::TcpStateCounts after = system.tcpStateCounts();
    QVERIFY(after.byState[os::TcpEstablished] >= 2);
    QVERIFY(after.connectionDigest != before.connectionDigest);
}

void WindowsSystemTest::savesWholeOrNotAtAll_data() {
    QTest::addColumn<QString>("name"); // in a fresh folder
    QTest::addColumn<bool>("saved");
    QTest::newRow("new file") << "list.txt" << true;
    QTest::newRow("over a file") << "old.txt" << true;
    QTest::newRow("a folder") << "folder" << false;
    QTest::newRow("missing folder") << "none/list.txt" << false;
}

void WindowsSystemTest::savesWholeOrNotAtAll() {
    QFETCH(QString, name);
    QFETCH(bool, saved);
    QTemporaryDir folder;
    QDir dir(folder.path());
    QVERIFY(dir.mkdir("folder"));
    QFile old(dir.filePath("old.txt"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(9000, 'o')) == 9000);
    old.close();
    os::WindowsSystem system;
    const QByteArray contents("row 1\r\nrow 2\r\n");
    const QString error = system.saveFile(dir.filePath(name), contents);
    QCOMPARE(error.isEmpty(), saved);
    if (saved) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), contents);
    }
    // Nothing is left behind: no half-written file beside the target.
    QCOMPARE(dir.entryList(QDir::NoDotAndDotDot | QDir::AllEntries).filter(".tmp"), QStringList());
}

void WindowsSystemTest::textsNamesAndVersion() {
    os::WindowsSystem system;
    const QString text = system.systemErrorText(ERROR_FILE_NOT_FOUND);
    QVERIFY(!text.isEmpty() && !text.startsWith("Unknown") && !text.endsWith('\n'));
    QCOMPARE(system.lookUpHostName("localhost"), (std::optional<std::array<std::uint8_t, 4>>{{127, 0, 0, 1}}));
    const std::optional<QString> key = system.platformVersionKey();
    QVERIFY(key && QRegularExpression("^2\\.(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)$").match(*key).hasMatch());
    bool ipv6 = true;
    std::array<std::uint8_t, 16> bytes{};
    QVERIFY(os::numericAddressBytes("::1", ipv6, bytes) && ipv6 && bytes[15] == 1);
    QVERIFY(!os::numericAddressBytes("localhost", ipv6, bytes));
}

// The whole program's path under Wine: the window lists through the companion command, which
// reads the system's TCP table, and shows this test's own connections with its path.
void WindowsSystemTest::windowListsOwnConnections() {
    os::WindowsSystem system;
    QVERIFY2(QFileInfo::exists(system.netstatProgram()), qPrintable(system.netstatProgram()));
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(client.waitForConnected(5000));
    QVERIFY(server.waitForNewConnection(5000));

    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    form.show();
    form.RefreshView();
    const QString ownPath = QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toLower();
    QSet<QString> ownPorts;
    for (int index = 1; index <= form.ListView1->itemCount(); ++index) {
        widgets::ListItem item = form.ListView1->item(index);
        if (QDir::toNativeSeparators(item.subItem(5)).toLower() == ownPath)
            ownPorts << item.subItem(1);
    }
    // Wine gives the connecting end its owner but not always the accepted one.
    const QSet<QString> ends{QString::number(client.localPort()), QString::number(server.serverPort())};
    QVERIFY2(ownPorts.contains(QString::number(client.localPort())) && ends.contains(ownPorts),
             qPrintable(QStringList(ownPorts.values()).join(',')));
}

QTEST_MAIN(WindowsSystemTest)
#include "tst_windowssystem.moc"
