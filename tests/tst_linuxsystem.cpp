// links: tavren_os
#include "platform/os/linux/LinuxSystem.h"
#include "support/ScriptedDumper.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

using os::CommandRequest;
using os::CommandStatus;

class LinuxSystemTest : public QObject {
    Q_OBJECT

private slots:
    void commandOutputIsDrainedWhole();
    void outputBeyondTheCapIsDropped();
    void hungCommandIsKilled();
    void endlessOutputIsKilled();
    void eventLoopTurnsWhileTheCommandRuns();
    void startFailures_data();
    void startFailures();
    void companionCommandBesideTheProgram();
    void ownProcessIsListed();
    void deletedExecutableKeepsItsPath();
    void commandLineIsJoinedAndBounded_data();
    void commandLineIsJoinedAndBounded();
    void childCommandLineGoesWithIt();
    void errorText();
    void stateCountsFollowNewSockets();
    void unchangedTableIsNotDumpedAgain();
    void unseenChangesAreCountedInBoundedTime();
    void brokenDumpIsCountedFromTheTableAlone();
    void digestFollowsConnectionsAndStates_data();
    void digestFollowsConnectionsAndStates();
    void newConnectionBehindStillCountersIsCounted_data();
    void newConnectionBehindStillCountersIsCounted();
    void onlySocketsInUseBringAFullCount_data();
    void onlySocketsInUseBringAFullCount();
    void stateChangesAreSeenWithinTheRecountInterval_data();
    void stateChangesAreSeenWithinTheRecountInterval();
    void loopbackLookups();
    void genericExecutableIcon();
    void versionKeyNamesThisPlatform();
};

namespace {

CommandRequest shell(const QString& script) {
    CommandRequest request;
    request.program = "/bin/sh";
    request.arguments = {"-c", script};
    request.timeout = std::chrono::seconds(20);
    return request;
}

} // namespace

void LinuxSystemTest::commandOutputIsDrainedWhole() {
    os::LinuxSystem system;
    // Far more than a pipe holds, so the child blocks unless the pipe is read while it runs.
    const os::CommandResult result =
        system.runCommand(shell("head -c 3000000 /dev/zero; printf 'end\\r\\n'"));
    QCOMPARE(int(result.status), int(CommandStatus::Finished));
    QCOMPARE(result.output.size(), 3000005);
    QVERIFY(result.output.endsWith("end\r\n"));
    QVERIFY(!result.truncated);
}

void LinuxSystemTest::outputBeyondTheCapIsDropped() {
    os::LinuxSystem system;
    CommandRequest request = shell("head -c 500000 /dev/zero; echo done >&2");
    request.outputCap = 1000;
    const os::CommandResult result = system.runCommand(request);
    QCOMPARE(int(result.status), int(CommandStatus::Finished));
    QCOMPARE(result.output.size(), 1000);
    QVERIFY(result.truncated);
}

void LinuxSystemTest::hungCommandIsKilled() {
    os::LinuxSystem system;
    CommandRequest request = shell("echo $$; exec sleep 60");
    request.timeout = std::chrono::milliseconds(300);
    const os::CommandResult result = system.runCommand(request);
    QCOMPARE(int(result.status), int(CommandStatus::TimedOut));
    QCOMPARE(result.errorCode, ETIMEDOUT);
    const QByteArray child = result.output.trimmed();
    QVERIFY(!child.isEmpty());
    // Killed and reaped: nothing of it is left, not even a zombie.
    QVERIFY(!QFileInfo::exists("/proc/" + QString::fromLatin1(child)));
}

void LinuxSystemTest::endlessOutputIsKilled() {
    // A command that never stops printing keeps the pipe readable all the time; the time
    // limit must hold all the same.
    os::LinuxSystem system;
    CommandRequest request = shell("exec cat /dev/zero");
    request.timeout = std::chrono::milliseconds(300);
    request.outputCap = 64 * 1024;
    const os::CommandResult result = system.runCommand(request);
    QCOMPARE(int(result.status), int(CommandStatus::TimedOut));
    QCOMPARE(result.errorCode, ETIMEDOUT);
    QCOMPARE(result.output.size(), 64 * 1024);
}

