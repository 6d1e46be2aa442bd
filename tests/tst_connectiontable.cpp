// links: tavren_snapshot tavren_os
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
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty table") << 0 << 0 << false;
    QTest::newRow("first") << 1 << 0 << true;
    QTest::newRow("last") << 2001 << 2000 << true;
    QTest::newRow("one past") << 2001 << 2001 << false;
    QTest::newRow("past any fixed size") << 30001 << 30000 << true;
    QTest::newRow("negative") << 5 << -1 << false;
    QTest::newRow("minimum") << 5 << INT_MIN << false;
    QTest::newRow("maximum") << 5 << INT_MAX << false;
}

void ConnectionTableTest::indexRange() {
    QFETCH(int, size);
    QFETCH(int, index);
    QFETCH(bool, valid);
    ConnectionSnapshot snapshot;
    snapshot.ConnectionTable.makeRoom(size);
    snapshot.RowTable.makeRoom(size);
    const ConnectionSnapshot& constant = snapshot;
    QCOMPARE(snapshot.ConnectionTable.isValidIndex(index), valid);
    QCOMPARE(snapshot.ConnectionTable.at(index) != nullptr, valid);
    QCOMPARE(snapshot.RowTable.at(index) != nullptr, valid);
    QCOMPARE(constant.ConnectionTable.at(index) != nullptr, valid);
    QCOMPARE(constant.RowTable.at(index) != nullptr, valid);
}

void ConnectionTableTest::startsEmpty() {
    ConnectionSnapshot snapshot;
    QCOMPARE(snapshot.ConnectionCount, 0);
    QCOMPARE(snapshot.ConnectionTable.size(), 0);
    snapshot.ConnectionTable.makeRoom(2001);
    snapshot.RowTable.makeRoom(2001);
    for (int i = 0; i < 2001; ++i) {
        QCOMPARE(*snapshot.ConnectionTable.at(i), ConnectionRecord());
        QCOMPARE(*snapshot.RowTable.at(i), ConnectionRecord());
    }
}

// Growing keeps what the slots hold, and a smaller request never shrinks the table: slots
// above the live records keep an earlier snapshot's data.
void ConnectionTableTest::slotsAreDistinct() {
    ConnectionSnapshot snapshot;
    snapshot.ConnectionTable.makeRoom(3);
    for (int i = 0; i < 3; ++i)
        snapshot.ConnectionTable.at(i)->ProcessId = i + 1;
    snapshot.ConnectionTable.makeRoom(2001);
    snapshot.ConnectionTable.makeRoom(2);
    QCOMPARE(snapshot.ConnectionTable.size(), 2001);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(snapshot.ConnectionTable.at(i)->ProcessId, i + 1);
    QCOMPARE(snapshot.ConnectionTable.at(2000)->ProcessId, 0);
    QCOMPARE(snapshot.RowTable.size(), 0);
}

QTEST_GUILESS_MAIN(ConnectionTableTest)
#include "tst_connectiontable.moc"
