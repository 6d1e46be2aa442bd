// links: tavren_linuxsockets Qt6::Core
#include "SocketOwners.h"
#include "SocketSummary.h"
#include "TcpConnectionCounters.h"
#include "TcpSocketTable.h"
#include "support/ScriptedDumper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <set>
#include <thread>
#include <utility>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace os::sockets;

// The socket sources read recorded /proc files here, so each field is checked exactly.
class SocketSourcesTest : public QObject {
    Q_OBJECT

private slots:
    void procTableIpv4();
    void procTableIpv6();
    void summaryLines_data();
    void summaryLines();
    void summaryReaderSeesChanges();
    void connectionCounters_data();
    void connectionCounters();
    void socketLinks_data();
    void socketLinks();
    void ownersFromDescriptorLinks();
    void ownersOfOwnSocketsReadByThreads();
    void bothFamiliesInOneDump();
    void stateNumbering();
    void brokenDumpsFallBackFromNothing_data();
    void brokenDumpsFallBackFromNothing();
    void overlongProcLineIsOneLine();
};

namespace {

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

} // namespace

void SocketSourcesTest::procTableIpv4() {
    QTemporaryDir root;
    write(
        root.path() + "/net/tcp",
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
        "   0: 0100007F:1F90 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 4242 1 "
        "0\n"
        "   1: 0100007F:A1B2 0200A8C0:01BB 01 00000000:00000000 00:00000000 00000000  1000        0 77 1 0\n"
        "   2: garbage line\n"
        "   3: 0100007F:A1B3 0200A8C0:0050 06 00000000:00000000 03:00001000 00000000     0        0 0 3 0\n");
    std::vector<TcpSocket> sockets;
    QVERIFY(readProcTcpTable((root.path() + "/net/tcp").toStdString(), AF_INET, ConnectionStates,
                             [&](const TcpSocket& socket) { sockets.push_back(socket); }));
    QCOMPARE(sockets.size(), size_t(2));
    const TcpSocket& https = sockets[0];
    QCOMPARE(int(https.state), int(KernelEstablished));
    QCOMPARE(https.localAddress[0], std::uint8_t(127));
    QCOMPARE(https.localAddress[3], std::uint8_t(1));
    QCOMPARE(https.localPort, std::uint16_t(0xA1B2));
    QCOMPARE((std::array<std::uint8_t, 4>{https.remoteAddress[0], https.remoteAddress[1],
                                          https.remoteAddress[2], https.remoteAddress[3]}),
             (std::array<std::uint8_t, 4>{192, 168, 0, 2}));
    QCOMPARE(https.remotePort, std::uint16_t(443));
    QCOMPARE(https.inode, 77u);
    QCOMPARE(int(sockets[1].state), int(KernelTimeWait));
    QCOMPARE(sockets[1].inode, 0u);
    QVERIFY(!readProcTcpTable((root.path() + "/net/missing").toStdString(), AF_INET, AllStates,
                              [](const TcpSocket&) {}));
}

void SocketSourcesTest::procTableIpv6() {
    QTemporaryDir root;
    // ::1 port 631 to ::ffff:10.0.0.1 port 80
    write(root.path() + "/net/tcp6", "  sl  local_address                         remote_address             "
                                     "           st tx_queue rx_queue tr "
                                     "tm->when retrnsmt   uid  timeout inode\n"
                                     "   0: 00000000000000000000000001000000:0277 "
                                     "0000000000000000FFFF00000100000A:0050 01 00000000:00000000 "
                                     "00:00000000 00000000     0        0 555 1 0\n");
    std::vector<TcpSocket> sockets;
    QVERIFY(readProcTcpTable((root.path() + "/net/tcp6").toStdString(), AF_INET6, AllStates,
                             [&](const TcpSocket& socket) { sockets.push_back(socket); }));
    QCOMPARE(sockets.size(), size_t(1));
    std::array<std::uint8_t, 16> loopback{};
    loopback[15] = 1;
    QCOMPARE(sockets[0].localAddress, loopback);
    QCOMPARE(sockets[0].localPort, std::uint16_t(631));
    std::array<std::uint8_t, 16> mapped{};
    mapped[10] = mapped[11] = 0xff;
    mapped[12] = 10;
    mapped[15] = 1;
    QCOMPARE(sockets[0].remoteAddress, mapped);
    QCOMPARE(sockets[0].inode, 555u);
    QCOMPARE(sockets[0].family, AF_INET6);
}

