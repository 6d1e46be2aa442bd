// links: tavren_snapshot tavren_os
// platforms: linux windows
#include "snapshot/NetstatParser.h"
#include "snapshot/SocketMatching.h"
#include "support/RecordedListing.h"

#include <QTest>

class ParserTest : public QObject {
    Q_OBJECT

private slots:
    void fieldsOfOneLine_data();
    void fieldsOfOneLine();
    void droppedLines_data();
    void droppedLines();
    void collapseMatchesRepeatedHalving_data();
    void collapseMatchesRepeatedHalving();
    void emptyTextKeepsRecords();
    void orderAndStaleSlots();
    void storesEveryConnection_data();
    void storesEveryConnection();
    void yieldsWhileParsing();
    void changesCallersText();
    void kindsAddressesAndOthers_data();
    void kindsAddressesAndOthers();
    void recordedWindowsListings_data();
    void recordedWindowsListings();
};

namespace {

ConnectionSnapshot parse(QString text) {
    ConnectionSnapshot snapshot;
    ParseNetstatOutput(snapshot, text);
    return snapshot;
}

} // namespace

void ParserTest::fieldsOfOneLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("localPort");
    QTest::addColumn<QString>("remoteHost");
    QTest::addColumn<QString>("remotePort");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("processId");

    QTest::newRow("plain") << "  TCP    mypc:1025   server:2049  ESTABLISHED  1234"
                           << "1025"
                           << "server"
                           << "2049"
                           << "ESTABLISHED" << 1234;
    QTest::newRow("http foreign") << "  TCP mypc:1025 server:http ESTABLISHED 7"
                                  << "1025"
                                  << "server"
                                  << "80 (Http)"
                                  << "ESTABLISHED" << 7;
    QTest::newRow("https foreign") << "  TCP mypc:1025 server:https TIME_WAIT 7"
                                   << "1025"
                                   << "server"
                                   << "443 (Https)"
                                   << "TIME_WAIT" << 7;
    QTest::newRow("local http stays") << "  TCP mypc:http server:5 ESTABLISHED 7"
                                      << "http"
                                      << "server"
                                      << "5"
                                      << "ESTABLISHED" << 7;
    QTest::newRow("http only exact") << "  TCP a:1 server:HTTP ESTABLISHED 7"
                                     << "1"
                                     << "server"
                                     << "HTTP"
                                     << "ESTABLISHED" << 7;
    QTest::newRow("several colons") << "  TCP a:1:2 b:3:4 ESTABLISHED 9"
                                    << "1:2"
                                    << "b"
                                    << "3:4"
                                    << "ESTABLISHED" << 9;
    QTest::newRow("no colon") << "  TCP a1 b2 SYN_SENT 9"
                              << "a1"
                              << ""
                              << "b2"
                              << "SYN_SENT" << 9;
    QTest::newRow("ipv6 in brackets") << "  TCP [::1]:631 [fe80::1]:https ESTABLISHED 12"
                                      << "631"
                                      << "fe80::1"
                                      << "443 (Https)"
                                      << "ESTABLISHED" << 12;
    QTest::newRow("bracket without port") << "  TCP [::1] [::1] ESTABLISHED 12"
                                          << ":1]"
                                          << "["
                                          << ":1]"
                                          << "ESTABLISHED" << 12;
    QTest::newRow("more fields ignored") << "  TCP a:1 b:2 CLOSE_WAIT 5 extra more"
                                         << "1"
                                         << "b"
                                         << "2"
                                         << "CLOSE_WAIT" << 5;
    QTest::newRow("tab stays in field") << "  TCP a:1\tx b:2 ESTABLISHED 5"
                                        << "1\tx"
                                        << "b"
                                        << "2"
                                        << "ESTABLISHED" << 5;
    QTest::newRow("carriage return stays in field") << "  TCP a:1\r b:2 ESTABLISHED 5"
                                                    << "1\r"
                                                    << "b"
                                                    << "2"
                                                    << "ESTABLISHED" << 5;
    QTest::newRow("long runs") << QString(40, ' ') + "TCP" + QString(17, ' ') + "a:1     b:2  S    5   "
                               << "1"
                               << "b"
                               << "2"
                               << "S" << 5;
    QTest::newRow("negative id") << "  TCP a:1 b:2 S -3"
                                 << "1"
                                 << "b"
                                 << "2"
                                 << "S" << -3;
    QTest::newRow("largest id") << "  TCP a:1 b:2 S 2147483647"
                                << "1"
                                << "b"
                                << "2"
                                << "S" << 2147483647;
}

