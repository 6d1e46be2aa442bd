// links: tavren_netstatcli tavren_snapshot tavren_os
#include "ConnectionListing.h"
#include "JsonListing.h"
#include "ServiceNames.h"

#include "snapshot/NetstatParser.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <linux/io_uring.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using os::sockets::TcpSocket;

// The companion command's text must read back through the program's parser unchanged.
class NetstatCliTest : public QObject {
    Q_OBJECT

private slots:
    void numericHosts();
    void listingReadsBack();
    void longAddressesStaySeparated();
    void heldEndpointsAgreeWithSs();
    void jsonStrings_data();
    void jsonStrings();
    void jsonListingReadsBackInPython_data();
    void jsonListingReadsBackInPython();
    void ownersAndNamesAsPrinted_data();
    void ownersAndNamesAsPrinted();

private:
    void heldEndpointAgreesWithSs(bool udp, const QString& host);
};

namespace {

TcpSocket socket(int family, const char* local, quint16 localPort, const char* remote, quint16 remotePort,
                 std::uint8_t state) {
    TcpSocket result;
    result.family = family;
    ::inet_pton(family, local, result.localAddress.data());
    ::inet_pton(family, remote, result.remoteAddress.data());
    result.localPort = localPort;
    result.remotePort = remotePort;
    result.state = state;
    return result;
}

} // namespace

void NetstatCliTest::numericHosts() {
    QCOMPARE(numericHost(AF_INET, socket(AF_INET, "10.1.2.3", 1, "0.0.0.0", 0, 1).localAddress),
             std::string("10.1.2.3"));
    QCOMPARE(numericHost(AF_INET6, socket(AF_INET6, "::1", 1, "::", 0, 1).localAddress),
             std::string("[::1]"));
    QCOMPARE(numericHost(AF_INET6, socket(AF_INET6, "::ffff:10.0.0.1", 1, "::", 0, 1).localAddress),
             std::string("[::ffff:10.0.0.1]"));
}

void NetstatCliTest::listingReadsBack() {
    const std::vector<ListedConnection> connections{
        {socket(AF_INET, "127.0.0.1", 40000, "127.0.0.1", 80, os::sockets::KernelEstablished), 321},
        {socket(AF_INET6, "::1", 631, "fe80::1:2", 443, os::sockets::KernelCloseWait), 322},
        {socket(AF_INET, "10.0.0.5", 40001, "10.0.0.9", 5555, os::sockets::KernelTimeWait), 0},
        {socket(AF_INET6, "2001:db8::1", 40002, "2001:db8::2", 40003, os::sockets::KernelSynSent), 7},
    };
    ServiceNames services;
    const std::vector<std::string> names{"", "", "", "peer.example"};
    const std::string text = formatListing(connections, false, &services, names);
    QVERIFY(QByteArray::fromStdString(text).endsWith("\r\n"));
    QCOMPARE(QByteArray::fromStdString(text).count('\n'), QByteArray::fromStdString(text).count("\r\n"));

    ConnectionSnapshot snapshot;
    QString readBack = QString::fromStdString(text);
    ParseNetstatOutput(snapshot, readBack);
    QCOMPARE(snapshot.ConnectionCount, 3); // the time-wait line has no visible owner
    const ConnectionRecord& first = *snapshot.ConnectionTable.at(0);
    QCOMPARE(first.LocalPort, QString("40000"));
    QCOMPARE(first.RemoteHost, QString("127.0.0.1"));
    QCOMPARE(first.RemotePort, QString("80 (Http)"));
    QCOMPARE(first.State, QString("ESTABLISHED"));
    QCOMPARE(first.ProcessId, 321);
    const ConnectionRecord& second = *snapshot.ConnectionTable.at(1);
    QCOMPARE(second.LocalPort,
             QString::fromStdString(services.nameOf(631).empty() ? "631" : services.nameOf(631)));
    QCOMPARE(second.RemoteHost, QString("fe80::1:2"));
    QCOMPARE(second.RemotePort, QString(HttpsDisplayText));
    QCOMPARE(second.State, QString("CLOSE_WAIT"));
    const ConnectionRecord& third = *snapshot.ConnectionTable.at(2);
    QCOMPARE(third.RemoteHost, QString("peer.example"));
    QCOMPARE(third.State, QString("SYN_SENT"));
    QCOMPARE(third.ProcessId, 7);

    const std::string numeric = formatListing(connections, true, &services, {});
    QVERIFY(numeric.find("127.0.0.1:80 ") != std::string::npos);
    QVERIFY(numeric.find("[fe80::1:2]:443 ") != std::string::npos);
}