void SocketSourcesTest::summaryLines_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<qint64>>("expected");
    const QByteArray sockstat =
        "sockets: used 10\nTCP: inuse 3 orphan 1 tw 7 alloc 9 mem 2\nUDP: inuse 0 mem 0\n";
    QTest::newRow("tcp") << sockstat << QByteArray("TCP") << 5 << QList<qint64>{3, 1, 7, 9, 2};
    QTest::newRow("tcp6 not tcp") << QByteArray("TCP: inuse 1\nTCP6: inuse 4\n") << QByteArray("TCP6") << 1
                                  << QList<qint64>{4};
    QTest::newRow("missing line") << QByteArray("UDP: inuse 0\n") << QByteArray("TCP") << 1
                                  << QList<qint64>();
    QTest::newRow("too few numbers") << QByteArray("TCP: inuse 3 orphan\n") << QByteArray("TCP") << 2
                                     << QList<qint64>();
}

void SocketSourcesTest::summaryLines() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, prefix);
    QFETCH(int, count);
    QFETCH(QList<qint64>, expected);
    std::int64_t counters[8] = {};
    const bool read = parseSocketSummaryLine(text.constData(), prefix.constData(), counters, count);
    QCOMPARE(read, !expected.isEmpty());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(qint64(counters[i]), expected[i]);
}

void SocketSourcesTest::summaryReaderSeesChanges() {
    QTemporaryDir root;
    write(root.path() + "/net/sockstat", "TCP: inuse 3 orphan 0 tw 1 alloc 4 mem 1\n");
    write(root.path() + "/net/sockstat6", "TCP6: inuse 2\n");
    SocketSummaryReader reader(root.path().toStdString());
    SocketSummary first, second, third;
    QVERIFY(reader.read(first));
    // Memory moves with traffic alone and must not count as a change.
    write(root.path() + "/net/sockstat", "TCP: inuse 3 orphan 0 tw 1 alloc 4 mem 9\n");
    QVERIFY(reader.read(second));
    QVERIFY(first == second);
    write(root.path() + "/net/sockstat6", "TCP6: inuse 3\n");
    QVERIFY(reader.read(third));
    QVERIFY(!(second == third));
    SocketSummaryReader missing((root.path() + "/nothing").toStdString());
    QVERIFY(!missing.read(first));
}

void SocketSourcesTest::connectionCounters_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<qint64>>("expected"); // empty: not readable
    const QByteArray header = "Tcp: RtoAlgorithm RtoMin RtoMax MaxConn ActiveOpens PassiveOpens AttemptFails "
                              "EstabResets CurrEstab InSegs OutSegs\n";
    QTest::newRow("as the kernel writes it")
        << "Ip: Forwarding\nIp: 1\n" + header +
               "Tcp: 1 200 120000 -1 41 17 3 2 12 9000 8000\nUdp: InDatagrams\nUdp: 5\n"
        << QList<qint64>{41, 17, 3, 2, 12, 9000, 8000};
    QTest::newRow("fields found by name")
        << QByteArray("Tcp: CurrEstab OutSegs ActiveOpens EstabResets InSegs PassiveOpens AttemptFails\n"
                      "Tcp: 5 7 1 4 6 2 3\n")
        << QList<qint64>{1, 2, 3, 4, 5, 6, 7};
    QTest::newRow("a field missing") << QByteArray("Tcp: ActiveOpens PassiveOpens\nTcp: 1 2\n")
                                     << QList<qint64>();
    QTest::newRow("segments unknown")
        << QByteArray("Tcp: CurrEstab ActiveOpens EstabResets PassiveOpens AttemptFails "
                      "InSegs\nTcp: 5 1 4 2 3 8\n")
        << QList<qint64>{1, 2, 3, 4, 5, 8, -1};
    QTest::newRow("a value that is no number") << header + "Tcp: 1 200 120000 -1 4x 17 3 2 12 9000 8000\n"
                                               << QList<qint64>();
    QTest::newRow("names without values") << header << QList<qint64>();
    QTest::newRow("fewer values than names") << header + "Tcp: 1 200 120000 -1 41 17\n" << QList<qint64>();
}

