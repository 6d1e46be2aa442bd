// links: tavren_snapshot tavren_os
#include "platform/os/linux/LinuxSystem.h"
#include "snapshot/NetstatCommand.h"
#include "snapshot/NetstatParser.h"
#include "snapshot/ProcessPaths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

#include <cstring>
#include <set>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

// The whole snapshot on the real machine: the companion command, the parser and the
// resolver find connections this test opens itself.
class SnapshotRealTest : public QObject {
    Q_OBJECT

private slots:
    void findsOwnLoopbackConnections();
    void listsThousandsOfSockets();
    void boundSocketIsNoConnection();
};

namespace {

struct Endpoint {
    int fd = -1;
    quint16 port = 0;
};

// Listens on the loopback address of the family, connects to it, accepts; returns the
// client and accepted ends with their own local ports.
bool openConnection(int family, Endpoint& listener, Endpoint& client, Endpoint& server) {
    sockaddr_storage storage{};
    socklen_t length;
    if (family == AF_INET) {
        auto* ipv4 = reinterpret_cast<sockaddr_in*>(&storage);
        ipv4->sin_family = AF_INET;
        ipv4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof(sockaddr_in);
    } else {
        auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&storage);
        ipv6->sin6_family = AF_INET6;
        ipv6->sin6_addr = in6addr_loopback;
        length = sizeof(sockaddr_in6);
    }
    auto* address = reinterpret_cast<sockaddr*>(&storage);
    listener.fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener.fd < 0 || ::bind(listener.fd, address, length) != 0 || ::listen(listener.fd, 4) != 0 ||
        ::getsockname(listener.fd, address, &length) != 0)
        return false;
    client.fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (client.fd < 0 || ::connect(client.fd, address, length) != 0)
        return false;
    server.fd = ::accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (server.fd < 0)
        return false;
    for (Endpoint* end : {&listener, &client, &server}) {
        sockaddr_storage own{};
        socklen_t ownLength = sizeof(own);
        ::getsockname(end->fd, reinterpret_cast<sockaddr*>(&own), &ownLength);
        end->port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&own)->sin_port
                                            : reinterpret_cast<sockaddr_in6*>(&own)->sin6_port);
    }
    return true;
}

// The command prints a service name in place of a port that has one.
QStringList portTexts(quint16 port) {
    QStringList texts{QString::number(port)};
    if (const servent* service = ::getservbyport(htons(port), "tcp"))
        texts.append(QString::fromLatin1(service->s_name));
    return texts;
}

} // namespace

void SnapshotRealTest::findsOwnLoopbackConnections() {
    Endpoint listeners[2], clients[2], servers[2];
    const int families[2] = {AF_INET, AF_INET6};
    for (int i = 0; i < 2; ++i)
        QVERIFY2(openConnection(families[i], listeners[i], clients[i], servers[i]), std::strerror(errno));

    os::LinuxSystem system;
    QVERIFY(QFileInfo(system.netstatProgram()).isExecutable());
    ConnectionSnapshot snapshot;
    QString output = RunNetstatCommand(system);
    QVERIFY2(!output.startsWith("Error:"), qPrintable(output));
    const QString original = output;
    ParseNetstatOutput(snapshot, output);
    ResolveProcessPaths(snapshot, system);

    const std::int32_t ownId = std::int32_t(::getpid());
    const QString ownPath = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    for (int i = 0; i < 2; ++i) {
        for (const auto& [local, remote] :
             {std::pair{clients[i], servers[i]}, std::pair{servers[i], clients[i]}}) {
            int found = -1;
            for (int index = 0; index < snapshot.ConnectionCount; ++index) {
                const ConnectionRecord& record = *snapshot.ConnectionTable.at(index);
                if (portTexts(local.port).contains(record.LocalPort) &&
                    portTexts(remote.port).contains(record.RemotePort) && record.ProcessId == ownId)
                    found = index;
            }
            QVERIFY2(found >= 0, qPrintable(original));
            const ConnectionRecord& record = *snapshot.ConnectionTable.at(found);
            QCOMPARE(record.State, QString("ESTABLISHED"));
            QCOMPARE(record.ImagePath, ownPath);
            const QStringList hosts = families[i] == AF_INET
                                          ? QStringList{"127.0.0.1", "localhost"}
                                          : QStringList{"::1", "localhost", "ip6-localhost", "ip6-loopback"};
            QVERIFY2(hosts.contains(record.RemoteHost), qPrintable(record.RemoteHost));
        }
    }

    // Record order equals line order: the n-th line with a non-zero owner is record n.
    QStringList ownersInOutput;
    for (const QString& line : original.split("\r\n")) {
        const QStringList fields = line.simplified().split(' ');
        if (line.startsWith("  ") && fields.size() >= 5 && fields[4].toInt() != 0)
            ownersInOutput.append(fields[1] + " " + fields[4]);
    }
    QCOMPARE(ownersInOutput.size(), int(snapshot.ConnectionCount));
    for (int index = 0; index < snapshot.ConnectionCount; ++index) {
        const ConnectionRecord& record = *snapshot.ConnectionTable.at(index);
        QVERIFY(
            ownersInOutput[index].endsWith(":" + record.LocalPort + " " + QString::number(record.ProcessId)));
    }

    for (int i = 0; i < 2; ++i)
        for (Endpoint* end : {&listeners[i], &clients[i], &servers[i]})
            ::close(end->fd);
}

