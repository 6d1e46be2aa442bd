// links: tavren_os
// What the connection list shows for a process's program, and where the program finds its
// companion command once installed.
#include "platform/os/linux/LinuxSystem.h"
#include "support/OtherUser.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using testsupport::ChildAs;

class ProcessNamesTest : public QObject {
    Q_OBJECT

private slots:
    void namesWherePathsAreClosed_data();
    void namesWherePathsAreClosed();
    void anotherUsersProcessKeepsItsName_data();
    void anotherUsersProcessKeepsItsName();
    void companionCommandLocation_data();
    void companionCommandLocation();
};

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

void ProcessNamesTest::namesWherePathsAreClosed_data() {
    // A recorded process folder. "exe" is a regular file where the link cannot be read, and
    // "@" in a text stands for the recording's own folder, where a file "worker" exists.
    QTest::addColumn<QByteArray>("exe");     // "" no entry, "-" unreadable, else the link's target
    QTest::addColumn<QByteArray>("cmdline"); // "" no file
    QTest::addColumn<QByteArray>("comm");    // "" no file
    QTest::addColumn<QString>("expected");

    QTest::newRow("readable link is the path")
        << QByteArray("/usr/bin/tavren-real") << QByteArray("/usr/bin/other\0", 15) << QByteArray("other\n")
        << "/usr/bin/tavren-real";
    QTest::newRow("absolute program of the command line")
        << QByteArray("-") << QByteArray("/usr/sbin/tavren-daemon\0--foreground\0", 37)
        << QByteArray("tavren-daemon\n") << "/usr/sbin/tavren-daemon";
    QTest::newRow("relative program: the process name")
        << QByteArray("-") << QByteArray("tavren-daemon\0-f\0", 17) << QByteArray("tavrend\n") << "tavrend";
    QTest::newRow("command line rewritten into a title: the process name")
        << QByteArray("-") << QByteArray("sshd: admin [priv]") << QByteArray("sshd\n") << "sshd";
    QTest::newRow("program and arguments rewritten into one text")
        << QByteArray("-") << QByteArray("@/worker --type=renderer --lang=en") << QByteArray("worker\n")
        << "@/worker";
    QTest::newRow("empty command line (kernel thread or zombie)")
        << QByteArray("-") << QByteArray() << QByteArray("kworker/0:1\n") << "kworker/0:1";
    QTest::newRow("nothing readable") << QByteArray("-") << QByteArray() << QByteArray() << QString();
}

void ProcessNamesTest::namesWherePathsAreClosed() {
    QFETCH(QByteArray, exe);
    QFETCH(QByteArray, cmdline);
    QFETCH(QByteArray, comm);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(writeFile(root.filePath("worker"), "#!/bin/sh\n"));
    const QByteArray here = QFile::encodeName(root.path());
    const QString folder = root.filePath("4242");
    QVERIFY(QDir().mkpath(folder));
    if (exe == "-")
        QVERIFY(writeFile(folder + "/exe", "not a link"));
    else if (!exe.isEmpty())
        QVERIFY(QFile::link(QFile::decodeName(exe), folder + "/exe"));
    if (!cmdline.isEmpty())
        QVERIFY(writeFile(folder + "/cmdline", cmdline.replace('@', here)));
    if (!comm.isEmpty())
        QVERIFY(writeFile(folder + "/comm", comm));

    os::LinuxSystem system(root.path());
    os::PathSource source{};
    QCOMPARE(system.processExecutablePath(4242, &source), expected.replace('@', root.path()));
    // Only a readable link is the program itself; else an absolute path is the command line's.
    QCOMPARE(source, exe != "-"                 ? os::PathSource::ExecutableLink
                     : expected.startsWith('/') ? os::PathSource::CommandLine
                                                : os::PathSource::ProcessName);
}