void LinuxSystemTest::eventLoopTurnsWhileTheCommandRuns() {
    os::LinuxSystem system;
    CommandRequest request = shell("sleep 2; echo done");
    request.yield = [] { QCoreApplication::processEvents(); };
    request.yieldInterval = std::chrono::milliseconds(20);
    int turns = 0;
    QTimer everyTurn;
    QObject::connect(&everyTurn, &QTimer::timeout, [&] { ++turns; });
    everyTurn.start(0);
    QCOMPARE(int(system.runCommand(request).status), int(CommandStatus::Finished));
    // 2 s at one turn per 20 ms; half of that leaves room for a busy machine, while a wait
    // that blocks the loop turns none at all.
    QVERIFY2(turns >= 2000 / 20 / 2, qPrintable(QString::number(turns)));
}

void LinuxSystemTest::startFailures_data() {
    QTest::addColumn<QString>("program");
    QTest::newRow("missing") << "/nonexistent/tavren-program";
    QTest::newRow("bare name is not searched on PATH") << "sh";
    QTest::newRow("empty") << "";
}

void LinuxSystemTest::startFailures() {
    QFETCH(QString, program);
    os::LinuxSystem system;
    CommandRequest request;
    request.program = program;
    const os::CommandResult result = system.runCommand(request);
    QCOMPARE(int(result.status), int(CommandStatus::StartFailed));
    QCOMPARE(result.errorCode, ENOENT);
}

void LinuxSystemTest::companionCommandBesideTheProgram() {
    os::LinuxSystem system;
    QCOMPARE(system.netstatProgram(), QCoreApplication::applicationDirPath() + "/tavren-netstat-cli");
}

void LinuxSystemTest::ownProcessIsListed() {
    os::LinuxSystem system;
    const std::vector<std::int32_t> ids = system.processIds();
    QVERIFY(std::find(ids.begin(), ids.end(), std::int32_t(::getpid())) != ids.end());
    QVERIFY(std::all_of(ids.begin(), ids.end(), [](std::int32_t id) { return id > 0; }));
    QCOMPARE(system.processExecutablePath(::getpid()),
             QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    QVERIFY(system.processExecutablePath(0x3ffffff0).isEmpty());
    QVERIFY(system.processExecutablePath(-1).isEmpty());
}

void LinuxSystemTest::deletedExecutableKeepsItsPath() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString copy = QFileInfo(folder.path()).canonicalFilePath() + "/tavren sleeper";
    QVERIFY(QFile::copy("/bin/sleep", copy));
    QProcess child;
    child.start(copy, {"60"});
    QVERIFY(child.waitForStarted());
    QVERIFY(QFile::remove(copy));
    os::LinuxSystem system;
    QCOMPARE(system.processExecutablePath(std::int32_t(child.processId())), copy);
    child.kill();
    child.waitForFinished();
}

void LinuxSystemTest::commandLineIsJoinedAndBounded_data() {
    QTest::addColumn<QByteArray>("recorded"); // '|' stands for NUL
    QTest::addColumn<QString>("expected");
    const QByteArray a64k(64 * 1024, 'a');
    QTest::newRow("NUL ended, padded") << QByteArray("worker|idle|||") << "worker idle";
    QTest::newRow("unended, empty argument") << QByteArray("x||y") << "x  y";
    QTest::newRow("kernel thread") << QByteArray() << "nothing";
    QTest::newRow("fills the limit") << a64k << QString(a64k);
    QTest::newRow("cut") << a64k + "bc" << QString(a64k) + u'\u2026';
    QTest::newRow("cut in a character")
        << a64k.chopped(1) + "\xc3\xa9" << QString(a64k.chopped(1)) + u'\u2026';
}

void LinuxSystemTest::commandLineIsJoinedAndBounded() {
    QFETCH(QByteArray, recorded);
    QTemporaryDir root;
    QFile file(root.path() + "/4242/cmdline");
    QVERIFY(QDir(root.path()).mkdir("4242") && file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(recorded.replace('|', '\0')) >= 0 && file.flush());
    QTEST(os::LinuxSystem(root.path()).processCommandLine(4242).value_or("nothing"), "expected");
}

void LinuxSystemTest::childCommandLineGoesWithIt() {
    QProcess child;
    child.start("/bin/sleep", {"30"});
    QVERIFY(child.waitForStarted());
    os::LinuxSystem system;
    QCOMPARE(system.processCommandLine(std::int32_t(child.processId())).value_or("nothing"), "/bin/sleep 30");
    child.kill();
    QVERIFY(child.waitForFinished() && !system.processCommandLine(std::int32_t(child.processId())));
}

void LinuxSystemTest::errorText() {
    os::LinuxSystem system;
    QCOMPARE(system.systemErrorText(ENOENT), QString::fromLocal8Bit(std::strerror(ENOENT)));
    QVERIFY(!system.systemErrorText(99999).isEmpty());
}

