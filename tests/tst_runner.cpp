// links: tavren_snapshot tavren_os
#include "platform/os/fake/FakeSystem.h"
#include "platform/os/linux/LinuxSystem.h"
#include "snapshot/NetstatCommand.h"
#include "snapshot/NetstatParser.h"

#include <QFile>
#include <QTemporaryDir>
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
    void failedCommandsGiveNoListing_data();
    void failedCommandsGiveNoListing();
    void realChildCutShort_data();
    void realChildCutShort();
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
    RunNetstatCommand(system, [] {});
    QCOMPARE(system.commandRequests.size(), 1);
    const os::CommandRequest& request = system.commandRequests.first();
    QCOMPARE(request.program, QString("/somewhere/tavren-netstat-cli"));
    QCOMPARE(request.arguments, QStringList{"-o"});
    QVERIFY(request.timeout >= std::chrono::seconds(10) && request.timeout <= std::chrono::seconds(60));
    QVERIFY(request.outputCap >= 200000 * 140); // 200,000 of the widest numeric lines (IPv6 both ends)
    // The window's yield runs while the command runs, at least every 20 ms.
    QVERIFY(request.yield && request.yieldInterval <= std::chrono::milliseconds(20));
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
    // The tail was never ended by CRLF, so it is no line of the listing.
    QCOMPARE(RunNetstatCommand(system), QString::fromLatin1(big));
}

void RunnerTest::cutOutputEndsAtALineEnd_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("truncated");
    QTest::addColumn<QString>("expected");
    // Cut by the runner's cap, or by the command itself stopping mid-line (killed, crashed,
    // a full disk) while still ending with status 0: either way the tail is not a line.
    for (bool capped : {true, false}) {
        const char* by = capped ? "cap: " : "command: ";
        QTest::newRow(QByteArray(by).append("inside a line"))
            << QByteArray("  TCP a:1 b:2 S 5\r\n  TCP a:1 b:2 S 12") << capped << "  TCP a:1 b:2 S 5\r\n";
        QTest::newRow(QByteArray(by).append("between CR and LF"))
            << QByteArray("  TCP a:1 b:2 S 5\r\n  TCP c:1 d:2 S 6\r") << capped << "  TCP a:1 b:2 S 5\r\n";
        QTest::newRow(QByteArray(by).append("bare line feed"))
            << QByteArray("  TCP a:1 b:2 S 5\r\n  TCP c:1 d:2 S 6\n") << capped << "  TCP a:1 b:2 S 5\r\n";
        QTest::newRow(QByteArray(by).append("at a line end"))
            << QByteArray("  TCP a:1 b:2 S 5\r\n") << capped << "  TCP a:1 b:2 S 5\r\n";
        QTest::newRow(QByteArray(by).append("no line end at all"))
            << QByteArray("  TCP a:1 b:2 S 5") << capped << "";
    }
}

void RunnerTest::cutOutputEndsAtALineEnd() {
    QFETCH(QByteArray, output);
    QFETCH(bool, truncated);
    os::FakeSystem system;
    system.commandResults.append(finished(output, truncated));
    QString failure = "stale";
    bool cut = !truncated;
    QTEST(RunNetstatCommand(system, {}, &failure, &cut), "expected");
    QCOMPARE(failure, QString()); // a cut listing is still a listing
    QCOMPARE(cut, truncated);     // but one cut by the cap is never taken for all connections
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

void RunnerTest::failedCommandsGiveNoListing_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("failure");
    using S = CommandStatus;
    QTest::newRow("exit status 3") << int(S::Finished) << 0 << 3 << 0 << "exit status 3";
    QTest::newRow("exit status 255") << int(S::Finished) << 0 << 255 << 0 << "exit status 255";
    QTest::newRow("killed") << int(S::Finished) << 0 << 0 << 9 << "ended by signal 9 (Killed)";
    QTest::newRow("crashed") << int(S::Finished) << 0 << 0 << 11 << "ended by signal 11 (Segmentation fault)";
    QTest::newRow("pipe") << int(S::PipeFailed) << 24 << 0 << 0 << "Error: CreatePipe failed. 24";
    QTest::newRow("start") << int(S::StartFailed) << 2 << 0 << 0 << "Error: CreateProcess failed. 2";
    QTest::newRow("read") << int(S::ReadFailed) << 5 << 0 << 0 << "Error: ReadFile failed. 5";
    QTest::newRow("success") << int(S::Finished) << 0 << 0 << 0 << "";
}

void RunnerTest::failedCommandsGiveNoListing() {
    QFETCH(int, status);
    QFETCH(int, errorCode);
    QFETCH(int, exitCode);
    QFETCH(int, signal);
    QFETCH(QString, failure);
    os::FakeSystem system;
    CommandResult result = finished("  TCP a:1 b:2 ESTABLISHED 5\r\n");
    result.status = CommandStatus(status);
    result.errorCode = errorCode;
    result.exitCode = exitCode;
    result.signal = signal;
    system.commandResults.append(result);
    QString reason = "stale";
    QString text = RunNetstatCommand(system, {}, &reason);
    QCOMPARE(reason, failure);
    // What a failed command printed is never parsed into connections.
    ConnectionSnapshot snapshot;
    ParseNetstatOutput(snapshot, text);
    QCOMPARE(snapshot.ConnectionCount, failure.isEmpty() ? 1 : 0);
}

namespace {

// The real backend, running a script of the test's in place of the companion command.
class ScriptedCommandSystem : public os::LinuxSystem {
public:
    QString program;
    QString netstatProgram() const override { return program; }
};

} // namespace

void RunnerTest::realChildCutShort_data() {
    QTest::addColumn<QByteArray>("ending");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QList<int>>("processIds");
    // Each script prints one whole line of process 5, then "... 12" of "12345" without its
    // line end, and then ends as the row says.
    QTest::newRow("killed mid-line") << QByteArray("kill -9 $$") << "ended by signal 9 (Killed)"
                                     << QList<int>{};
    QTest::newRow("fails mid-line") << QByteArray("exit 3") << "exit status 3" << QList<int>{};
    QTest::newRow("stops mid-line") << QByteArray("exit 0") << "" << QList<int>{5};
}

void RunnerTest::realChildCutShort() {
    QFETCH(QByteArray, ending);
    QFETCH(QString, failure);
    QFETCH(QList<int>, processIds);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    ScriptedCommandSystem system;
    system.program = folder.filePath("listing");
    QFile script(system.program);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n"
                 "printf '  TCP    127.0.0.1:1    127.0.0.1:2    ESTABLISHED    5\\r\\n'\n"
                 "printf '  TCP    127.0.0.1:3    127.0.0.1:4    ESTABLISHED    12'\n" +
                 ending + "\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QString reason;
    QString text = RunNetstatCommand(system, {}, &reason);
    QCOMPARE(reason, failure);
    ConnectionSnapshot snapshot;
    ParseNetstatOutput(snapshot, text);
    QList<int> parsed;
    for (int i = 0; i < snapshot.ConnectionCount; ++i)
        parsed << snapshot.ConnectionTable.at(i)->ProcessId;
    QCOMPARE(parsed, processIds);
}

QTEST_GUILESS_MAIN(RunnerTest)
#include "tst_runner.moc"
