// links: tavren_os
#include "platform/os/remote/RemoteListing.h"
#include "platform/os/remote/SshDestination.h"

#include <QTest>

// Another host's destination and listing, as the remote backend reads them: every text from
// the user or the other host is checked, and what does not read whole is refused or dropped.
class RemoteHostTest : public QObject {
    Q_OBJECT

private slots:
    void destinations_data();
    void destinations();
    void listings_data();
    void listings();
};

void RemoteHostTest::destinations_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("written"); // as read back; empty when refused
    QTest::addColumn<QString>("host");
    QTest::newRow("host") << "server"
                          << "server"
                          << "server";
    QTest::newRow("user, host, port") << "root@127.0.0.1:2222"
                                      << "root@127.0.0.1:2222"
                                      << "127.0.0.1";
    QTest::newRow("IPv6 with port") << "admin@[::1]:22"
                                    << "admin@[::1]:22"
                                    << "::1";
    QTest::newRow("IPv6 bare") << "::1"
                               << "::1"
                               << "::1";
    QTest::newRow("last @ ends the user") << "a@b@host"
                                          << "a@b@host"
                                          << "host";
    QTest::newRow("leading dash") << "-oProxyCommand=x"
                                  << ""
                                  << "";
    QTest::newRow("dash host after user") << "root@-oProxyCommand=x"
                                          << ""
                                          << "";
    QTest::newRow("dash user") << "-l@host"
                               << ""
                               << "";
    QTest::newRow("space") << "host name"
                           << ""
                           << "";
    QTest::newRow("tab") << "host\tx"
                         << ""
                         << "";
    QTest::newRow("line end") << "host\nx"
                              << ""
                              << "";
    QTest::newRow("escape") << "host\x1b[2J"
                            << ""
                            << "";
    QTest::newRow("direction mark") << QStringLiteral("host\u202e") << ""
                                    << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("empty user") << "@host"
                                << ""
                                << "";
    QTest::newRow("empty port") << "host:"
                                << ""
                                << "";
    QTest::newRow("port 0") << "host:0"
                            << ""
                            << "";
    QTest::newRow("port too big") << "host:65536"
                                  << ""
                                  << "";
    QTest::newRow("signed port") << "host:+22"
                                 << ""
                                 << "";
    QTest::newRow("unclosed bracket") << "[::1:22"
                                      << ""
                                      << "";
    QTest::newRow("too long") << QString(400, QLatin1Char('a')) << ""
                              << "";
}

void RemoteHostTest::destinations() {
    QFETCH(QString, text);
    QFETCH(QString, written);
    QFETCH(QString, host);
    const os::remote::DestinationCheck check = os::remote::readDestination(text);
    QCOMPARE(check.destination.has_value(), !written.isEmpty());
    QCOMPARE(check.refusal.isEmpty(), !written.isEmpty());
    if (check.destination) {
        QCOMPARE(check.destination->written(), written);
        QCOMPARE(check.destination->host, host);
    }
}

namespace {
const QByteArray Head =
    "M tavren-remote 1\nM ss tcp\nState Recv-Q Send-Q Local Address:Port Peer Address:Port Process\n";
const QByteArray Socket =
    "ESTAB 0 0 10.0.0.2:22 10.0.0.9:51000 users:((\"sshd\",pid=812,fd=4)) ino:77 sk:1 <->\n";
const QByteArray Figures = "\t ts rtt:1.5/0.7 bytes_acked:1001 bytes_received:300 retrans:0/2\n";
const QByteArray Owner =
    "M process 812 5000 0\nM exe 812 /usr/sbin/sshd\a\nM cmdline 812 sshd:\x01root\x01\x01\nM user 0 root\n";
} // namespace