namespace {

// A listening socket and one connection to it, on 127.0.0.1 or ::1; closed on destruction.
struct LoopbackConnection {
    int listener = -1, client = -1, server = -1;
    explicit LoopbackConnection(int family = AF_INET) {
        listener = ::socket(family, SOCK_STREAM, 0);
        sockaddr_storage address{};
        address.ss_family = sa_family_t(family);
        if (family == AF_INET)
            reinterpret_cast<sockaddr_in&>(address).sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        else
            reinterpret_cast<sockaddr_in6&>(address).sin6_addr = in6addr_loopback;
        socklen_t length = sizeof(address);
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener, 4);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        client = ::socket(family, SOCK_STREAM, 0);
        ::connect(client, reinterpret_cast<sockaddr*>(&address), length);
        server = ::accept(listener, nullptr, nullptr);
    }
    ~LoopbackConnection() {
        for (int fd : {client, server, listener})
            if (fd >= 0)
                ::close(fd);
    }
    bool valid() const { return listener >= 0 && client >= 0 && server >= 0; }
};

} // namespace

void LinuxSystemTest::stateCountsFollowNewSockets() {
    // The machine is shared, so compare with an independent full count made right after,
    // and try again when something else changed the table in between.
    os::LinuxSystem system;
    bool agreed = false;
    for (int attempt = 0; attempt < 20 && !agreed; ++attempt) {
        system.tcpStateCounts();
        LoopbackConnection connection;
        QVERIFY(connection.valid());
        const os::TcpStateCounts counted = system.tcpStateCounts();
        os::linuxbackend::TcpStateCounter fresh(std::chrono::milliseconds(0));
        const os::TcpStateCounts expected = fresh.count();
        QVERIFY(counted.byState[os::TcpEstablished] >= 2);
        QVERIFY(counted.byState[os::TcpListen] >= 1);
        agreed = counted.byState == expected.byState;
    }
    QVERIFY(agreed);
}

namespace {

// Summary counters recorded in files, which move only when the test says so.
struct RecordedCounters {
    QTemporaryDir root;
    RecordedCounters() {
        QDir(root.path()).mkpath("net");
        setTimeWait(1);
        write("sockstat6", "TCP6: inuse 2\n");
    }
    void setTimeWait(int count) { setSockstat(3, count); }
    void setSockstat(int inUse, int timeWait, int orphans = 0, int allocated = 4) {
        write("sockstat", "TCP: inuse " + QByteArray::number(inUse) + " orphan " +
                              QByteArray::number(orphans) + " tw " + QByteArray::number(timeWait) +
                              " alloc " + QByteArray::number(allocated) + " mem 1\n");
    }
    void write(const QString& name, const QByteArray& text) {
        QFile file(root.path() + "/net/" + name);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(text);
    }
    std::string path() const { return root.path().toStdString(); }
};

} // namespace

void LinuxSystemTest::unchangedTableIsNotDumpedAgain() {
    // The machine's own counters can be read, so the cheap check is what runs there.
    os::sockets::SocketSummaryReader machine;
    os::sockets::SocketSummary summary;
    QVERIFY(machine.read(summary));

    // Other programs on the machine open and close sockets all the time; counters that
    // stand still keep this independent of them.
    RecordedCounters counters;
    QVERIFY(counters.root.isValid());
    os::linuxbackend::TcpStateCounter cached(std::chrono::hours(1), counters.path());
    for (int i = 0; i < 200; ++i)
        cached.count();
    QCOMPARE(cached.fullCounts(), 1);

    os::linuxbackend::TcpStateCounter uncached(std::chrono::milliseconds(0), counters.path());
    for (int i = 0; i < 20; ++i)
        uncached.count();
    QCOMPARE(uncached.fullCounts(), 20);
}

