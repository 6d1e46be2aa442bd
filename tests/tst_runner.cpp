// links: tavren_snapshot tavren_os
#include "platform/os/fake/FakeSystem.h"
#include "snapshot/NetstatCommand.h"

#include <QTest>

using os::CommandResult;
using os::CommandStatus;

class RunnerTest : public QObject {
    Q_OBJECT

private slots:
    void asksForTheCompanionCommand();
    void failures_data();
    void failures();
    void outputIsReturnedWhole();
    void cutOutputEndsAtALineEnd_data();
    void cutOutputEndsAtALineEnd();
    void yieldsOnceAfterTheWait();
};

namespace {

CommandResult finished(const QByteArray& output, bool truncated = false) {
    CommandResult result;
    result.output = output;
    result.truncated = truncated;
    return result;
}

} // namespace

void RunnerTest::asksForTheCompanionCommand() {
    os::FakeSystem system;
    system.netstatProgramPath = "/somewhere/tavren-netstat-cli";
    RunNetstatCommand(system);
    QCOMPARE(system.commandRequests.size(), 1);
    const os::CommandRequest& request = system.commandRequests.first();
    QCOMPARE(request.program, QString("/somewhere/tavren-netstat-cli"));
    QCOMPARE(request.arguments, QStringList{"-o"});
    QVERIFY(request.timeout >= std::chrono::seconds(10) && request.timeout <= std::chrono::seconds(60));
    QVERIFY(request.outputCap >= 1024 * 1024);
}

void RunnerTest::failures_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QString>("text");
    QTest::newRow("pipe") << int(CommandStatus::PipeFailed) << 24 << "Error: CreatePipe failed. 24";
    QTest::newRow("start") << int(CommandStatus::StartFailed) << 2 << "Error: CreateProcess failed. 2";
    QTest::newRow("read") << int(CommandStatus::ReadFailed) << 5 << "Error: ReadFile failed. 5";
    QTest::newRow("timeout") << int(CommandStatus::TimedOut) << 110
                             << "Error: WaitForSingleObject failed. 110";
}

void RunnerTest::failures() {
    QFETCH(int, status);
    QFETCH(int, errorCode);
    os::FakeSystem system;
    CommandResult result;
    result.status = CommandStatus(status);
    result.errorCode = errorCode;
    result.output = "  TCP a:1 b:2 ESTABLISHED 5\r\n"; // partial output of a failed run is not used
    system.commandResults.append(result);
    QTEST(RunNetstatCommand(system), "text");
}

void RunnerTest::outputIsReturnedWhole() {
    os::FakeSystem system;
    QByteArray big;
    for (int i = 0; i < 5000; ++i)
        big += "  TCP    127.0.0.1:" + QByteArray::number(i) + "  h:80  ESTABLISHED  " +
               QByteArray::number(i + 1) + "\r\n";
    QVERIFY(big.size() > 10240);
    system.commandResults.append(finished(big + "tail without line end"));
    QCOMPARE(RunNetstatCommand(system), QString::fromLatin1(big + "tail without line end"));
}

void RunnerTest::cutOutputEndsAtALineEnd_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cut inside a line")
        << QByteArray("  TCP a:1 b:2 S 5\r\n  TCP a:1 b:2 S 12") << "  TCP a:1 b:2 S 5\r\n";
    QTest::newRow("cut between CR and LF")
        << QByteArray("  TCP a:1 b:2 S 5\r\n  TCP c:1 d:2 S 6\r") << "  TCP a:1 b:2 S 5\r\n";
    QTest::newRow("cut at a line end") << QByteArray("  TCP a:1 b:2 S 5\r\n") << "  TCP a:1 b:2 S 5\r\n";
    QTest::newRow("no line end at all") << QByteArray("  TCP a:1 b:2 S 5") << "";
}

void RunnerTest::cutOutputEndsAtALineEnd() {
    QFETCH(QByteArray, output);
    os::FakeSystem system;
    system.commandResults.append(finished(output, true));
    QTEST(RunNetstatCommand(system), "expected");
}

void RunnerTest::yieldsOnceAfterTheWait() {
    os::FakeSystem system;
    bool commandRan = false;
    system.onRunCommand = [&](const os::CommandRequest&) { commandRan = true; };
    int yields = 0;
    RunNetstatCommand(system, [&] {
        QVERIFY(commandRan);
        ++yields;
    });
    QCOMPARE(yields, 1);
}

QTEST_GUILESS_MAIN(RunnerTest)
#include "tst_runner.moc"