void SocketSourcesTest::connectionCounters() {
    QFETCH(QByteArray, text);
    QFETCH(QList<qint64>, expected);
    TcpConnectionCounters counters;
    QCOMPARE(parseTcpConnectionCounters(text.constData(), counters), !expected.isEmpty());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(qint64(i < 5 ? counters.counters[std::size_t(i)] : counters.segments[std::size_t(i - 5)]),
                 expected[i]);
}

void SocketSourcesTest::socketLinks_data() {
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<uint>("inode");
    QTest::newRow("socket") << QByteArray("socket:[12345]") << 12345u;
    QTest::newRow("largest") << QByteArray("socket:[4294967295]") << 4294967295u;
    QTest::newRow("too large") << QByteArray("socket:[4294967296]") << 0u;
    QTest::newRow("pipe") << QByteArray("pipe:[12345]") << 0u;
    QTest::newRow("empty brackets") << QByteArray("socket:[]") << 0u;
    QTest::newRow("not closed") << QByteArray("socket:[123") << 0u;
    QTest::newRow("letters") << QByteArray("socket:[12a]") << 0u;
    QTest::newRow("file") << QByteArray("/dev/null") << 0u;
}

void SocketSourcesTest::socketLinks() {
    QFETCH(QByteArray, link);
    QTEST(uint(socketInodeFromLink(link.constData(), std::size_t(link.size()))), "inode");
}

namespace {

// Descriptor links of a recorded /proc, "PID/fd/N -> socket:[INODE]".
void recordDescriptorLinks(const QString& root) {
    auto link = [&](const QString& process, const QString& fd, const QString& target) {
        QDir().mkpath(root + "/" + process + "/fd");
        QVERIFY(QFile::link(target, root + "/" + process + "/fd/" + fd));
    };
    link("300", "3", "socket:[999]");
    link("300", "4", "socket:[1000]");
    link("300", "5", "/dev/null");
    link("12", "7", "socket:[999]"); // shared with a child: the lower id is the owner
    link("self", "3", "socket:[1001]");
    QDir().mkpath(root + "/77"); // no fd folder (ended meanwhile, or not ours)
}

} // namespace

void SocketSourcesTest::ownersFromDescriptorLinks() {
    QTemporaryDir root;
    recordDescriptorLinks(root.path());

    SocketOwnerMap owners{{999, 0}, {1000, 0}, {1001, 0}, {5, 0}};
    findSocketOwners(owners, root.path().toStdString());
    QCOMPARE(owners[999], 12);
    QCOMPARE(owners[1000], 300);
    QCOMPARE(owners[1001], 0);
    QCOMPARE(owners[5], 0);
}

// This process's own sockets in the real /proc, read by four threads at once: numbered
// without a gap, after a gap, and above the count of open descriptors, where only the
// folder's listing finds them.
void SocketSourcesTest::ownersOfOwnSocketsReadByThreads() {
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_max <= 1000)
        QSKIP("needs to open descriptor 1000");
    files.rlim_cur = std::max<rlim_t>(files.rlim_cur, 1001);
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &files) == 0);
    std::vector<int> held;
    const auto closeAll = qScopeGuard([&] {
        for (int fd : held)
            if (fd >= 0)
                ::close(fd);
    });
    for (int i = 0; i < 300; ++i) {
        int pair[2];
        QVERIFY(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) == 0);
        held.insert(held.end(), pair, pair + 2);
    }
    for (int i = 100; i < 120; ++i) // a gap
        ::close(std::exchange(held[std::size_t(i)], -1));
    const int high = ::fcntl(held.back(), F_DUPFD_CLOEXEC, 1000);
    QVERIFY(high >= 1000);
    ::close(std::exchange(held.back(), high));
    std::vector<std::uint32_t> inodes;
    for (int fd : held) {
        struct stat status {};
        if (fd >= 0 && ::fstat(fd, &status) == 0)
            inodes.push_back(std::uint32_t(status.st_ino));
    }
    QCOMPARE(inodes.size(), std::size_t(580));

    SocketOwnerScan scan(inodes);
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i)
        threads.emplace_back([&scan] { scan.work(); });
    scan.work();
    for (std::thread& thread : threads)
        thread.join();
    int owned = 0;
    for (std::uint32_t inode : inodes)
        owned += scan.ownerOf(inode) == ::getpid();
    QCOMPARE(owned, 580);
    QCOMPARE(scan.ownerOf(4242), 0); // not sought
}

