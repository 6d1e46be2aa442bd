// links: tavren_mainwindow
// platforms: linux windows
#define Q_TEST_QPIXMAPCACHE // QPixmapCache::totalUsed()
#include "mainwindow/Form1.h"
#include "snapshot/ConnectionTable.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/widgets/ListView.h"
#include "support/NetstatListing.h"

#include <QPixmapCache>
#include <QTest>

using testsupport::finished;
using testsupport::listing;

class RefreshBoundTest : public QObject {
    Q_OBJECT

private slots:
    void churnLeavesPixmapCacheBounded();
};

// Each refresh one connection ends and another starts, owned by a new process of a program not
// seen before, beside two that stay; the window paints after each refresh. Qt's pixmap cache
// may keep what is on screen (a few KiB), never a copy of every row icon shown: 800 refreshes
// of four rows would leave over 3 MiB there. totalUsed() counts in MiB, rounded up.
void RefreshBoundTest::churnLeavesPixmapCacheBounded() {
    os::FakeSystem system;
    QPixmap picture(48, 48);
    picture.fill(Qt::darkCyan);
    system.defaultIcon = QIcon(picture);
    system.executablePaths = {{10, "/usr/bin/steady"}, {11, "/usr/bin/other"}};
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    int usedAfterWarmUp = 0;
    for (int refresh = 1; refresh <= 800; ++refresh) {
        const int process = 1000 + refresh;
        system.executablePaths.insert(process, QStringLiteral("/opt/churn/tool-%1").arg(refresh));
        system.processIdList = {10, 11, process};
        system.defaultCommandResult = finished(listing({
            {"127.0.0.1:40000", "127.0.0.1:80", "ESTABLISHED", 10},
            {"127.0.0.1:40001", "127.0.0.1:443", "ESTABLISHED", 11},
            {QStringLiteral("127.0.0.1:%1").arg(50000 + refresh), "127.0.0.1:8080", "ESTABLISHED", process},
        }));
        form.RefreshView();
        form.ListView1->setSelectedIndex(refresh % 4 + 1); // the selected look as well
        form.grab();
        if (refresh == 20)
            usedAfterWarmUp = QPixmapCache::totalUsed();
    }
    QCOMPARE_LE(QPixmapCache::totalUsed(), usedAfterWarmUp + 1);
}

QTEST_MAIN(RefreshBoundTest)
#include "tst_refreshbound.moc"
