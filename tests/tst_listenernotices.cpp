// links: tavren_mainwindow
// platforms: linux windows
#include "mainwindow/ListenerNotices.h"

#include <QtTest>

using namespace std::chrono_literals;

class ListenerNoticesTest : public QObject {
    Q_OBJECT

private slots:
    // The notice names program, process, user, protocol and both parts of the address; what
    // the process chose is cleaned.
    void text_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("udp");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("text");
        QTest::newRow("as in the issue") << "python3.11" << "alice" << false << "0.0.0.0"
                                         << "python3.11 (process 4242, user alice) now listens on TCP 0.0.0.0:8000";
        QTest::newRow("IPv6 UDP") << "avahi" << "avahi" << true << "::"
                                  << "avahi (process 4242, user avahi) now listens on UDP [::]:8000";
        QTest::newRow("unknown user") << "x" << "" << false << "127.0.0.1"
                                      << "x (process 4242, user unknown) now listens on TCP 127.0.0.1:8000";
        QTest::newRow("name that reorders and breaks")
            << QString("evil\u202Egnp.exe\n") << "bob" << false << "0.0.0.0"
            << QString("evil\uFFFDgnp.exe\uFFFD (process 4242, user bob) now listens on TCP 0.0.0.0:8000");
    }
    void text() {
        QFETCH(QString, program);
        QFETCH(QString, user);
        QFETCH(bool, udp);
        QFETCH(QString, address);
        QTEST(listenerNoticeText({program, 4242, user, udp, address, 8000}), "text");
    }

    // At most one notice a second; those that come sooner go out together a second after
    // the last one, the first named and the others counted.
    void pacing_data() {
        QTest::addColumn<QList<int>>("arrivals");   // milliseconds, one notice each: "n<index>"
        QTest::addColumn<QList<int>>("looks");      // milliseconds at which the due ones are asked for
        QTest::addColumn<QStringList>("shown");     // in order, each "time:text"
        QTest::newRow("one") << QList<int>{0} << QList<int>{500, 2000} << QStringList{"0:n0"};
        QTest::newRow("two apart") << QList<int>{0, 1000} << QList<int>{} << QStringList{"0:n0", "1000:n1"};
        QTest::newRow("second too soon")
            << QList<int>{0, 300} << QList<int>{900, 1000} << QStringList{"0:n0", "1000:n1"};
        QTest::newRow("burst counted")
            << QList<int>{0, 10, 20, 30} << QList<int>{1000, 2000}
            << QStringList{"0:n0", "1000:n1\n(and 2 more new listening ports)"};
        QTest::newRow("one more") << QList<int>{0, 10, 20} << QList<int>{1500}
                                  << QStringList{"0:n0", "1500:n1\n(and 1 more new listening port)"};
        QTest::newRow("late arrival waits its turn")
            << QList<int>{0, 500, 1200} << QList<int>{} << QStringList{"0:n0"};
    }
    void pacing() {
        QFETCH(QList<int>, arrivals);
        QFETCH(QList<int>, looks);
        NoticePacer pacer;
        const NoticePacer::Clock::time_point start{1h};
        QList<std::pair<int, bool>> events; // time, arrival (else a look), in time order
        for (int at : arrivals)
            events << std::pair{at, true};
        for (int at : looks)
            events << std::pair{at, false};
        std::stable_sort(events.begin(), events.end(), [](auto a, auto b) { return a.first < b.first; });
        QStringList shown;
        int next = 0;
        for (auto [at, arrival] : events) {
            const auto now = start + std::chrono::milliseconds(at);
            const std::optional<QString> text = arrival ? pacer.add(QStringLiteral("n%1").arg(next++), now)
                                                        : pacer.due(now);
            if (text)
                shown << QStringLiteral("%1:%2").arg(at).arg(*text);
        }
        QTEST(shown, "shown");
        if (const auto due = pacer.nextDue())
            QVERIFY(*due - start >= std::chrono::milliseconds(shown.isEmpty() ? 0 : 1000));
    }
};

QTEST_MAIN(ListenerNoticesTest)
#include "tst_listenernotices.moc"