void LinuxSystemTest::newConnectionBehindStillCountersIsCounted_data() {
    QTest::addColumn<QByteArray>("snmpAfter");
    QTest::addColumn<int>("fullCounts");
    QTest::newRow("nothing moved") << QByteArray("Tcp: ActiveOpens PassiveOpens AttemptFails EstabResets "
                                                 "CurrEstab InSegs\nTcp: 5 6 0 0 3 100\n")
                                   << 1;
    QTest::newRow("only traffic") << QByteArray("Tcp: ActiveOpens PassiveOpens AttemptFails EstabResets "
                                                "CurrEstab InSegs\nTcp: 5 6 0 0 3 999\n")
                                  << 1;
    QTest::newRow("a connection opened")
        << QByteArray("Tcp: ActiveOpens PassiveOpens AttemptFails EstabResets "
                      "CurrEstab InSegs\nTcp: 6 6 0 0 3 100\n")
        << 2;
    QTest::newRow("one accepted, one ended")
        << QByteArray("Tcp: ActiveOpens PassiveOpens AttemptFails "
                      "EstabResets CurrEstab InSegs\nTcp: 5 7 0 0 3 100\n")
        << 2;
    QTest::newRow("counters no longer readable") << QByteArray("garbage\n") << 2;
}

// A socket opening while another closes leaves the summary counters standing; the connection
// counters, read every tenth of a second, still show the change long before the recount.
void LinuxSystemTest::newConnectionBehindStillCountersIsCounted() {
    QFETCH(QByteArray, snmpAfter);
    QFETCH(int, fullCounts);
    RecordedCounters counters;
    QVERIFY(counters.root.isValid());
    counters.write("snmp", "Tcp: ActiveOpens PassiveOpens AttemptFails EstabResets CurrEstab InSegs\n"
                           "Tcp: 5 6 0 0 3 100\n");
    os::linuxbackend::TcpStateCounter counter(std::chrono::hours(1), counters.path());
    counter.count();
    QCOMPARE(counter.fullCounts(), 1);
    counters.write("snmp", snmpAfter);
    QTest::qSleep(int(os::linuxbackend::TcpStateCounter::ConnectionCheckInterval.count()) + 20);
    for (int i = 0; i < 5; ++i)
        counter.count();
    QCOMPARE(counter.fullCounts(), fullCounts);
}

void LinuxSystemTest::unseenChangesAreCountedInBoundedTime() {
    // Counters that never move stand for a change they cannot see (a socket opening while
    // another closes); the table is then counted again once the last full count has grown
    // older than the recount interval.
    RecordedCounters counters;
    QVERIFY(counters.root.isValid());
    const auto interval = std::chrono::milliseconds(200);
    os::linuxbackend::TcpStateCounter counter(interval, counters.path());
    const auto firstCount = std::chrono::steady_clock::now();
    counter.count();
    counter.count();
    if (std::chrono::steady_clock::now() - firstCount < interval)
        QCOMPARE(counter.fullCounts(), 1);
    QTest::qSleep(int(interval.count()) + 50);
    counter.count();
    const int afterInterval = counter.fullCounts();
    QVERIFY2(afterInterval >= 2, "the table was not counted again after the recount interval");
    // A counter that moves brings a full count at once.
    counters.setSockstat(4, 1);
    counter.count();
    QCOMPARE(counter.fullCounts(), afterInterval + 1);
}

void LinuxSystemTest::onlySocketsInUseBringAFullCount_data() {
    QTest::addColumn<QByteArray>("sockstat");
    QTest::addColumn<QByteArray>("sockstat6");
    QTest::addColumn<int>("fullCounts");
    // Recorded before: "TCP: inuse 3 orphan 0 tw 1 alloc 4", "TCP6: inuse 2".
    QTest::newRow("a time-wait socket expired")
        << QByteArray("TCP: inuse 3 orphan 0 tw 0 alloc 4 mem 1\n") << QByteArray("TCP6: inuse 2\n") << 1;
    QTest::newRow("an unconnected socket made")
        << QByteArray("TCP: inuse 3 orphan 0 tw 1 alloc 5 mem 1\n") << QByteArray("TCP6: inuse 2\n") << 1;
    QTest::newRow("a closing socket let go")
        << QByteArray("TCP: inuse 3 orphan 1 tw 1 alloc 4 mem 1\n") << QByteArray("TCP6: inuse 2\n") << 1;
    QTest::newRow("an IPv4 connection")
        << QByteArray("TCP: inuse 4 orphan 0 tw 1 alloc 5 mem 1\n") << QByteArray("TCP6: inuse 2\n") << 2;
    QTest::newRow("into time-wait") << QByteArray("TCP: inuse 2 orphan 0 tw 2 alloc 4 mem 1\n")
                                    << QByteArray("TCP6: inuse 2\n") << 2;
    QTest::newRow("an IPv6 connection")
        << QByteArray("TCP: inuse 3 orphan 0 tw 1 alloc 4 mem 1\n") << QByteArray("TCP6: inuse 3\n") << 2;
}