void RemoteHostTest::listings_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("dropped");
    QTest::addColumn<QString>("sockets"); // "pid local:port remote:port state held"; ", " between
    QTest::addColumn<QString>("owner");   // pid 812's path | command line | user id

    const QString sshd = QStringLiteral("812 10.0.0.2:22 10.0.0.9:51000 5 1");
    const QString owner = QStringLiteral("/usr/sbin/sshd|sshd: root|0");
    QTest::newRow("whole") << Head + Socket + Figures + Owner + "M end\n" << true << 0 << sshd << owner;
    QTest::newRow("no end: cut") << Head + Socket + Figures + Owner << false << 0 << sshd << owner;
    QTest::newRow("last line without its end")
        << Head + Socket + "ESTAB 0 0 10.0.0.2:22 10.0.0.9:51" << false << 1 << sshd << "||";
    QTest::newRow("greeting before the script") << "Welcome!\n" + Head + Socket + "M end\n"
                                                << true << 0 << sshd << "||";
    QTest::newRow("not a listing") << QByteArray("bash: sh: not found\n") << false << 0 << ""
                                   << "||";
    QTest::newRow("bad port, bad state, bad address")
        << Head + "ESTAB 0 0 10.0.0.2:99999 10.0.0.9:1 users:((\"a\",pid=1,fd=3))\n"
                  "WAITING 0 0 10.0.0.2:1 10.0.0.9:1 users:((\"a\",pid=1,fd=3))\n"
                  "ESTAB 0 0 host.example:1 10.0.0.9:1 users:((\"a\",pid=1,fd=3))\nM end\n"
        << true << 3 << ""
        << "||";
    QTest::newRow("name cut by a line end")
        << Head + "ESTAB 0 0 10.0.0.2:22 10.0.0.9:1 users:((\"x\n" + "y\",pid=5,fd=3))\nM end\n"
        << true << 2 << ""
        << "||";
    QTest::newRow("marker of another run, figures without socket") << Head + "X end\n" + Figures + "M end\n"
                                                                   << true << 2 << ""
                                                                   << "||";
    QTest::newRow("owner not announced, lines after the end")
        << Head + "M exe 812 /bin/x\nM end\n" + Socket << true << 2 << ""
        << "||";
    QTest::newRow("other users' and time-wait sockets")
        << Head +
               "ESTAB 0 0 [::1]:631 [::1]:40000 ino:99 <->\nTIME-WAIT 0 0 127.0.0.1%lo:80 127.0.0.1:3 <->\n"
               "LISTEN 0 5 *:22 *:* users:((\"d\",pid=9,fd=3)) ino:5\nM end\n"
        << true << 0 << "0 ::1:631 ::1:40000 5 1, 0 127.0.0.1:80 127.0.0.1:3 11 0, 9 0.0.0.0:22 0.0.0.0:0 2 1"
        << "||";
    QTest::newRow("companion's listing")
        << QByteArray(
               "M tavren-remote 1\nM netstat\r\n\r\nActive Connections\r\n\r\n  Proto  Local Address\r\n"
               "  TCP    10.0.0.2:22    10.0.0.9:51000    ESTABLISHED     812\r\n"
               "  UDP    [::]:5353      *:*    0\r\n  TCP  1.2.3.4:1  1.2.3.4:2  ESTABLISHED\r\nM end\n")
        << true << 1 << sshd + ", 0 :::5353 :::0 0 1"
        << "||";
}

void RemoteHostTest::listings() {
    QFETCH(QByteArray, output);
    QFETCH(bool, complete);
    QFETCH(int, dropped);
    QFETCH(QString, sockets);
    QFETCH(QString, owner);
    const os::remote::RemoteListing listing = os::remote::parseRemoteListing(output, "M");
    QCOMPARE(listing.complete, complete);
    QCOMPARE(listing.droppedLines, dropped);
    QStringList read;
    for (const os::remote::RemoteSocket& s : listing.sockets)
        read << QStringLiteral("%1 %2:%3 %4:%5 %6 %7")
                    .arg(s.processId)
                    .arg(s.localAddress)
                    .arg(s.localPort)
                    .arg(s.remoteAddress)
                    .arg(s.remotePort)
                    .arg(s.state)
                    .arg(int(s.held));
    QCOMPARE(read.join(QStringLiteral(", ")), sockets);
    const os::remote::RemoteProcess process = listing.processes.value(812);
    const std::optional<std::uint32_t> user = process.userId;
    QCOMPARE(QStringLiteral("%1|%2|%3")
                 .arg(process.executable, process.commandLine.value_or(QString()),
                      user ? QString::number(*user) : QString()),
             owner);
    if (output.contains("bytes_acked") && !listing.sockets.empty() && listing.sockets.front().figures) {
        const os::TrafficFigures figures = *listing.sockets.front().figures;
        QCOMPARE(figures, (os::TrafficFigures{1001, 300, 1500, 2}));
    }
}

QTEST_GUILESS_MAIN(RemoteHostTest)
#include "tst_remotehost.moc"
