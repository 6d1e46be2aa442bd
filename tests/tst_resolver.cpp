// links: tavren_snapshot tavren_os
// platforms: linux windows
#include "platform/os/fake/FakeSystem.h"
#include "snapshot/NetstatParser.h"
#include "snapshot/ProcessPaths.h"

#include <QTest>

class ResolverTest : public QObject {
    Q_OBJECT

private slots:
    void pathsJoinedByProcess();
    void onlyLiveRecordsAreWritten();
    void fullTable();
    void yieldsAfterEnumeration();
};

namespace {

void parseIds(ConnectionSnapshot& snapshot, const QList<int>& ids) {
    QString text;
    for (int id : ids)
        text += QString("  TCP a:1 b:2 ESTABLISHED %1\r\n").arg(id);
    ParseNetstatOutput(snapshot, text);
}

} // namespace

void ResolverTest::pathsJoinedByProcess() {
    os::FakeSystem system;
    system.processIdList = {1, 40, 7, 99};
    system.executablePaths = {{40, "/usr/bin/forty"}, {7, "/opt/seven/bin/seven"}, {99, "/usr/bin/unused"}};
    ConnectionSnapshot snapshot;
    parseIds(snapshot, {40, 7, 40, 1, 555, 40});
    ResolveProcessPaths(snapshot, system);

    const QStringList expected{"/usr/bin/forty", "/opt/seven/bin/seven", "/usr/bin/forty", "", "",
                               "/usr/bin/forty"};
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(snapshot.ConnectionTable.at(i)->ImagePath, expected[i]);
    // Each owner is asked once; a process that owns no connection is not asked at all.
    QCOMPARE(system.executablePathRequests.count(40), 1);
    QVERIFY(!system.executablePathRequests.contains(99));
}

void ResolverTest::onlyLiveRecordsAreWritten() {
    os::FakeSystem system;
    system.processIdList = {5, 6};
    system.executablePaths = {{5, "/bin/five"}, {6, "/bin/six"}};
    ConnectionSnapshot snapshot;
    parseIds(snapshot, {6, 6, 5});
    parseIds(snapshot, {5});
    ResolveProcessPaths(snapshot, system);
    QCOMPARE(snapshot.ConnectionTable.at(0)->ImagePath, QString("/bin/five"));
    QVERIFY(snapshot.ConnectionTable.at(1)->ImagePath.isEmpty());
    QVERIFY(snapshot.ConnectionTable.at(2)->ImagePath.isEmpty());
}

void ResolverTest::fullTable() {
    os::FakeSystem system;
    QList<int> ids;
    for (int i = 0; i < 2001; ++i)
        ids.append(1000 + i % 300);
    for (int pid = 1; pid < 5000; ++pid) {
        system.processIdList.push_back(pid);
        system.executablePaths.insert(pid, QString("/proc/path/%1").arg(pid));
    }
    ConnectionSnapshot snapshot;
    parseIds(snapshot, ids);
    QCOMPARE(snapshot.ConnectionCount, 2001);
    ResolveProcessPaths(snapshot, system);
    for (int i = 0; i < 2001; ++i)
        QCOMPARE(snapshot.ConnectionTable.at(i)->ImagePath, QString("/proc/path/%1").arg(1000 + i % 300));
    QCOMPARE(system.executablePathRequests.size(), 300);
}

void ResolverTest::yieldsAfterEnumeration() {
    os::FakeSystem system;
    system.processIdList = {5};
    system.executablePaths = {{5, "/bin/five"}};
    ConnectionSnapshot snapshot;
    parseIds(snapshot, {5});
    int yields = 0;
    ResolveProcessPaths(snapshot, system, [&] {
        ++yields;
        QCOMPARE(system.processIdCalls, 1);
        QVERIFY(system.executablePathRequests.isEmpty());
    });
    QCOMPARE(yields, 1);
}

QTEST_GUILESS_MAIN(ResolverTest)
#include "tst_resolver.moc"
