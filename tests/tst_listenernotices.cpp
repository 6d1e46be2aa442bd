// links: tavren_mainwindow
// platforms: linux windows
#include "mainwindow/ListenerNotices.h"

#include <QtTest>

class ListenerNoticesTest : public QObject {
    Q_OBJECT

private slots:
    // Program, process, user, protocol and address; what the process chose is cleaned.
    void text_data() {
        QTest::addColumn<QStringList>("listener"); // program, user, protocol, address
        QTest::addColumn<QString>("text");
        QTest::newRow("as in the issue")
            << QStringList{"python3.11", "alice", "TCP", "0.0.0.0"}
            << "python3.11 (process 4242, user alice) now listens on TCP 0.0.0.0:8000";
        QTest::newRow("IPv6 UDP, no user")
            << QStringList{"avahi", "", "UDP", "::"}
            << "avahi (process 4242, user unknown) now listens on UDP [::]:8000";
        QTest::newRow("reordering name")
            << QStringList{"a\u202Eb\n", "bob", "TCP", "::1"}
            << "a\uFFFDb\uFFFD (process 4242, user bob) now listens on TCP [::1]:8000";
    }
    void text() {
        QFETCH(QStringList, listener);
        QTEST(listenerNoticeText({listener[0], 4242, listener[1], listener[2] == "UDP", listener[3], 8000}),
              "text");
    }

    // At most one notice a second; sooner ones wait and go out together, the first named, the
    // others counted. "+T": a notice comes at T ms; "?T": the due ones are asked for.
    void pacing_data() {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QStringList>("shown"); // "T:text"
        QTest::newRow("too soon, then due") << "+0 +300 ?900 ?1000" << QStringList{"0:n0", "1000:n1"};
        QTest::newRow("burst counted") << "+0 +10 +20 +30 ?1000 ?2000"
                                       << QStringList{"0:n0", "1000:n1\n(and 2 more new listening ports)"};
        QTest::newRow("waits behind the waiting") << "+0 +500 +1200" << QStringList{"0:n0"};
    }
    void pacing() {
        QFETCH(QString, events);
        NoticePacer pacer;
        const NoticePacer::Clock::time_point start{std::chrono::hours(1)};
        QStringList shown;
        int arrived = 0;
        for (const QString& event : events.split(' ')) {
            const int at = event.mid(1).toInt();
            const auto now = start + std::chrono::milliseconds(at);
            const auto text =
                event[0] == '+' ? pacer.add(QStringLiteral("n%1").arg(arrived++), now) : pacer.due(now);
            if (text)
                shown << QStringLiteral("%1:%2").arg(at).arg(*text);
        }
        QTEST(shown, "shown");
    }
};

QTEST_MAIN(ListenerNoticesTest)
#include "tst_listenernotices.moc"
