// links: tavren_snapshot tavren_os
#include "snapshot/NetstatParser.h"

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
    void kindsReadOnlyWhenAsked_data();
    void kindsReadOnlyWhenAsked();
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
    QTest::newRow("zero id") << "  TCP a:1 b:2 ESTABLISHED 0\r\n";
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

// Listening and UDP lines are records only when asked for; a line whose owner reads 0 is
// never a record, and is kept aside as unowned unless it is time-wait (no process holds one).
void ParserTest::kindsReadOnlyWhenAsked_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<bool>("udp");
    QTest::addColumn<QString>("stored"); // "protocol|local host|local port|host|port|state|pid", or empty
    QTest::addColumn<int>("unowned");
    const QString listen = "  TCP    0.0.0.0:22    0.0.0.0:0    LISTENING    812";
    const QString udp4 = "  UDP    0.0.0.0:5353    *:*    812";
    const QString udp6 = "  UDP    [::1]:53    *:*    9";
    QTest::newRow("listening, not asked") << listen << false << true << "" << 0;
    QTest::newRow("listening, asked")
        << listen << true << false << "TCP|0.0.0.0|22|0.0.0.0|0|LISTENING|812" << 0;
    QTest::newRow("udp, not asked") << udp4 << true << false << "" << 0;
    QTest::newRow("udp, asked") << udp4 << false << true << "UDP|0.0.0.0|5353|*|*||812" << 0;
    QTest::newRow("udp ipv6, asked") << udp6 << false << true << "UDP|::1|53|*|*||9" << 0;
    QTest::newRow("connection, nothing asked") << "  TCP [::1]:40000 [::1]:631 ESTABLISHED 5" << false
                                               << false << "TCP|::1|40000|::1|631|ESTABLISHED|5" << 0;
    QTest::newRow("unowned connection")
        << "  TCP 10.0.0.1:40000 peer:80 ESTABLISHED 0" << false << false << "" << 1;
    QTest::newRow("unowned time-wait")
        << "  TCP 10.0.0.1:40000 peer:80 TIME_WAIT 0" << false << false << "" << 0;
    QTest::newRow("unowned listener, not asked")
        << "  TCP 0.0.0.0:25 0.0.0.0:0 LISTENING 0" << false << false << "" << 0;
    QTest::newRow("unowned udp, asked") << "  UDP 0.0.0.0:68 *:* 0" << false << true << "" << 1;
    QTest::newRow("owner not a number")
        << "  TCP 10.0.0.1:40000 peer:80 ESTABLISHED PID" << true << true << "" << 0;
}

void ParserTest::kindsReadOnlyWhenAsked() {
    QFETCH(QString, line);
    QFETCH(bool, listening);
    QFETCH(bool, udp);
    QFETCH(QString, stored);
    QFETCH(int, unowned);
    ConnectionSnapshot snapshot;
    QString text = "\r\nActive Connections\r\n" + line + "\r\n";
    ParseNetstatOutput(snapshot, text, {}, ListingKinds{listening, udp});
    QCOMPARE(snapshot.UnownedConnections.size(), unowned);
    QCOMPARE(snapshot.ConnectionCount, stored.isEmpty() ? 0 : 1);
    if (stored.isEmpty())
        return;
    const ConnectionRecord& record = *snapshot.ConnectionTable.at(0);
    QCOMPARE(QStringList({record.Protocol, record.LocalHost, record.LocalPort, record.RemoteHost,
                          record.RemotePort, record.State, QString::number(record.ProcessId)})
                 .join('|'),
             stored);
}

QTEST_GUILESS_MAIN(ParserTest)
#include "tst_parser.moc"
