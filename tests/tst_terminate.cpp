// links: tavren_snapshot tavren_os
#include "platform/os/fake/FakeSystem.h"
#include "platform/os/linux/LinuxSystem.h"
#include "snapshot/ProcessTermination.h"

#include <QProcess>
#include <QTest>

#include <cerrno>
#include <cstring>

class TerminateTest : public QObject {
    Q_OBJECT

private slots:
    void reportsTheOutcome_data();
    void reportsTheOutcome();
    void endsARealChild();
    void missingProcessReportsSystemText();
    void refusesGroupIds_data();
    void refusesGroupIds();
    void realChildEndsOnlyAsItself();
};

void TerminateTest::reportsTheOutcome_data() {
    QTest::addColumn<bool>("ended");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QString>("text");
    QTest::newRow("ended") << true << 0 << "";
    QTest::newRow("refused") << false << 1 << "Operation not permitted";
    QTest::newRow("gone") << false << 3 << "No such process";
}

void TerminateTest::reportsTheOutcome() {
    QFETCH(bool, ended);
    QFETCH(int, errorCode);
    os::FakeSystem system;
    system.terminateResults.insert(42, {ended, errorCode});
    system.errorTexts = {{1, "Operation not permitted"}, {3, "No such process"}};
    const TerminationOutcome outcome = TerminateOwningProcess(system, 42);
    QCOMPARE(system.terminateRequests, QList<std::int32_t>{42});
    QCOMPARE(outcome.ended, ended);
    QTEST(outcome.errorText, "text");
}

void TerminateTest::endsARealChild() {
    QProcess child;
    child.start("/bin/sleep", {"60"});
    QVERIFY(child.waitForStarted());
    os::LinuxSystem system;
    const TerminationOutcome outcome = TerminateOwningProcess(system, std::int32_t(child.processId()));
    QVERIFY2(outcome.ended, qPrintable(outcome.errorText));
    QVERIFY(outcome.errorText.isEmpty());
    QVERIFY(child.waitForFinished(5000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit); // killed, not ended by itself
}

void TerminateTest::missingProcessReportsSystemText() {
    // Above the largest process id the kernel can hand out, so no process has it.
    os::LinuxSystem system;
    const TerminationOutcome outcome = TerminateOwningProcess(system, 0x3ffffff0);
    QVERIFY(!outcome.ended);
    QCOMPARE(outcome.errorText, QString::fromLocal8Bit(std::strerror(ESRCH)));
}

void TerminateTest::refusesGroupIds_data() {
    QTest::addColumn<int>("processId");
    QTest::newRow("zero") << 0;
    QTest::newRow("minus one") << -1;
    QTest::newRow("own group") << -int(::getpgrp());
}

void TerminateTest::refusesGroupIds() {
    QFETCH(int, processId);
    os::LinuxSystem system;
    const TerminationOutcome outcome = TerminateOwningProcess(system, processId);
    QVERIFY(!outcome.ended);
    QVERIFY(!outcome.errorText.isEmpty());
}

void TerminateTest::realChildEndsOnlyAsItself() {
    QProcess child;
    child.start("/bin/sleep", {"60"});
    QVERIFY(child.waitForStarted());
    const auto processId = std::int32_t(child.processId());
    os::LinuxSystem system;
    const std::uint64_t started = system.processStartTime(processId);
    QVERIFY(started > 0);
    QCOMPARE(system.processStartTime(processId), started);

    // Another start time stands for another process under the same id: left alone.
    const TerminationOutcome other = TerminateOwningProcess(system, processId, started + 1);
    QVERIFY(other.alreadyEnded);
    QVERIFY(!other.ended);
    QVERIFY(!child.waitForFinished(200));
    QVERIFY(!system.processHasEnded(processId, started));

    const TerminationOutcome same = TerminateOwningProcess(system, processId, started);
    QVERIFY2(same.ended, qPrintable(same.errorText));
    QVERIFY(child.waitForFinished(5000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QVERIFY(system.processHasEnded(processId, started));
}

QTEST_GUILESS_MAIN(TerminateTest)
#include "tst_terminate.moc"
