// links: tavren_linuxsockets
// Run as root: the closing helper, a copy given the package's grant and run as the user
// "nobody", closes that user's own connection (its process sees the reset and lives on) and
// refuses everything else with the rule's own exit code, leaving the connection open.
#include "TcpSocketTable.h"
#include "support/OtherUser.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

using testsupport::ChildAs;

class CloseHelperTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void closesOnlyTheCallersOwnConnection_data();
    void closesOnlyTheCallersOwnConnection();

private:
    QTemporaryDir m_folder;
    QString m_granted, m_plain;
    testsupport::OtherUser m_user{};
};

namespace {

// A listener on 127.0.0.1 (SO_REUSEPORT when asked, so that a second can share its port),
// and the two ends of one connection to it; ports in host order.
struct Loopback {
    int listener = -1, client = -1, server = -1;
    quint16 listenPort = 0, clientPort = 0;
    bool open(quint16 port = 0, bool shared = false, bool connect = true) {
        sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof(address);
        const int one = 1;
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        if ((shared && ::setsockopt(listener, SOL_SOCKET, SO_REUSEPORT, &one, sizeof(one)) != 0) ||
            ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener, 1) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return false;
        listenPort = ntohs(address.sin_port);
        if (!connect)
            return true;
        client = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(client, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            (server = ::accept(listener, nullptr, nullptr)) < 0 ||
            ::getsockname(client, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return false;
        clientPort = ntohs(address.sin_port);
        return true;
    }
    ~Loopback() {
        for (int fd : {listener, client, server})
            if (fd >= 0)
                ::close(fd);
    }
};

// Whether the kernel has an established connection from one loopback port to another.
bool established(quint16 localPort, quint16 remotePort) {
    os::sockets::NetlinkTcpDumper dumper;
    bool found = false;
    dumper.dump(AF_INET, os::sockets::stateBit(os::sockets::KernelEstablished), [&](const auto& socket) {
        found |= socket.localPort == localPort && socket.remotePort == remotePort;
    });
    return found;
}

// One line from a child's pipe, waiting at most ten seconds.
QByteArray lineFrom(int pipe) {
    QByteArray line;
    char c = 0;
    pollfd ready{pipe, POLLIN, 0};
    while (::poll(&ready, 1, 10000) == 1 && ::read(pipe, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

} // namespace

void CloseHelperTest::initTestCase() {
    const auto user = testsupport::unprivilegedUser();
    if (!user)
        QSKIP("needs root and the user \"nobody\": it grants a copy of the helper cap_net_admin and runs it "
              "as that unprivileged user");
    m_user = *user;
    const QString setcap = QStandardPaths::findExecutable("setcap", {"/usr/sbin", "/sbin", "/usr/bin"});
    if (setcap.isEmpty())
        QSKIP("setcap is missing (Debian package libcap2-bin, which scripts/setup installs)");
    QVERIFY(m_folder.isValid());
    QVERIFY(QFile::setPermissions(m_folder.path(), QFile::permissions(m_folder.path()) | QFile::ExeOther));
    m_granted = m_folder.filePath("granted");
    m_plain = m_folder.filePath("plain");
    for (const QString& copy : {m_granted, m_plain}) {
        QVERIFY(QFile::copy(TAVREN_BINARY_DIR "/bin/tavren-netstat-close", copy));
        QVERIFY(QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ReadOther | QFile::ExeOther));
    }
    if (QProcess::execute(setcap, {"cap_net_admin+p", m_granted}) != 0)
        QSKIP("this file system does not keep file capabilities: setcap failed in the temporary folder");
}

void CloseHelperTest::closesOnlyTheCallersOwnConnection_data() {
    QTest::addColumn<QString>("helper");    // "granted" or "plain", run as nobody; "root" runs the build's own
    QTest::addColumn<QString>("arguments"); // %1 own client port, %2 its listener's; %3, %4 root's; %5 root's listener
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");
    const QString own = "tcp 127.0.0.1 %1 127.0.0.1 %2", roots = "tcp 127.0.0.1 %3 127.0.0.1 %4";
    QTest::newRow("own connection") << "granted" << own << 0 << "closed";
    QTest::newRow("root's connection") << "granted" << roots << 6 << "another user";
    QTest::newRow("root may close another user's") << "root" << own << 0 << "closed";
    QTest::newRow("own, without the grant") << "plain" << own << 7 << "not permitted";
    QTest::newRow("no such connection") << "granted" << "tcp 127.0.0.1 %2 127.0.0.1 %2" << 3 << "no such";
    QTest::newRow("listening socket") << "granted" << "tcp 127.0.0.1 %5 0.0.0.0 0" << 5 << "listening";
    QTest::newRow("two listeners share the ends") << "root" << "tcp 127.0.0.1 %6 0.0.0.0 0" << 4 << "more than one";
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

    // nobody's connection, both ends in one process of that user, which reports what a read
    // on its client end returns once something happens to it.
    ChildAs holder(m_user, [] {
        Loopback own;
        if (!own.open())
            ::_exit(1);
        ::dprintf(STDOUT_FILENO, "%u %u\n", own.clientPort, own.listenPort);
        char byte;
        const ssize_t read = ::recv(own.client, &byte, 1, 0);
        ::dprintf(STDOUT_FILENO, "%s\n", read < 0 ? ::strerrorname_np(errno) : "no error");
        ::usleep(100000);
        ::dprintf(STDOUT_FILENO, "alive\n");
        ::pause();
        ::_exit(0);
    });
    const auto stopHolder = qScopeGuard([&holder] { ::kill(holder.pid, SIGKILL); });
    const QList<QByteArray> ownPorts = lineFrom(holder.output).split(' ');
    QCOMPARE(ownPorts.size(), 2);
    Loopback roots, first, second;
    QVERIFY(roots.open());
    QVERIFY(first.open(0, true, false));
    QVERIFY(second.open(first.listenPort, true, false));

    QString filled = arguments;
    const QList<QByteArray> ports{ownPorts[0], ownPorts[1], QByteArray::number(roots.clientPort),
                                  QByteArray::number(roots.listenPort), QByteArray::number(roots.listenPort),
                                  QByteArray::number(first.listenPort)};
    for (int i = 0; i < ports.size(); ++i)
        filled.replace(QStringLiteral("%%1").arg(i + 1), QString(ports[i]));
    const QStringList words = filled.split(' ');
    const QString program = helper == "root" ? TAVREN_BINARY_DIR "/bin/tavren-netstat-close"
                                             : helper == "granted" ? m_granted : m_plain;
    int code = -2;
    QByteArray answer;
    if (helper == "root") {
        QProcess run;
        run.start(program, words);
        QVERIFY(run.waitForFinished(10000));
        code = run.exitCode();
        answer = run.readAllStandardOutput();
    } else {
        ChildAs run(m_user, [program = program.toLocal8Bit(), words] {
            QList<QByteArray> bytes{program};
            std::vector<char*> argv{bytes[0].data()};
            for (const QString& word : words)
                argv.push_back(bytes.emplace_back(word.toLocal8Bit()).data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
        });
        answer = run.finish(&code);
    }
    QCOMPARE(code, exitCode);
    QVERIFY2(answer.contains(says.toLatin1()), answer.constData());

    // Only the connection named, and only on success, is gone; its process lives on.
    const bool ownNamed = arguments.startsWith("tcp 127.0.0.1 %1 ");
    QCOMPARE(established(ownPorts[0].toUShort(), ownPorts[1].toUShort()), !(ownNamed && exitCode == 0));
    QVERIFY(established(roots.clientPort, roots.listenPort));
    if (ownNamed && exitCode == 0) {
        QVERIFY(QList<QByteArray>({"ECONNRESET", "ECONNABORTED"}).contains(lineFrom(holder.output)));
        QCOMPARE(lineFrom(holder.output), QByteArray("alive"));
    }
}

QTEST_GUILESS_MAIN(CloseHelperTest)
#include "tst_closehelper.moc"