void SnapshotRealTest::listsThousandsOfSockets() {
    // Enough sockets that the kernel's socket dump comes in many parts and the listing is
    // far larger than a pipe holds: every one of them must be listed with its owner.
    constexpr int perFamily = 600;
    rlimit limit{};
    QVERIFY(::getrlimit(RLIMIT_NOFILE, &limit) == 0);
    const rlim_t needed = 4 * perFamily + 256;
    if (limit.rlim_cur < needed) {
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < needed)
            QSKIP("the descriptor limit is too low for this many sockets");
        limit.rlim_cur = needed;
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &limit) == 0);
    }

    std::vector<int> descriptors;
    std::set<std::pair<quint16, quint16>> expected; // local port, foreign port
    for (int family : {AF_INET, AF_INET6}) {
        Endpoint listener, client, server;
        QVERIFY2(openConnection(family, listener, client, server), std::strerror(errno));
        descriptors.insert(descriptors.end(), {listener.fd, client.fd, server.fd});
        expected.insert({client.port, server.port});
        expected.insert({server.port, client.port});
        sockaddr_storage address{};
        socklen_t length = sizeof(address);
        QVERIFY(::getsockname(listener.fd, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        for (int i = 1; i < perFamily; ++i) {
            Endpoint more, accepted;
            more.fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
            QVERIFY(more.fd >= 0);
            descriptors.push_back(more.fd);
            QVERIFY2(::connect(more.fd, reinterpret_cast<sockaddr*>(&address), length) == 0,
                     std::strerror(errno));
            accepted.fd = ::accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC);
            QVERIFY(accepted.fd >= 0);
            descriptors.push_back(accepted.fd);
            for (Endpoint* end : {&more, &accepted}) {
                sockaddr_storage own{};
                socklen_t ownLength = sizeof(own);
                ::getsockname(end->fd, reinterpret_cast<sockaddr*>(&own), &ownLength);
                end->port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&own)->sin_port
                                                    : reinterpret_cast<sockaddr_in6*>(&own)->sin6_port);
            }
            expected.insert({more.port, server.port});
            expected.insert({accepted.port, more.port});
        }
    }

    os::LinuxSystem system;
    os::CommandRequest request;
    request.program = system.netstatProgram();
    request.arguments = {"-n", "-o"};
    const os::CommandResult result = system.runCommand(request);
    QCOMPARE(int(result.status), int(os::CommandStatus::Finished));
    QVERIFY(!result.truncated);
    QVERIFY(result.output.size() > 128 * 1024);

    const QString ownId = QString::number(::getpid());
    std::set<std::pair<quint16, quint16>> listed;
    int ownLines = 0;
    for (const QString& line : QString::fromLatin1(result.output).split("\r\n")) {
        const QStringList fields = line.simplified().split(' ');
        if (fields.size() != 5 || fields[4] != ownId || fields[3] != "ESTABLISHED")
            continue;
        ++ownLines;
        listed.insert({splitAddress(fields[1]).port.toUShort(), splitAddress(fields[2]).port.toUShort()});
    }
    for (int fd : descriptors)
        ::close(fd);
    QCOMPARE(int(listed.size()), int(expected.size()));
    QVERIFY(listed == expected);
    QCOMPARE(ownLines, int(expected.size())); // each socket once
}

void SnapshotRealTest::boundSocketIsNoConnection() {
    // Bound to a port but neither listening nor connected: nothing to list.
    const int bound = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    QVERIFY(bound >= 0 && ::bind(bound, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::getsockname(bound, reinterpret_cast<sockaddr*>(&address), &length) == 0);
    os::LinuxSystem system;
    os::CommandRequest request;
    request.program = system.netstatProgram();
    request.arguments = {"-n", "-o"};
    const os::CommandResult result = system.runCommand(request);
    ::close(bound);
    QCOMPARE(int(result.status), int(os::CommandStatus::Finished));
    const QByteArray local = "127.0.0.1:" + QByteArray::number(ntohs(address.sin_port)) + " ";
    QVERIFY2(!result.output.contains(local), result.output.constData());
}

QTEST_GUILESS_MAIN(SnapshotRealTest)
#include "tst_snapshot_real.moc"
