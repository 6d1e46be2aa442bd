// links: Qt6::Core
#include <QProcess>
#include <QTest>

// Both programs answer their command lines without a display: help and version on standard
// output with status 0, a wrong option or argument named on standard error with status 2.
class CommandLinesTest : public QObject {
    Q_OBJECT

private slots:
    void answers_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // how standard output starts; empty: nothing
        QTest::addColumn<QString>("err");
        const QString gui = QStringLiteral("tavren-netstat"), cli = QStringLiteral("tavren-netstat-cli");
        QTest::newRow("help") << gui << QStringList{"--help"} << 0 << "usage: tavren-netstat "
                              << "";
        QTest::newRow("-h after a toolkit option")
            << gui << QStringList{"-platform", "xcb", "-h"} << 0 << "usage: tavren-netstat "
            << "";
        QTest::newRow("version") << gui << QStringList{"--version"} << 0 << "tavren-netstat 0."
                                 << "";
        QTest::newRow("unknown option") << gui << QStringList{"--colour"} << 2 << ""
                                        << "tavren-netstat: unknown option '--colour'\n";
        QTest::newRow("argument") << gui << QStringList{"file"} << 2 << ""
                                  << "tavren-netstat: unexpected argument 'file'\n";
        QTest::newRow("toolkit option without its value")
            << gui << QStringList{"-style"} << 2 << ""
            << "tavren-netstat: missing value for option '-style'\n";
        QTest::newRow("companion help")
            << cli << QStringList{"-n", "--help"} << 0 << "usage: tavren-netstat-cli "
            << "";
        QTest::newRow("companion unknown option") << cli << QStringList{"-nx"} << 2 << ""
                                                  << "tavren-netstat-cli: unknown option '-nx'\nusage: ";
        QTest::newRow("companion argument") << cli << QStringList{"all"} << 2 << ""
                                            << "tavren-netstat-cli: unexpected argument 'all'\nusage: ";
    }
    void answers() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(display));
        child.setProcessEnvironment(environment);
        child.start(QStringLiteral(TAVREN_BINARY_DIR "/bin/") + program, arguments);
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), status);
        const QString shown = QString::fromUtf8(child.readAllStandardOutput());
        const QString said = QString::fromUtf8(child.readAllStandardError());
        QVERIFY2(out.isEmpty() ? shown.isEmpty() : shown.startsWith(out), qPrintable(shown));
        QVERIFY2(err.isEmpty() ? said.isEmpty() : said.startsWith(err), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(CommandLinesTest)
#include "tst_commandlines.moc"