// Sockets in use move with every change of the active count; the other summary counters also
// move when nothing active changed, which must not cost a dump of the whole table.
void LinuxSystemTest::onlySocketsInUseBringAFullCount() {
    QFETCH(QByteArray, sockstat);
    QFETCH(QByteArray, sockstat6);
    QFETCH(int, fullCounts);
    RecordedCounters counters;
    QVERIFY(counters.root.isValid());
    os::linuxbackend::TcpStateCounter counter(std::chrono::hours(1), counters.path());
    counter.count();
    counters.write("sockstat", sockstat);
    counters.write("sockstat6", sockstat6);
    counter.count();
    counter.count();
    QCOMPARE(counter.fullCounts(), fullCounts);
}

void LinuxSystemTest::brokenDumpIsCountedFromTheTableAlone() {
    // The IPv4 dump delivers two established sockets, then fails; the recorded table holds
    // one established and one in time-wait. Counting both would make the timer see three.
    RecordedCounters counters;
    QVERIFY(counters.root.isValid());
    counters.write("tcp",
                   "  sl  local_address rem_address   st\n"
                   "   0: 0100007F:2328 0100007F:A1B2 01 00000000:00000000 00:00000000 00000000 0 0 11 1 0\n"
                   "   1: 0100007F:2329 0100007F:A1B3 06 00000000:00000000 00:00000000 00000000 0 0 0 1 0\n");
    auto dumper = std::make_unique<testsupport::ScriptedDumper>();
    dumper->replies[AF_INET] = {{{testsupport::socketMessage(1), testsupport::socketMessage(2)}}, {{}, true}};
    dumper->replies[AF_INET6] = {{{testsupport::doneMessage()}}};
    os::linuxbackend::TcpStateCounter counter(std::chrono::milliseconds(0), counters.path(),
                                              std::move(dumper));
    const os::TcpStateCounts counts = counter.count();
    QCOMPARE(counts.byState[os::TcpEstablished], 1u);
    QCOMPARE(counts.byState[os::TcpTimeWait], 1u);
    QCOMPARE(counts.total(), 2u);
}

namespace {

// /proc/net/tcp holding these sockets, each "local remote state" in hex as the kernel writes them.
QByteArray procTcp(const QStringList& sockets) {
    QByteArray table = "  sl  local_address rem_address   st\n";
    for (const QString& socket : sockets)
        table += "   0: " + socket.toLatin1() + " 00000000:00000000 00:00000000 00000000 0 0 11 1 0\n";
    return table;
}
const QString A = "0100007F:2328 0100007F:A1B2 01", B = "0100007F:2329 0100007F:A1B3 01",
              Listen = "0100007F:0016 00000000:0000 0A", Wait = "0100007F:232A 0100007F:A1B4 06";

} // namespace

void LinuxSystemTest::digestFollowsConnectionsAndStates_data() {
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<bool>("differs");
    QTest::newRow("other order") << QStringList{Wait, B, Listen, A} << false;
    QTest::newRow("close-wait") << QStringList{"0100007F:2328 0100007F:A1B2 08", B, Listen, Wait} << true;
    QTest::newRow("one for another") << QStringList{A, "0100007F:2329 0100007F:A1B5 01", Listen} << true;
    QTest::newRow("other host") << QStringList{A, "0200007F:2329 0100007F:A1B3 01", Listen} << true;
    QTest::newRow("time-wait went") << QStringList{A, B, Listen} << false;
    QTest::newRow("listener came") << QStringList{A, B, Listen, "0100007F:0017 00000000:0000 0A", Wait}
                                   << false;
}

// The digest moves exactly when the active connections or their states change, also where the
// counts stay as they were. The dumper fails, so the recorded table is read.
void LinuxSystemTest::digestFollowsConnectionsAndStates() {
    RecordedCounters counters;
    os::linuxbackend::TcpStateCounter counter(std::chrono::milliseconds(0), counters.path(),
                                              std::make_unique<testsupport::ScriptedDumper>());
    counters.write("tcp", procTcp({A, B, Listen, Wait}));
    const std::uint64_t before = counter.count().connectionDigest;
    QFETCH(QStringList, after);
    counters.write("tcp", procTcp(after));
    QTEST(counter.count().connectionDigest != before, "differs");
}

