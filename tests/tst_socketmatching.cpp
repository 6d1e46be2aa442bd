// links: tavren_snapshot tavren_os
#include "snapshot/NetstatParser.h"
#include "snapshot/SocketMatching.h"

#include <QTest>

Q_DECLARE_METATYPE(std::vector<os::SocketEndpoint>)

// A listed line learns its own numeric remote address from the kernel's socket of the same
// protocol, local address and ports, however the listing wrote them; an unowned line that
// some process holds is another user's.
class SocketMatchingTest : public QObject {
    Q_OBJECT

private slots:
    void remoteAddressAndOthers_data();
    void remoteAddressAndOthers();
};

namespace {

os::SocketEndpoint endpoint(const char* local, quint16 localPort, const char* remote, quint16 remotePort,
                            bool held = true, bool udp = false) {
    return {udp, QString::fromLatin1(local), localPort, remotePort, QString::fromLatin1(remote), held};
}

} // namespace

void SocketMatchingTest::remoteAddressAndOthers_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<std::vector<os::SocketEndpoint>>("endpoints");
    QTest::addColumn<QString>("address"); // of the stored record; "-" when none is stored
    QTest::addColumn<int>("others");
    using E = std::vector<os::SocketEndpoint>;
    const E ipv6Loopback{endpoint("::1", 40000, "::1", 631), endpoint("::1", 631, "::1", 40000)};
    QTest::newRow("ipv6 numbers need no socket")
        << "  TCP [::1]:40000 [::1]:631 ESTABLISHED 5" << E{} << "::1" << 0;
    QTest::newRow("ipv4 numbers need no socket")
        << "  TCP 10.0.0.2:40000 10.0.0.1:22 ESTABLISHED 5" << E{} << "10.0.0.1" << 0;
    QTest::newRow("name of a ipv6 peer")
        << "  TCP [::1]:40000 localhost:631 ESTABLISHED 5" << ipv6Loopback << "::1" << 0;
    QTest::newRow("named ports") << "  TCP [::1]:40000 localhost:ipp ESTABLISHED 5"
                                 << E{endpoint("::1", 40000, "::1", 631)} << "::1" << 0;
    QTest::newRow("display text of https")
        << "  TCP 10.0.0.2:40000 web:https ESTABLISHED 5" << E{endpoint("10.0.0.2", 40000, "10.0.0.9", 443)}
        << "10.0.0.9" << 0;
    QTest::newRow("no socket left") << "  TCP [::1]:40000 localhost:631 ESTABLISHED 5" << E{} << "" << 0;
    QTest::newRow("other local address") << "  TCP 10.0.0.2:40000 peer:631 ESTABLISHED 5"
                                         << E{endpoint("10.0.0.3", 40000, "10.0.0.9", 631)} << "" << 0;
    QTest::newRow("two peers, no telling")
        << "  TCP 10.0.0.2:80 peer:40000 ESTABLISHED 5"
        << E{endpoint("10.0.0.2", 80, "10.0.0.8", 40000), endpoint("10.0.0.2", 80, "10.0.0.9", 40000)} << ""
        << 0;
    QTest::newRow("udp has no remote side")
        << "  UDP 0.0.0.0:5353 *:* 7" << E{endpoint("0.0.0.0", 5353, "0.0.0.0", 0, true, true)} << "" << 0;
    QTest::newRow("other user's connection") << "  TCP 10.0.0.2:40000 peer:22 ESTABLISHED 0"
                                             << E{endpoint("10.0.0.2", 40000, "10.0.0.9", 22)} << "-" << 1;
    QTest::newRow("orphan held by none") << "  TCP 10.0.0.2:40000 peer:22 FIN_WAIT_1 0"
                                         << E{endpoint("10.0.0.2", 40000, "10.0.0.9", 22, false)} << "-" << 0;
    QTest::newRow("other user's udp endpoint")
        << "  UDP [::]:68 *:* 0" << E{endpoint("::", 68, "::", 0, true, true)} << "-" << 1;
    QTest::newRow("tcp socket is not the udp one")
        << "  UDP [::]:68 *:* 0" << E{endpoint("::", 68, "::", 0, true, false)} << "-" << 0;
}

void SocketMatchingTest::remoteAddressAndOthers() {
    QFETCH(QString, line);
    QFETCH(std::vector<os::SocketEndpoint>, endpoints);
    QFETCH(QString, address);
    QFETCH(int, others);
    ConnectionSnapshot snapshot;
    QString text = line + "\r\n";
    ParseNetstatOutput(snapshot, text, {}, ListingKinds{true, true});
    const PortOfName portOfName = [](const QString& name) -> std::optional<std::uint16_t> {
        if (name == QLatin1String("ipp"))
            return 631;
        return std::nullopt;
    };
    QCOMPARE(matchSocketEndpoints(snapshot, endpoints, portOfName), others);
    QCOMPARE(snapshot.ConnectionCount, address == "-" ? 0 : 1);
    if (snapshot.ConnectionCount == 1)
        QCOMPARE(snapshot.ConnectionTable.at(0)->RemoteAddress, address);
}

QTEST_GUILESS_MAIN(SocketMatchingTest)
#include "tst_socketmatching.moc"