void ParserTest::fieldsOfOneLine() {
    QFETCH(QString, line);
    const ConnectionSnapshot snapshot = parse(line + "\r\n");
    QCOMPARE(snapshot.ConnectionCount, 1);
    const ConnectionRecord& record = *snapshot.ConnectionTable.at(0);
    QTEST(record.LocalPort, "localPort");
    QTEST(record.RemoteHost, "remoteHost");
    QTEST(record.RemotePort, "remotePort");
    QTEST(record.State, "state");
    QTEST(int(record.ProcessId), "processId");
    QVERIFY(record.ImagePath.isEmpty());
}

void ParserTest::droppedLines_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("zero id, closing") << "  TCP a:1 b:2 TIME_WAIT 0\r\n";
    QTest::newRow("no indentation") << "TCP a:1 b:2 ESTABLISHED 5\r\n";
    QTest::newRow("five fields") << "  TCP a:1 b:2 ESTABLISHED\r\n";
    QTest::newRow("word id") << "  Proto Local Foreign State PID\r\n";
    QTest::newRow("id with letters") << "  TCP a:1 b:2 S 12ab\r\n";
    QTest::newRow("id too large") << "  TCP a:1 b:2 S 2147483648\r\n";
    QTest::newRow("id too small") << "  TCP a:1 b:2 S -2147483649\r\n";
    QTest::newRow("id beyond 64 bits") << "  TCP a:1 b:2 S 99999999999999999999999\r\n";
    QTest::newRow("id in hex") << "  TCP a:1 b:2 S 0x1F\r\n";
    QTest::newRow("id with tab") << "  TCP a:1 b:2 S \t5\r\n";
    QTest::newRow("title lines") << "\r\nActive Connections\r\n\r\n";
    QTest::newRow("error text") << "Error: CreateProcess failed. 2";
    QTest::newRow("bare line feeds join lines") << "  TCP a:1 b:2 S 5\n  TCP c:3 d:4 S 6\n";
    QTest::newRow("bare carriage returns join lines") << "  TCP a:1 b:2 S 5\r  TCP c:3 d:4 S 6\r";
    QTest::newRow("line feed before carriage return") << "  TCP a:1 b:2 S 5\n\r  TCP c:3 d:4 S 6\n\r";
}

void ParserTest::droppedLines() {
    QFETCH(QString, text);
    ConnectionSnapshot snapshot;
    snapshot.ConnectionCount = 3;
    ParseNetstatOutput(snapshot, text);
    QCOMPARE(snapshot.ConnectionCount, 0);
}

void ParserTest::collapseMatchesRepeatedHalving_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("only spaces") << QString(1000, ' ');
    QTest::newRow("mixed") << "  a   b    c\r\n     d \t  e  ";
    QString varied;
    for (int run = 1; run < 70; ++run)
        varied += QString(run, ' ') + QString::number(run);
    QTest::newRow("runs of every length") << varied;
}

void ParserTest::collapseMatchesRepeatedHalving() {
    QFETCH(QString, text);
    QString expected = text;
    while (expected.contains("  "))
        expected.replace("  ", " ");
    collapseSpaces(text);
    QCOMPARE(text, expected);
}

void ParserTest::emptyTextKeepsRecords() {
    ConnectionSnapshot snapshot;
    QString first = "  TCP a:1 b:2 S 5\r\n";
    ParseNetstatOutput(snapshot, first);
    QString empty;
    ParseNetstatOutput(snapshot, empty);
    QCOMPARE(snapshot.ConnectionCount, 0);
    QCOMPARE(snapshot.ConnectionTable.at(0)->ProcessId, 5);
}

void ParserTest::orderAndStaleSlots() {
    ConnectionSnapshot snapshot;
    QString ten;
    for (int i = 1; i <= 10; ++i)
        ten += QString("  TCP a:%1 b:2 S %1\r\n").arg(i);
    ParseNetstatOutput(snapshot, ten);
    QCOMPARE(snapshot.ConnectionCount, 10);
    snapshot.ConnectionTable.at(0)->ImagePath = "/old/path";

    QString four = "header\r\n  TCP a:1 b:2 S 0\r\n";
    for (int i = 21; i <= 24; ++i)
        four += QString("  TCP a:%1 b:2 S %1\r\n").arg(i);
    ParseNetstatOutput(snapshot, four);
    QCOMPARE(snapshot.ConnectionCount, 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(snapshot.ConnectionTable.at(i)->ProcessId, 21 + i);
    QVERIFY(snapshot.ConnectionTable.at(0)->ImagePath.isEmpty());
    for (int i = 4; i < 10; ++i)
        QCOMPARE(snapshot.ConnectionTable.at(i)->ProcessId, i + 1);
}

void ParserTest::storesEveryConnection_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("stored");
    QTest::newRow("a few") << 5 << 5;
    QTest::newRow("the old table's size") << 2001 << 2001;
    QTest::newRow("one more") << 2002 << 2002;
    QTest::newRow("many more") << 15000 << 15000;
}