void LinuxSystemTest::stateChangesAreSeenWithinTheRecountInterval_data() {
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("change");
    QTest::newRow("peer shuts its side: established to close-wait") << AF_INET << "peer shuts";
    QTest::newRow("the same on IPv6") << AF_INET6 << "peer shuts";
    QTest::newRow("close-wait to last-ack, the end's data stuck") << AF_INET << "close behind data";
    QTest::newRow("data read: fin-wait-1 to fin-wait-2, established to close-wait") << AF_INET << "read data";
    QTest::newRow("one connection for another") << AF_INET << "replace";
}

namespace {

// Runs `work` on a thread in a network namespace of its own with its loopback up, where other
// programs' sockets cannot move the counters and do the counter's work for it; in the
// machine's namespace where making one is not allowed. Its /proc files are those of the thread.
void inOwnNetwork(const std::function<void(const std::string& procRoot)>& work) {
    std::thread([&work] {
        if (::unshare(CLONE_NEWNET) != 0)
            return work("/proc");
        ifreq request{};
        std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        ::ioctl(fd, SIOCGIFFLAGS, &request);
        request.ifr_flags |= IFF_UP;
        ::ioctl(fd, SIOCSIFFLAGS, &request);
        ::close(fd);
        work("/proc/thread-self");
    }).join();
}

} // namespace

// Changes the socket summary does not show, each of our own connection, must reach count()
// within the recount interval (the timer's poll adds a few milliseconds).
void LinuxSystemTest::stateChangesAreSeenWithinTheRecountInterval() {
    QFETCH(int, family);
    QFETCH(QString, change);
    bool valid = false, changed = false, seen = false;
    inOwnNetwork([&](const std::string& procRoot) {
        auto connection = std::make_unique<LoopbackConnection>(family);
        valid = connection->valid();
        if (change == "close behind data" || change == "read data") {
            // The server does not read: the client's data fills both buffers and holds back the
            // client's end of the connection (its FIN waits behind the data).
            ::fcntl(connection->client, F_SETFL, O_NONBLOCK);
            const std::vector<char> block(1 << 16);
            while (::send(connection->client, block.data(), block.size(), 0) > 0) {
            }
            ::shutdown(change == "read data" ? connection->client : connection->server, SHUT_WR);
            QTest::qSleep(50);
        }
        const auto interval = std::chrono::milliseconds(1000);
        os::linuxbackend::TcpStateCounter counter(interval, procRoot);
        const std::uint64_t before = counter.count().connectionDigest;
        const auto changedAt = std::chrono::steady_clock::now();
        std::vector<char> block(1 << 16);
        if (change == "replace")
            connection = std::make_unique<LoopbackConnection>(family);
        else if (change == "read data")
            while (::recv(connection->server, block.data(), block.size(), 0) > 0) {
            }
        else
            ::shutdown(change == "peer shuts" ? connection->server : connection->client, SHUT_WR);
        while (!seen &&
               std::chrono::steady_clock::now() - changedAt < interval + std::chrono::milliseconds(50)) {
            QTest::qSleep(5);
            seen = counter.count().connectionDigest != before;
        }
        changed = os::linuxbackend::TcpStateCounter(std::chrono::milliseconds(0), procRoot)
                      .count()
                      .connectionDigest != before;
    });
    QVERIFY(valid);
    QVERIFY(changed);
    QVERIFY2(seen, "the change was not counted within the recount interval");
}

void LinuxSystemTest::loopbackLookups() {
    os::LinuxSystem system;
    const auto address = system.lookUpHostName("localhost");
    QVERIFY(address.has_value());
    QCOMPARE(*address, (std::array<std::uint8_t, 4>{127, 0, 0, 1}));
    QVERIFY(!system.lookUpHostName("").has_value());
    const auto name = system.lookUpAddress({127, 0, 0, 1});
    QVERIFY(name.has_value());
    QVERIFY(!name->isEmpty());
}

void LinuxSystemTest::genericExecutableIcon() {
    os::LinuxSystem system;
    const QIcon icon = system.executableIcon("/bin/sh");
    QVERIFY(!icon.isNull());
    QVERIFY(!icon.pixmap(16, 16).isNull());
}

// The key has the three-number form but a platform name of its own, so it never matches a
// key of another platform.
void LinuxSystemTest::versionKeyNamesThisPlatform() {
    os::LinuxSystem system;
    const auto key = system.platformVersionKey();
    QVERIFY(key.has_value());
    QVERIFY2(QRegularExpression(QStringLiteral("^linux\\.(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)$"))
                 .match(*key)
                 .hasMatch(),
             qPrintable(*key));
}

QTEST_MAIN(LinuxSystemTest)
#include "tst_linuxsystem.moc"