void NetstatCliTest::longAddressesStaySeparated() {
    const std::vector<ListedConnection> connections{
        {socket(AF_INET6, "2001:db8:1111:2222:3333:4444:5555:6666", 65535,
                "2001:db8:aaaa:bbbb:cccc:dddd:eeee:ffff", 65535, os::sockets::KernelFinWait1),
         2147483647},
    };
    QString text = QString::fromStdString(formatListing(connections, true, nullptr, {}));
    ConnectionSnapshot snapshot;
    ParseNetstatOutput(snapshot, text);
    QCOMPARE(snapshot.ConnectionCount, 1);
    QCOMPARE(snapshot.ConnectionTable.at(0)->RemoteHost, QString("2001:db8:aaaa:bbbb:cccc:dddd:eeee:ffff"));
    QCOMPARE(snapshot.ConnectionTable.at(0)->State, QString("FIN_WAIT_1"));
    QCOMPARE(snapshot.ConnectionTable.at(0)->ProcessId, 2147483647);
}

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess child;
    child.start(program, arguments);
    return child.waitForFinished(10000) ? QString::fromLocal8Bit(child.readAllStandardOutput()) : QString();
}

} // namespace

// With -a the command lists a listening TCP socket and a UDP endpoint of this process, IPv4
// and IPv6, as ss lists them: same address and port, same owner; without -a it lists neither.
void NetstatCliTest::heldEndpointsAgreeWithSs() {
    for (const QString& held : {"TCP 127.0.0.1", "TCP ::1", "UDP 127.0.0.1", "UDP ::1"})
        heldEndpointAgreesWithSs(held.startsWith("UDP"), held.mid(4));
}

void NetstatCliTest::heldEndpointAgreesWithSs(bool udp, const QString& host) {
    const bool v6 = host.contains(':');
    sockaddr_in6 address{}; // an IPv4 address and port lie where those of IPv6 begin
    socklen_t length = v6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    address.sin6_family = v6 ? AF_INET6 : AF_INET;
    ::inet_pton(address.sin6_family, host.toLatin1(),
                v6 ? (char*)&address.sin6_addr : (char*)&address.sin6_flowinfo);
    const int held = ::socket(address.sin6_family, (udp ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0);
    auto* at = reinterpret_cast<sockaddr*>(&address);
    QVERIFY(::bind(held, at, length) == 0 && (udp || ::listen(held, 4) == 0) &&
            ::getsockname(held, at, &length) == 0);
    const QString local = QString(v6 ? "[%1]:%2" : "%1:%2").arg(host).arg(ntohs(address.sin6_port));
    const QString pid = QString::number(::getpid());
    const QString line =
        udp ? QString(" UDP %1 *:* %2\r\n").arg(local, pid)
            : QString(" TCP %1 %2:0 LISTENING %3\r\n").arg(local, v6 ? "[::]" : "0.0.0.0", pid);
    const auto listed = [&](const QString& arguments) {
        QString text = run(TAVREN_BINARY_DIR "/bin/tavren-netstat-cli", {arguments});
        collapseSpaces(text);
        return text.count(line);
    };
    QCOMPARE(listed("-an"), 1);
    QCOMPARE(listed("-n"), 0);
    const QStringList ss = run("ss", {udp ? "-lunp" : "-ltnp"}).split('\n').filter(" " + local + " ");
    QCOMPARE(ss.size(), 1);
    QVERIFY(ss[0].contains(QString("pid=%1,").arg(pid)));
    ::close(held);
}

// A JSON string stays one valid string whatever bytes a path holds; what would break a line,
// hide or reorder text in a terminal is escaped.
void NetstatCliTest::jsonStrings_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("quote and backslash") << QByteArray("a\"b\\c") << QByteArray("\"a\\\"b\\\\c\"");
    QTest::newRow("controls") << QByteArray("a\nb\tc\x7f") << QByteArray("\"a\\u000ab\\u0009c\\u007f\"");
    QTest::newRow("letters kept") << QByteArray("caf\xc3\xa9\xe6\x97\xa5")
                                  << QByteArray("\"caf\xc3\xa9\xe6\x97\xa5\"");
    QTest::newRow("direction override") << QByteArray("x\xe2\x80\xaegnp") << QByteArray("\"x\\u202egnp\"");
    QTest::newRow("no UTF-8, overlong")
        << QByteArray("\xff\xc0\xaf") << QByteArray("\"\\ufffd\\ufffd\\ufffd\"");
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << QByteArray("\"\\ufffd\\ufffd\\ufffd\"");
}