// There is no fixed capacity: every connection line is stored, in order. Lines without a
// process id count as no connection.
void ParserTest::storesEveryConnection() {
    QFETCH(int, lines);
    QFETCH(int, stored);
    ConnectionSnapshot snapshot;
    QString text = "title\r\n";
    for (int i = 1; i <= lines; ++i)
        text += QString("  TCP a:%1 b:2 S %1\r\n  TCP a:%1 b:3 S 0\r\n").arg(i);
    ParseNetstatOutput(snapshot, text);
    QCOMPARE(snapshot.ConnectionCount, stored);
    QCOMPARE(snapshot.ConnectionTable.at(stored - 1)->ProcessId, stored);
}

void ParserTest::yieldsWhileParsing() {
    ConnectionSnapshot snapshot;
    QString text = "title\r\n  TCP a:1 b:2 S 5\r\n  TCP a:1 b:2 S 6";
    int yields = 0;
    int countSeenInYield = -1;
    ParseNetstatOutput(snapshot, text, [&] {
        ++yields;
        countSeenInYield = snapshot.ConnectionCount;
    });
    // After collapsing, after splitting each of three lines, after storing each of two records.
    QCOMPARE(yields, 1 + 3 + 2);
    QCOMPARE(countSeenInYield, 0);
    QCOMPARE(snapshot.ConnectionCount, 2);
}

void ParserTest::changesCallersText() {
    ConnectionSnapshot snapshot;
    QString text = "  TCP   a:1";
    ParseNetstatOutput(snapshot, text);
    QCOMPARE(text, QString(" TCP a:1"));
}

// Listening and UDP lines are records only when asked for. A record learns its own numeric
// remote address from the kernel's socket of the same protocol, local address and ports,
// however the line wrote them. A line owned by "-" is another user's connection and no record.
void ParserTest::kindsAddressesAndOthers_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("kinds");       // 1 listening, 2 udp
    QTest::addColumn<QString>("sockets"); // "T|U local port remote port [free]", ";" between
    QTest::addColumn<int>("others");
    QTest::addColumn<QString>("stored"); // protocol|local host|local port|host|port|state|pid|address
    const QString listen = "  TCP 0.0.0.0:22 0.0.0.0:0 LISTENING 812", udp = "  UDP [::1]:53 *:* 9";
    const QString name = "  TCP [::1]:4000 localhost:ipp ESTABLISHED 5", v6 = "T ::1 4000 ::1 631";
    const QString named = "TCP|::1|4000|localhost|ipp|ESTABLISHED|5|";
    QTest::newRow("listening, not asked") << listen << 2 << "" << 0 << "";
    QTest::newRow("listening") << listen << 1 << "" << 0 << "TCP|0.0.0.0|22|0.0.0.0|0|LISTENING|812|0.0.0.0";
    QTest::newRow("udp") << udp << 2 << "U ::1 53 :: 0" << 0 << "UDP|::1|53|*|*||9|";
    QTest::newRow("ipv6 numbers") << "  TCP [::1]:4000 [::1]:631 SYN_SENT 5" << 0 << "" << 0
                                  << "TCP|::1|4000|::1|631|SYN_SENT|5|::1";
    QTest::newRow("name, named port") << name << 0 << v6 + ";T ::1 631 ::1 4000" << 0 << named + "::1";
    QTest::newRow("no socket left") << name << 0 << "" << 0 << named;
    QTest::newRow("two peers") << name << 0 << v6 + ";T ::1 4000 ::9 631" << 0 << named;
    QTest::newRow("https text") << "  TCP 10.0.0.2:4000 web:https CLOSE_WAIT 5" << 0
                                << "T 10.0.0.2 4000 10.0.0.9 443" << 0
                                << "TCP|10.0.0.2|4000|web|443 (Https)|CLOSE_WAIT|5|10.0.0.9";
    QTest::newRow("other user's") << "  TCP [::1]:4000 localhost:631 ESTABLISHED -" << 0 << v6 << 1 << "";
    QTest::newRow("time-wait") << "  TCP [::1]:4000 localhost:631 TIME_WAIT 0" << 0 << v6 << 0 << "";
    QTest::newRow("orphan") << "  TCP [::1]:4000 localhost:631 FIN_WAIT_1 0" << 0 << v6 << 0 << "";
    QTest::newRow("tcp is not udp") << "  UDP [::1]:4000 *:* 0" << 2 << "T ::1 4000 :: 0" << 0 << "UDP|::1|4000|*|*||0|";
}