// One dump of both families lists the loopback connections of this process as a dump of
// each family does, IPv4 first, each family in the same order.
void SocketSourcesTest::bothFamiliesInOneDump() {
    std::vector<int> held;
    const auto closeAll = qScopeGuard([&] {
        for (int fd : held)
            ::close(fd);
    });
    std::set<std::uint16_t> ports;
    for (const char* host : {"127.0.0.1", "::1"}) {
        const bool v6 = std::strchr(host, ':');
        sockaddr_in6 address{}; // an IPv4 address and port lie where those of IPv6 begin
        socklen_t length = v6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        address.sin6_family = v6 ? AF_INET6 : AF_INET;
        ::inet_pton(address.sin6_family, host,
                    v6 ? (void*)&address.sin6_addr : (void*)&address.sin6_flowinfo);
        const int listener = ::socket(address.sin6_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        auto* at = reinterpret_cast<sockaddr*>(&address);
        if (listener < 0 || ::bind(listener, at, length) != 0) {
            if (listener >= 0)
                ::close(listener);
            QVERIFY2(v6, "no IPv4 loopback");
            continue; // a machine without IPv6
        }
        held.push_back(listener);
        QVERIFY(::listen(listener, 16) == 0 && ::getsockname(listener, at, &length) == 0);
        ports.insert(ntohs(address.sin6_port));
        for (int i = 0; i < 10; ++i) {
            held.push_back(::socket(address.sin6_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
            QVERIFY(::connect(held.back(), at, length) == 0);
            held.push_back(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
        }
    }
    const auto ours = [&ports](const std::vector<TcpSocket>& sockets) {
        QList<QList<quint32>> kept;
        for (const TcpSocket& socket : sockets)
            if (ports.count(socket.localPort) || ports.count(socket.remotePort))
                kept << QList<quint32>{quint32(socket.family), socket.localPort, socket.remotePort,
                                       socket.inode};
        return kept;
    };

    NetlinkTcpDumper dumper;
    std::vector<TcpSocket> both;
    if (!dumper.dumpBothFamilies(ConnectionStates, both))
        QSKIP("this kernel answers no dump of both families; the companion asks family by family");
    std::vector<TcpSocket> apart;
    for (int family : {AF_INET, AF_INET6})
        QVERIFY(
            dumper.dump(family, ConnectionStates, [&](const TcpSocket& socket) { apart.push_back(socket); }));
    QCOMPARE(ours(both).size(), qsizetype(20 * ports.size()));
    QCOMPARE(ours(both), ours(apart));
    const auto firstIpv6 =
        std::find_if(both.begin(), both.end(), [](const TcpSocket& s) { return s.family == AF_INET6; });
    QVERIFY(std::all_of(firstIpv6, both.end(), [](const TcpSocket& s) { return s.family == AF_INET6; }));
}

void SocketSourcesTest::stateNumbering() {
    QCOMPARE(systemTcpState(KernelEstablished), 5);
    QCOMPARE(systemTcpState(KernelListen), 2);
    QCOMPARE(systemTcpState(KernelTimeWait), 11);
    QCOMPARE(systemTcpState(KernelNewSynRecv), 4);
    QCOMPARE(systemTcpState(KernelClose), 1);
    QCOMPARE(QByteArray(tcpStateWord(KernelCloseWait)), QByteArray("CLOSE_WAIT"));
    QCOMPARE(QByteArray(tcpStateWord(KernelSynRecv)), QByteArray("SYN_RECEIVED"));
    QCOMPARE(QByteArray(tcpStateWord(KernelFinWait2)), QByteArray("FIN_WAIT_2"));
    QCOMPARE(QByteArray(tcpStateWord(200)), QByteArray("DELETE_TCB"));
}

using testsupport::doneMessage;
using testsupport::DumpMessage;
using testsupport::DumpReply;
using testsupport::socketMessage;

Q_DECLARE_METATYPE(std::vector<DumpReply>)

void SocketSourcesTest::brokenDumpsFallBackFromNothing_data() {
    QTest::addColumn<std::vector<DumpReply>>("ipv4");
    QTest::addColumn<QList<int>>("ports");
    // The recorded /proc/net/tcp holds the one socket of port 9000: it is listed exactly when
    // the dump did not complete, and then alone, never beside what the dump had delivered.
    const QList<int> proc{9000};
    auto intr = socketMessage(2);
    intr.flags = NLM_F_DUMP_INTR;
    auto cut = socketMessage(2);
    cut.cutBy = 8;
    auto stale = socketMessage(7);
    stale.staleSequence = true;
    auto error = DumpMessage{DumpMessage::Error};
    QTest::newRow("complete in two replies")
        << std::vector<DumpReply>{{{socketMessage(1), socketMessage(2)}}, {{socketMessage(3), doneMessage()}}}
        << QList<int>{1, 2, 3};
    QTest::newRow("error message half-way")
        << std::vector<DumpReply>{{{socketMessage(1), socketMessage(2)}}, {{error}}} << proc;
    QTest::newRow("receive fails half-way")
        << std::vector<DumpReply>{{{socketMessage(1), socketMessage(2)}}, {{}, true}} << proc;
    QTest::newRow("error carried in the final message")
        << std::vector<DumpReply>{{{socketMessage(1), socketMessage(2), doneMessage(-4)}}} << proc;
    QTest::newRow("dump marked interrupted")
        << std::vector<DumpReply>{{{socketMessage(1), intr, doneMessage()}}} << proc;
    QTest::newRow("message cut short") << std::vector<DumpReply>{{{socketMessage(1), cut}}} << proc;
    QTest::newRow("left-over message of an earlier request")
        << std::vector<DumpReply>{{{stale, socketMessage(1), doneMessage()}}} << QList<int>{1};
    QTest::newRow("empty table") << std::vector<DumpReply>{{{doneMessage()}}} << QList<int>{};
}

void SocketSourcesTest::brokenDumpsFallBackFromNothing() {
    QFETCH(std::vector<DumpReply>, ipv4);
    QTemporaryDir root;
    write(root.path() + "/net/tcp",
          "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
          "   0: 0100007F:2328 0100007F:A1B2 01 00000000:00000000 00:00000000 00000000  1000        0 4242 1 "
          "0\n");
    testsupport::ScriptedDumper dumper;
    dumper.replies[AF_INET] = ipv4;
    dumper.replies[AF_INET6] = {{{doneMessage()}}};
    QList<int> ports;
    QVERIFY(forEachTcpSocket(
        dumper, AllStates, [&](const TcpSocket& socket) { ports << socket.localPort; },
        root.path().toStdString()));
    QTEST(ports, "ports");
    // A failed dump leaves nothing behind for the next one to read.
    dumper.replies[AF_INET] = {{{socketMessage(5), doneMessage()}}};
    ports.clear();
    forEachTcpSocket(
        dumper, AllStates, [&](const TcpSocket& socket) { ports << socket.localPort; },
        root.path().toStdString());
    QCOMPARE(ports, QList<int>{5});
}

void SocketSourcesTest::overlongProcLineIsOneLine() {
    // A line longer than any real one is read in pieces; a later piece that happens to look
    // like a socket line must not be listed as one.
    QTemporaryDir root;
    const QByteArray socketLine =
        "   0: 0100007F:2328 0100007F:A1B2 01 00000000:00000000 00:00000000 00000000  1000        0 4242 1 0";
    write(root.path() + "/net/tcp",
          "  sl  local_address rem_address\n" + QByteArray(511, 'x') + socketLine + "\n" + socketLine + "\n");
    int visited = 0;
    QVERIFY(readProcTcpTable((root.path() + "/net/tcp").toStdString(), AF_INET, AllStates,
                             [&](const TcpSocket&) { ++visited; }));
    QCOMPARE(visited, 1);
}

QTEST_GUILESS_MAIN(SocketSourcesTest)
#include "tst_socketsources.moc"
