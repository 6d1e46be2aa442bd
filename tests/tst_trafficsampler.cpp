// links: tavren_snapshot tavren_os Qt6::Network
#include "platform/os/linux/LinuxSystem.h"
#include "snapshot/TrafficRates.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

class TrafficSamplerTest : public QObject {
    Q_OBJECT
private slots:
    void samplesCountRealLoopbackTraffic();
};

namespace {

// Sends `bytes` from one end and reads them all at the other.
bool push(QTcpSocket& from, QTcpSocket& to, qint64 bytes) {
    from.write(QByteArray(bytes, 'x'));
    for (qint64 received = 0; received < bytes;) {
        from.waitForBytesWritten(10);
        if (!to.waitForReadyRead(5000) && to.bytesAvailable() == 0)
            return false;
        received += to.readAll().size();
    }
    return true;
}

} // namespace

// Each end of a loopback connection of this test, IPv4 and IPv6, is in a sample with what was
// sent and received; a second sample after more traffic gives the rate of that traffic.
void TrafficSamplerTest::samplesCountRealLoopbackTraffic() {
    os::LinuxSystem system;
    std::unique_ptr<os::TrafficSampler> sampler = system.makeTrafficSampler();
    QSignalSpy sampled(sampler.get(), &os::TrafficSampler::sampled);
    QTcpServer servers[2];
    QTcpSocket clients[2];
    QTcpSocket* accepted[2] = {};
    const QHostAddress loopback[2] = {QHostAddress::LocalHost, QHostAddress::LocalHostIPv6};
    for (int i = 0; i < 2; ++i) {
        QVERIFY(servers[i].listen(loopback[i]));
        clients[i].connectToHost(loopback[i], servers[i].serverPort());
        QVERIFY(clients[i].waitForConnected(5000) && servers[i].waitForNewConnection(5000));
        accepted[i] = servers[i].nextPendingConnection();
        QVERIFY(push(clients[i], *accepted[i], 300000));
    }
    sampler->start(std::chrono::milliseconds(300));
    QVERIFY(sampler->isRunning());
    QVERIFY(sampled.wait(5000)); // the first sample comes at once, on the sampler's thread
    const std::shared_ptr<const os::TrafficSample> first = sampler->latest();
    for (int i = 0; i < 2; ++i)
        QVERIFY(push(clients[i], *accepted[i], 200000));
    const auto pushed = std::chrono::steady_clock::now();
    while (sampler->latest()->takenAt <= pushed)
        QVERIFY(sampled.wait(5000));
    sampler->stop();
    QVERIFY(!sampler->isRunning());
    const std::shared_ptr<const os::TrafficSample> second = sampler->latest();
    const double seconds = std::chrono::duration<double>(second->takenAt - first->takenAt).count();

    const TrafficByConnection rates = trafficRates(first.get(), *second);
    for (int i = 0; i < 2; ++i) {
        const QString address = loopback[i].toString();
        const auto sender =
            rates.find(*connectionEndsOf(address, clients[i].localPort(), address, clients[i].peerPort()));
        const auto receiver = rates.find(
            *connectionEndsOf(address, accepted[i]->localPort(), address, accepted[i]->peerPort()));
        QVERIFY2(sender != rates.end() && receiver != rates.end(), qPrintable(address));
        // What the kernel counts is what this test moved, payload only: the opening SYN that
        // the kernel counts as acknowledged is no byte the application sent.
        QCOMPARE(sender->totals.bytesSent, 500000u);
        QCOMPARE(receiver->totals.bytesReceived, 500000u);
        QCOMPARE(receiver->totals.bytesSent, 0u);
        QVERIFY(sender->totals.roundTripMicroseconds > 0);
        QVERIFY(sender->sentPerSecond && receiver->receivedPerSecond);
        QCOMPARE(qRound64(*sender->sentPerSecond * seconds), 200000);
        QCOMPARE(qRound64(*receiver->receivedPerSecond * seconds), 200000);
    }
}

QTEST_GUILESS_MAIN(TrafficSamplerTest)
#include "tst_trafficsampler.moc"
