// links: tavren_snapshot tavren_os
// platforms: linux windows
#include "snapshot/TrafficRates.h"

#include <QtTest>

using namespace std::chrono;

class TrafficRatesTest : public QObject {
    Q_OBJECT
private slots:
    void ratesOfTwoSamples_data();
    void ratesOfTwoSamples();
};

// One connection in two samples `seconds` apart. "-1" counters: not in that sample. Expected
// texts: the rates as shown, "" for no rate, "ended" when the result lacks the connection.
void TrafficRatesTest::ratesOfTwoSamples_data() {
    QTest::addColumn<qint64>("sentBefore");
    QTest::addColumn<qint64>("receivedBefore");
    QTest::addColumn<qint64>("sentAfter");
    QTest::addColumn<qint64>("receivedAfter");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<uint>("roundTrip");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("roundTripShown");
    // clang-format off
    // 25395 B in 2 s is 12697.5 B/s = 12.399 KiB/s; 2 MiB in 2 s is 1 MiB/s.
    QTest::newRow("differences per second") << 1000ll << 7ll << 26395ll << 2097159ll << 2.0 << 40u
        << "12.4 KiB/s" << "1.0 MiB/s" << "0.04 ms";
    QTest::newRow("bytes below a KiB, idle") << 0ll << 5000ll << 1000ll << 5000ll << 1.0 << 12500u
        << "1000 B/s" << "0 B/s" << "12.5 ms";
    // 1023.96 KiB/s rounds to 1024.0: shown in the next unit.
    QTest::newRow("unit chosen after rounding") << 0ll << 0ll << 1048535ll << 512ll << 1.0 << 230000u
        << "1.0 MiB/s" << "512 B/s" << "230 ms";
    QTest::newRow("half a second") << 100ll << 100ll << 612ll << 5ll * 1024 * 1024 * 1024 + 100 << 0.5 << 999u
        << "1.0 KiB/s" << "10.0 GiB/s" << "1.00 ms";
    QTest::newRow("new connection: no rate yet") << -1ll << -1ll << 5000ll << 5000ll << 1.0 << 40u
        << "" << "" << "0.04 ms";
    QTest::newRow("socket vanished") << 5000ll << 5000ll << -1ll << -1ll << 1.0 << 40u
        << "ended" << "ended" << "";
    QTest::newRow("restarted socket, lower counters") << 90000ll << 90000ll << 100ll << 95000ll << 1.0 << 40u
        << "" << "" << "0.04 ms";
    QTest::newRow("no time between the samples") << 0ll << 0ll << 100ll << 100ll << 0.0 << 40u
        << "" << "" << "0.04 ms";
    // clang-format on
}

void TrafficRatesTest::ratesOfTwoSamples() {
    QFETCH(qint64, sentBefore);
    QFETCH(qint64, receivedBefore);
    QFETCH(qint64, sentAfter);
    QFETCH(qint64, receivedAfter);
    QFETCH(double, seconds);
    QFETCH(uint, roundTrip);
    QFETCH(QString, sent);
    QFETCH(QString, received);
    QFETCH(QString, roundTripShown);

    const std::optional<os::ConnectionEnds> ends =
        connectionEndsOf(QStringLiteral("::1"), 40000, QStringLiteral("::1"), 443);
    QVERIFY(ends && ends->ipv6 && ends->localAddress[15] == 1 && ends->remotePort == 443);
    QVERIFY(!connectionEndsOf(QStringLiteral("127.0.0.1"), 1, QStringLiteral("::1"), 2));
    QVERIFY(!connectionEndsOf(QStringLiteral("localhost"), 1, QStringLiteral("::1"), 2));
    // Another connection with the same ports in both samples, which must not lend its figures.
    const os::SocketTraffic other{
        *connectionEndsOf(QStringLiteral("127.0.0.1"), 40000, QStringLiteral("127.0.0.1"), 443),
        {1u << 30, 1u << 30, 7, 3}};
    os::TrafficSample before{steady_clock::time_point(10s), {other}};
    os::TrafficSample after{before.takenAt + duration_cast<steady_clock::duration>(duration<double>(seconds)),
                            {other}};
    if (sentBefore >= 0)
        before.sockets.push_back({*ends, {quint64(sentBefore), quint64(receivedBefore), 1, 0}});
    if (sentAfter >= 0)
        after.sockets.push_back({*ends, {quint64(sentAfter), quint64(receivedAfter), roundTrip, 2}});

    const TrafficByConnection rates = trafficRates(&before, after);
    // With no sample before it at all, no connection has a rate.
    for (const ConnectionTraffic& traffic : trafficRates(nullptr, after))
        QVERIFY(!traffic.sentPerSecond && !traffic.receivedPerSecond);
    const auto found = rates.find(*ends);
    if (sent == QLatin1String("ended")) {
        QVERIFY(found == rates.end());
        return;
    }
    QVERIFY(found != rates.end());
    const ConnectionTraffic& traffic = found.value();
    QCOMPARE(traffic.sentPerSecond ? bytesPerSecondText(*traffic.sentPerSecond) : QString(), sent);
    QCOMPARE(traffic.receivedPerSecond ? bytesPerSecondText(*traffic.receivedPerSecond) : QString(),
             received);
    QCOMPARE(roundTripText(traffic.totals.roundTripMicroseconds), roundTripShown);
    QCOMPARE(traffic.totals.bytesSent, quint64(sentAfter));
    QCOMPARE(traffic.totals.retransmits, 2u);
}

QTEST_APPLESS_MAIN(TrafficRatesTest)
#include "tst_trafficrates.moc"