void NetstatCliTest::jsonStrings() {
    QFETCH(QByteArray, text);
    std::string out;
    appendJsonString(out, text.toStdString());
    QTEST(QByteArray::fromStdString(out), "json");
}

// The command's --json output, read by Python's json module line by line, names this test's
// own connection, listening socket and UDP endpoint with its process, user and program; -i adds
// the kernel's counters to TCP sockets only; --version and a stray -i answer as documented.
void NetstatCliTest::jsonListingReadsBackInPython_data() {
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines"); // "protocol state pid uid program tcp_info" of ours
    const QString me =
        QString("%1 %2 %3").arg(::getpid()).arg(::getuid()).arg(QCoreApplication::applicationFilePath());
    QTest::newRow("all") << "-a --json" << 0
                         << QStringList{"tcp ESTABLISHED " + me + " absent",
                                        "tcp ESTABLISHED " + me + " absent",
                                        "tcp LISTENING " + me + " absent", "udp None " + me + " absent"};
    QTest::newRow("counters") << "--json -ai" << 0
                              << QStringList{"tcp ESTABLISHED " + me + " 5", "tcp ESTABLISHED " + me + " 5",
                                             "tcp LISTENING " + me + " 0", "udp None " + me + " None"};
    QTest::newRow("version") << "--version" << 0 << QStringList{};
    QTest::newRow("-i alone") << "-i" << 2 << QStringList{};
}

void NetstatCliTest::jsonListingReadsBackInPython() {
    QFETCH(QString, arguments);
    QFETCH(int, status);
    // A listener, one connection to it (both ends ours, 5 bytes each way) and a UDP endpoint.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0), client = ::socket(AF_INET, SOCK_STREAM, 0);
    const int udp = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}}, udpAddress = address;
    socklen_t length = sizeof(address);
    QVERIFY(::bind(listener, (sockaddr*)&address, length) == 0 && ::listen(listener, 1) == 0 &&
            ::getsockname(listener, (sockaddr*)&address, &length) == 0 &&
            ::connect(client, (sockaddr*)&address, length) == 0);
    const int server = ::accept(listener, nullptr, nullptr);
    char bytes[5] = {};
    QVERIFY(::write(client, "hello", 5) == 5 && ::read(server, bytes, 5) == 5 &&
            ::write(server, bytes, 5) == 5 && ::read(client, bytes, 5) == 5 &&
            ::bind(udp, (sockaddr*)&udpAddress, length) == 0 &&
            ::getsockname(udp, (sockaddr*)&udpAddress, &length) == 0);
    const QStringList ports{QString::number(ntohs(address.sin_port)),
                            QString::number(ntohs(udpAddress.sin_port))};

    QProcess listing;
    listing.start(TAVREN_BINARY_DIR "/bin/tavren-netstat-cli", arguments.split(' '));
    QVERIFY(listing.waitForFinished(10000));
    QCOMPARE(listing.exitCode(), status);
    const QByteArray output = listing.readAllStandardOutput();
    if (arguments == "--version")
        QVERIFY(QRegularExpression("^tavren-netstat-cli [0-9]+(\\.[0-9]+)+\n$").match(output).hasMatch());
    if (!arguments.contains("--json"))
        return;
    QProcess python;
    python.start("/usr/bin/python3", QStringList{"-c", R"PY(
import json, sys
ports = {int(p) for p in sys.argv[1:]}
for line in sys.stdin:
    o = json.loads(line)
    if {o["local_port"], o["remote_port"]} & ports and o["local_address"] == "127.0.0.1":
        info = o["tcp_info"]["bytes_received"] if o.get("tcp_info") else o.get("tcp_info", "absent")
        print(o["protocol"], o["state"], o["process_id"], o["user_id"], o["program"], info)
)PY"} + ports);
    python.write(output);
    python.closeWriteChannel();
    QVERIFY(python.waitForFinished(10000));
    QCOMPARE(python.exitCode(), 0);
    QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    QTEST(lines, "lines");
    for (int descriptor : {client, server, listener, udp})
        ::close(descriptor);
}