void ParserTest::kindsAddressesAndOthers() {
    QFETCH(QString, line);
    QFETCH(int, kinds);
    QFETCH(QString, sockets);
    QFETCH(QString, stored);
    std::vector<os::SocketEndpoint> endpoints;
    for (const QString& socket : sockets.split(';', Qt::SkipEmptyParts)) {
        const QStringList f = socket.split(' ');
        endpoints.push_back({f[0] == "U", f[1], quint16(f[2].toUInt()), quint16(f[4].toUInt()), f[3]});
    }
    ConnectionSnapshot snapshot;
    QString text = line + "\r\n";
    ParseNetstatOutput(snapshot, text, {}, ListingKinds{(kinds & 1) != 0, (kinds & 2) != 0});
    const auto ipp = [](const QString& name) {
        return name == "ipp" ? std::optional<quint16>(631) : std::nullopt;
    };
    matchSocketEndpoints(snapshot, endpoints, ipp);
    QTEST(snapshot.Ownerless.otherUsers, "others");
    const ConnectionRecord* r = snapshot.ConnectionCount ? snapshot.ConnectionTable.at(0) : nullptr;
    const QStringList fields = r ? QStringList{r->Protocol,
                                               r->LocalHost,
                                               r->LocalPort,
                                               r->RemoteHost,
                                               r->RemotePort,
                                               r->State,
                                               QString::number(r->ProcessId),
                                               r->RemoteAddress}
                                 : QStringList();
    QCOMPARE(fields.join('|'), stored);
}

void ParserTest::recordedWindowsListings_data() {
    QTest::addColumn<bool>("numbers");
    QTest::addColumn<QStringList>("stored"); // protocol|local host|local port|host|port|state|pid, in order
    QTest::newRow("names") << false
                           << QStringList{"TCP|127.0.0.1|49670|DESKTOP-4F2K9QJ|49671|ESTABLISHED|5124",
                                          "TCP|127.0.0.1|49671|DESKTOP-4F2K9QJ|49670|ESTABLISHED|5124",
                                          "TCP|192.0.2.23|49702|files|443 (Https)|ESTABLISHED|7312",
                                          "TCP|::1|49680|DESKTOP-4F2K9QJ|49681|ESTABLISHED|4420",
                                          "TCP|2001:db8::1c|49722|mail|imaps|CLOSE_WAIT|9012"};
    QTest::newRow("numbers") << true
                             << QStringList{"TCP|0.0.0.0|135|0.0.0.0|0|LISTENING|996",
                                            "TCP|192.0.2.23|49702|198.51.100.7|443|ESTABLISHED|7312",
                                            "TCP|::|445|::|0|LISTENING|4",
                                            "TCP|fe80::5d1c:2b7a:9e4f:1a2b%12|139|fe80::1%12|52133|ESTABLISHED|4",
                                            "UDP|0.0.0.0|5353|*|*||2760", "UDP|::|500|*|*||4012"};
}

// Windows' own netstat output reads as the companion's: heading, blank UDP state, no owner-less lines.
void ParserTest::recordedWindowsListings() {
    QFETCH(bool, numbers);
    ConnectionSnapshot snapshot;
    QString text = QString::fromLatin1(numbers ? RecordedNumbersListing : RecordedNamesListing);
    ParseNetstatOutput(snapshot, text, {}, ListingKinds{numbers, numbers});
    QStringList stored;
    for (int i = 0; i < snapshot.ConnectionCount; ++i) {
        const ConnectionRecord* r = snapshot.ConnectionTable.at(i);
        stored << QStringList{r->Protocol, r->LocalHost, r->LocalPort, r->RemoteHost, r->RemotePort, r->State,
                              QString::number(r->ProcessId)}
                      .join('|');
    }
    QTEST(stored, "stored");
}

QTEST_GUILESS_MAIN(ParserTest)
#include "tst_parser.moc"
