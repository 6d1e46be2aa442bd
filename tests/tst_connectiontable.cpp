// links: tavren_snapshot tavren_os
// platforms: linux windows
#include "snapshot/ConnectionTable.h"

#include <QTest>

class ConnectionTableTest : public QObject {
    Q_OBJECT

private slots:
    void indexRange_data();
    void indexRange();
    void startsEmpty();
    void slotsAreDistinct();
};

void ConnectionTableTest::indexRange_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("valid");
    QTest::newRow("first") << 0 << true;
    QTest::newRow("last") << 2000 << true;
    QTest::newRow("one past") << 2001 << false;
    QTest::newRow("negative") << -1 << false;
    QTest::newRow("far") << 1 << true;
    QTest::newRow("minimum") << INT_MIN << false;
    QTest::newRow("maximum") << INT_MAX << false;
}

void ConnectionTableTest::indexRange() {
    QFETCH(int, index);
    QFETCH(bool, valid);
    ConnectionSnapshot snapshot; // as a refresh of 2001 connections leaves it
    snapshot.ConnectionTable.makeRoom(2001);
    const ConnectionSnapshot& constant = snapshot;
    QCOMPARE(snapshot.ConnectionTable.isValidIndex(index), valid);
    QCOMPARE(snapshot.ConnectionTable.at(index) != nullptr, valid);
    QCOMPARE(constant.ConnectionTable.at(index) != nullptr, valid);
    QVERIFY(!constant.RowTable.at(index)); // rows come from the list, which has none
}

void ConnectionTableTest::startsEmpty() {
    ConnectionSnapshot snapshot;
    QCOMPARE(snapshot.ConnectionCount, 0);
    snapshot.ConnectionTable.makeRoom(2001);
    for (int i = 0; i < 2001; ++i)
        QCOMPARE(*snapshot.ConnectionTable.at(i), ConnectionRecord());
}

void ConnectionTableTest::slotsAreDistinct() {
    ConnectionSnapshot snapshot;
    snapshot.ConnectionTable.makeRoom(2001);
    for (int i = 0; i < 2001; ++i)
        snapshot.ConnectionTable.at(i)->ProcessId = i + 1;
    snapshot.ConnectionTable.makeRoom(2); // never shrinks: slots above the live ones keep their data
    for (int i = 0; i < 2001; ++i)
        QCOMPARE(snapshot.ConnectionTable.at(i)->ProcessId, i + 1);
}

QTEST_GUILESS_MAIN(ConnectionTableTest)
#include "tst_connectiontable.moc"