void ProcessNamesTest::anotherUsersProcessKeepsItsName_data() {
    QTest::addColumn<QString>("startedAs"); // argv[0]; "@" is the program's absolute path
    QTest::addColumn<QString>("expected");
    // The kernel names a process after its program file, cut to 15 bytes.
    QTest::newRow("absolute command line") << "@"
                                           << "@";
    QTest::newRow("relative command line: process name") << "sleeper-alias"
                                                         << "tavren-sleeper";
}

void ProcessNamesTest::anotherUsersProcessKeepsItsName() {
    QFETCH(QString, startedAs);
    QFETCH(QString, expected);
    const auto user = testsupport::unprivilegedUser();
    if (!user)
        QSKIP("needs root and the user \"nobody\", to look at a root process as a user who may not read it");

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString program = folder.filePath("tavren-sleeper");
    QVERIFY(QFile::copy("/bin/sleep", program));
    QProcess sleeper;
    sleeper.setProgram("/bin/bash");
    sleeper.setArguments({"-c", "exec -a \"$0\" \"$1\" 60", startedAs.replace('@', program), program});
    sleeper.start();
    QVERIFY(sleeper.waitForStarted());
    const auto pid = std::int32_t(sleeper.processId());
    // Wait for bash to have become the sleeper.
    bool becameSleeper = false;
    for (int i = 0; i < 3000 && !becameSleeper; ++i) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        becameSleeper = comm.open(QIODevice::ReadOnly) && comm.readAll() == "tavren-sleeper\n";
        if (!becameSleeper)
            QTest::qSleep(10);
    }
    QVERIFY(becameSleeper);

    // The other user reports whether the link was closed to it, then the name it got.
    ChildAs other(*user, [pid] {
        char target[256];
        const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
        const bool closed = ::readlink(link.constData(), target, sizeof(target)) < 0 && errno == EACCES;
        os::LinuxSystem system;
        const QByteArray text = (closed ? "closed " : "open ") + system.processExecutablePath(pid).toUtf8();
        ::_exit(::write(STDOUT_FILENO, text.constData(), size_t(text.size())) == text.size() ? 0 : 1);
    });
    int exitCode = -2;
    const QString answer = QString::fromUtf8(other.finish(&exitCode));
    sleeper.kill();
    sleeper.waitForFinished();
    QCOMPARE(exitCode, 0);
    QCOMPARE(answer, "closed " + expected.replace('@', program));
}

void ProcessNamesTest::companionCommandLocation_data() {
    // Files made under a prefix, the program's folder, and where the companion is expected.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected");
    QTest::newRow("beside the program (build tree)")
        << QStringList{"bin/tavren-netstat-cli", "libexec/tavren-netstat/tavren-netstat-cli"}
        << "bin/tavren-netstat-cli";
    QTest::newRow("installed under libexec")
        << QStringList{"libexec/tavren-netstat/tavren-netstat-cli", "libexec/tavren-netstat-cli"}
        << "libexec/tavren-netstat/tavren-netstat-cli";
    QTest::newRow("a folder of that name beside is not it")
        << QStringList{"bin/tavren-netstat-cli/", "libexec/tavren-netstat/tavren-netstat-cli"}
        << "libexec/tavren-netstat/tavren-netstat-cli";
    QTest::newRow("missing: named beside, never searched for")
        << QStringList{"share/tavren-netstat-cli"} << "bin/tavren-netstat-cli";
}

void ProcessNamesTest::companionCommandLocation() {
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    QVERIFY(QDir().mkpath(prefix.filePath("bin")));
    for (const QString& file : files) {
        if (file.endsWith('/')) {
            QVERIFY(QDir().mkpath(prefix.filePath(file)));
            continue;
        }
        QVERIFY(QDir().mkpath(QFileInfo(prefix.filePath(file)).absolutePath()));
        QVERIFY(writeFile(prefix.filePath(file), "#!/bin/sh\n"));
    }
    QCOMPARE(os::companionCommandIn(prefix.filePath("bin")), prefix.filePath(expected));
}

QTEST_MAIN(ProcessNamesTest)
#include "tst_processnames.moc"
