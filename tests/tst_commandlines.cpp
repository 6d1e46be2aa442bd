// links: Qt6::Core
#include <QProcess>
#include <QTest>

// Both programs answer their command lines without a display: help and version on standard
// output with status 0, a wrong option or argument named on standard error with status 2.
class CommandLinesTest : public QObject {
    Q_OBJECT

private slots:
    // `start`: how standard output starts for status 0, else standard error; the other is empty.
    void answers_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("start");
        const QString gui = "tavren-netstat", cli = "tavren-netstat-cli";
        QTest::newRow("help") << gui << QStringList{"-platform", "xcb", "--help"} << 0 << "usage: ";
        QTest::newRow("version") << gui << QStringList{"-v"} << 0 << "tavren-netstat 0.";
        QTest::newRow("unknown") << gui << QStringList{"--x"} << 2
                                 << "tavren-netstat: unknown option '--x'\n";
        QTest::newRow("argument") << gui << QStringList{"a"} << 2
                                  << "tavren-netstat: unexpected argument 'a'";
        QTest::newRow("no value") << gui << QStringList{"-style"} << 2 << "tavren-netstat: missing value";
        QTest::newRow("host as an option")
            << gui << QStringList{"--host", "-oProxyCommand=x"} << 2
            << "tavren-netstat: host refused (the destination begins with \"-\")";
        QTest::newRow("host with a space") << gui << QStringList{"--host=a b"} << 2
                                           << "tavren-netstat: host refused (the destination holds a space";
        QTest::newRow("cli help") << cli << QStringList{"-n", "--help"} << 0 << "usage: tavren-netstat-cli";
        QTest::newRow("cli unknown") << cli << QStringList{"-nx"} << 2
                                     << "tavren-netstat-cli: unknown option '-nx'\nusage";
        QTest::newRow("cli argument")
            << cli << QStringList{"a"} << 2 << "tavren-netstat-cli: unexpected argument 'a'\nusage";
    }
    void answers() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, start);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(display);
        child.setProcessEnvironment(environment);
        child.start(TAVREN_BINARY_DIR "/bin/" + program, arguments);
        QVERIFY(child.waitForFinished(10000) && child.exitStatus() == QProcess::NormalExit);
        QCOMPARE(child.exitCode(), status);
        const QString out = child.readAllStandardOutput(), err = child.readAllStandardError();
        QVERIFY2((status ? err : out).startsWith(start) && (status ? out : err).isEmpty(),
                 qPrintable(out + err));
    }
};

QTEST_GUILESS_MAIN(CommandLinesTest)
#include "tst_commandlines.moc"