// The owner and foreign host printed for a connection of this process to 127.77.0.5: held only
// in an io_uring fixed-file table it has no owner ("0"); under a flood of a million descriptors
// the owner scan's budget (shortened here) runs out ("?"); a reverse name (from the hosts file
// of a private mount namespace) that reads as an address, or holds control bytes, prints as
// the address.
void NetstatCliTest::ownersAndNamesAsPrinted_data() {
    QTest::addColumn<QString>("setup"); // "uring", "flood", or the hosts file's name for 127.77.0.5
    QTest::addColumn<QString>("owner"); // empty: this process
    QTest::addColumn<QString>("host");
    QTest::newRow("io_uring fixed files") << "uring" << "0" << "127.77.0.5";
    QTest::newRow("descriptor flood") << "flood" << "?" << "127.77.0.5";
    QTest::newRow("address-like name") << "10.20.30.40" << "" << "127.77.0.5";
    QTest::newRow("control bytes") << "evil\x1b]0;x\x07name" << "" << "127.77.0.5";
    QTest::newRow("plain name") << "peer.example" << "" << "peer.example";
}

void NetstatCliTest::ownersAndNamesAsPrinted() {
    QFETCH(QString, setup);
    const bool uring = setup == "uring" || setup == "flood";
    sockaddr_in peer{AF_INET, 0, {htonl(0x7f4d0005)}, {}}, local{};
    socklen_t length = sizeof(peer);
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0), client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QVERIFY(::bind(server, (sockaddr*)&peer, length) == 0 && ::listen(server, 1) == 0 &&
            ::getsockname(server, (sockaddr*)&peer, &length) == 0 && ::connect(client, (sockaddr*)&peer, length) == 0 &&
            ::getsockname(client, (sockaddr*)&local, &length) == 0);
    int ends[2] = {client, ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC)};
    io_uring_params params{};
    const int ring = uring ? int(::syscall(__NR_io_uring_setup, 4, &params)) : -1;
    QVERIFY(!uring || (ring >= 0 && ::syscall(__NR_io_uring_register, ring, IORING_REGISTER_FILES, ends, 2) == 0));
    std::vector<pid_t> flood;
    int ready[2];
    const auto cleanUp = qScopeGuard([&] {
        for (pid_t child : flood)
            ::kill(child, SIGKILL), ::waitpid(child, nullptr, 0);
        for (int fd : {ends[0], ends[1], ring, server, ready[0], ready[1]})
            ::close(fd);
    });
    if (uring)
        ::close(ends[0]), ::close(ends[1]), ends[0] = ends[1] = -1;
    rlimit limit{};
    QVERIFY(::pipe(ready) == 0 && ::getrlimit(RLIMIT_NOFILE, &limit) == 0);
    for (long held = 0; setup == "flood" && held < 1000000; held += long(limit.rlim_max) - 16) {
        if (const pid_t child = ::fork(); child == 0) {
            limit.rlim_cur = limit.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &limit);
            while (::dup(ready[1]) >= 0) {}
            ::write(ready[1], "x", 1), ::pause();
        } else {
            flood.push_back(child);
        }
    }
    char byte; // one from each child once it holds all it may
    for (std::size_t started = 0; started < flood.size(); ++started)
        QVERIFY(::read(ready[0], &byte, 1) == 1);
    QTemporaryDir folder;
    QProcess companion;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TAVREN_NETSTAT_OWNER_SCAN_MS", flood.empty() ? "" : "100");
    companion.setProcessEnvironment(environment);
    companion.start("unshare", {::geteuid() == 0 ? "-m" : "-rm", "sh", "-c",
                                "printf '127.0.0.1 localhost\\n%s\\n' \"$1\" >\"$2/hosts\" && echo 'hosts: files' >\"$2/ns\" && "
                                "mount --bind \"$2/hosts\" /etc/hosts && mount --bind \"$2/ns\" /etc/nsswitch.conf && exec \"$3\" -o",
                                "-", uring ? "" : "127.77.0.5 " + setup, folder.path(), TAVREN_BINARY_DIR "/bin/tavren-netstat-cli"});
    QVERIFY(companion.waitForFinished(60000) && companion.exitCode() == 0);
    QString text = QString::fromLatin1(companion.readAllStandardOutput());
    collapseSpaces(text);
    const QString line = text.split("\r\n").filter(QString(" TCP 127.0.0.1:%1 ").arg(ntohs(local.sin_port)))
                             .filter(QString(":%1 ESTABLISHED").arg(ntohs(peer.sin_port))).value(0);
    QFETCH(QString, owner);
    QFETCH(QString, host);
    QCOMPARE(line.section(' ', 3), QString("%1:%2 ESTABLISHED %3").arg(host).arg(ntohs(peer.sin_port))
                                       .arg(owner.isEmpty() ? QString::number(::getpid()) : owner));
}

QTEST_GUILESS_MAIN(NetstatCliTest)
#include "tst_netstatcli.moc"
