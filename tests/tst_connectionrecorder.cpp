// links: tavren_os
#include "platform/os/fake/FakeConnectionRecorder.h"
#include "platform/os/linux/LinuxSystem.h"
#include "platform/os/linux/sockets/TcpSocketTable.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class ConnectionRecorderTest : public QObject {
    Q_OBJECT
private slots:
    void payloadLeavesOutSynFinAndRetransmissions_data();
    void payloadLeavesOutSynFinAndRetransmissions();
    void queueCountsWhatPassesItsBound();
    void everyLoopbackConnectionOfAFloodIsRecordedToTheByte();
};

using namespace os::sockets;

void ConnectionRecorderTest::payloadLeavesOutSynFinAndRetransmissions_data() {
    QTest::addColumn<quint64>("bytesSent");
    QTest::addColumn<quint64>("bytesRetrans");
    QTest::addColumn<quint64>("bytesAcked");
    QTest::addColumn<quint64>("bytesReceived");
    QTest::addColumn<int>("state");
    QTest::addColumn<quint64>("sent");
    QTest::addColumn<quint64>("received");
    // The kernel's counts as `ss -ti` shows them for a loopback connection that moved 1000 bytes.
    QTest::newRow("opener, open") << 1000ull << 0ull << 1001ull << 0ull << int(KernelEstablished) << 1000ull << 0ull;
    QTest::newRow("opener, its FIN acknowledged") << 1000ull << 0ull << 1002ull << 0ull << int(KernelFinWait2) << 1000ull << 0ull;
    QTest::newRow("acceptor, peer's FIN in") << 0ull << 0ull << 0ull << 1001ull << int(KernelCloseWait) << 0ull << 1000ull;
    QTest::newRow("acceptor, open") << 0ull << 0ull << 0ull << 1000ull << int(KernelEstablished) << 0ull << 1000ull;
    QTest::newRow("time-wait") << 1000ull << 0ull << 1002ull << 501ull << int(KernelTimeWait) << 1000ull << 500ull;
    QTest::newRow("destroyed after both FINs") << 1000ull << 0ull << 1002ull << 1001ull << int(KernelClose) << 1000ull << 1000ull;
    QTest::newRow("destroyed, nothing in") << 0ull << 0ull << 1ull << 0ull << int(KernelClose) << 0ull << 0ull;
    QTest::newRow("retransmitted bytes once") << 1500ull << 500ull << 1001ull << 0ull << int(KernelEstablished) << 1000ull << 0ull;
}

void ConnectionRecorderTest::payloadLeavesOutSynFinAndRetransmissions() {
    QFETCH(quint64, bytesSent);
    QFETCH(quint64, bytesRetrans);
    QFETCH(quint64, bytesAcked);
    QFETCH(quint64, bytesReceived);
    QFETCH(int, state);
    tcp_info info{};
    info.tcpi_bytes_sent = bytesSent;
    info.tcpi_bytes_retrans = bytesRetrans;
    info.tcpi_bytes_acked = bytesAcked;
    info.tcpi_bytes_received = bytesReceived;
    const TcpTrafficInfo figures = payloadTraffic(&info, sizeof info, std::uint8_t(state));
    QVERIFY(figures.known);
    QTEST(quint64(figures.bytesSent), "sent");
    QTEST(quint64(figures.bytesReceived), "received");
    // A kernel too old to count bytes gives no figures rather than wrong ones.
    QVERIFY(!payloadTraffic(&info, offsetof(tcp_info, tcpi_bytes_acked), std::uint8_t(state)).known);
}

void ConnectionRecorderTest::queueCountsWhatPassesItsBound() {
    os::FakeConnectionRecorder recorder;
    QSignalSpy closed(&recorder, &os::ConnectionRecorder::closed);
    recorder.feed(std::vector<os::ClosedSocket>(os::ConnectionRecorder::QueueBound - 10));
    recorder.feed(std::vector<os::ClosedSocket>(30), 2);
    QCOMPARE(closed.count(), 1); // one wake for all that waits
    const os::ConnectionRecorder::Batch batch = recorder.take();
    QCOMPARE(batch.sockets.size(), os::ConnectionRecorder::QueueBound);
    QCOMPARE(batch.dropped, 22u);
    recorder.feed(std::vector<os::ClosedSocket>(1));
    QCOMPARE(closed.count(), 2);
    QCOMPARE(recorder.take().dropped, 0u);
}

// Another program opens and closes loopback connections as fast as it can, each carrying a
// known number of bytes: every one is recorded at both ends with those bytes, none dropped.
void ConnectionRecorderTest::everyLoopbackConnectionOfAFloodIsRecordedToTheByte() {
    os::LinuxSystem system;
    std::unique_ptr<os::ConnectionRecorder> recorder = system.makeConnectionRecorder();
    recorder->start();
    QVERIFY2(recorder->failure().isEmpty(), qPrintable(recorder->failure()));
    QProcess flood;
    flood.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import socket, sys
listener = socket.socket(socket.AF_INET6 if sys.argv[1] == '6' else socket.AF_INET)
listener.bind(('::1' if sys.argv[1] == '6' else '127.0.0.1', 0))
listener.listen(128)
print(listener.getsockname()[1], flush=True)
for n in range(2000):
    client = socket.create_connection(listener.getsockname()[:2])
    server, _ = listener.accept()
    client.sendall(b'x' * (n % 700 + 1))
    got = 0
    while got < n % 700 + 1:
        got += len(server.recv(4096))
    client.close(); server.recv(1); server.close()
)"), QStringLiteral("4")});
    QVERIFY(flood.waitForReadyRead(10000));
    const quint16 port = flood.readLine().trimmed().toUShort();
    QVERIFY(flood.waitForFinished(120000) && flood.exitCode() == 0);
    QMap<quint16, quint64> sentBy, receivedBy; // by the client's port
    std::uint64_t dropped = 0;
    for (QDeadlineTimer deadline(10000); sentBy.size() < 2000 || receivedBy.size() < 2000;) {
        QVERIFY2(!deadline.hasExpired(), qPrintable(QString::number(sentBy.size())));
        QTest::qWait(50);
        os::ConnectionRecorder::Batch batch = recorder->take();
        dropped += batch.dropped;
        for (const os::ClosedSocket& socket : batch.sockets) {
            QVERIFY(socket.figures);
            if (socket.ends.remotePort == port)
                sentBy[socket.ends.localPort] = socket.figures->bytesSent;
            else if (socket.ends.localPort == port)
                receivedBy[socket.ends.remotePort] = socket.figures->bytesReceived;
        }
    }
    recorder->stop();
    QCOMPARE(dropped, 0u);
    for (auto each = sentBy.cbegin(); each != sentBy.cend(); ++each) // each connection's bytes at both ends
        QVERIFY2(receivedBy.value(each.key()) == each.value(),
                 qPrintable(QStringLiteral("port %1: sent %2, received %3")
                                .arg(each.key()).arg(each.value()).arg(receivedBy.value(each.key()))));
    QMap<quint64, int> sizes;
    for (quint64 bytes : sentBy)
        ++sizes[bytes];
    QCOMPARE(sizes.size(), 700); // every size from 1 to 700 bytes, none off by a SYN or FIN
    QCOMPARE(sizes.firstKey(), 1u);
    QCOMPARE(sizes.lastKey(), 700u);
}

QTEST_GUILESS_MAIN(ConnectionRecorderTest)
#include "tst_connectionrecorder.moc"
