#pragma once

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryFile>
#include <QTest>

namespace testsupport {

// A test that ends the program (Exit, unload) tells the application to quit, and from then on
// every event loop the process starts (menus, dialogs) returns at once: tests that ran after it
// in the same process would pass for the wrong reason. So such a test runs alone, in a fresh
// run of the test program that holds nothing but that one test function (and data row).

inline constexpr char RunAloneVariable[] = "TAVREN_TEST_RUN_ALONE";

inline QByteArray currentTestName() {
    QByteArray name = QTest::currentTestFunction();
    if (const char* tag = QTest::currentDataTag(); tag && *tag)
        name += QByteArray(":") + tag;
    return name;
}

// True inside the run that exists for the current test alone.
inline bool runningAlone() {
    return qgetenv(RunAloneVariable) == currentTestName();
}

// Runs the current test alone in a child run of this program; its output when it failed,
// an empty text when it passed there (and did run there).
inline QString runAloneInChild(const char* testClass) {
    const QByteArray name = currentTestName();
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(RunAloneVariable), QString::fromLatin1(name));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    // The log goes to a file: under Wine a test's output does not reach a pipe. The platform
    // goes along as an argument, since Wine does not hand its programs the QT_ variables.
    QTemporaryFile log;
    if (!log.open())
        return QStringLiteral("no log file for the run of %1 alone").arg(QString::fromLatin1(name));
    QStringList arguments{QString::fromLatin1(name), QStringLiteral("-o"), log.fileName() + QStringLiteral(",txt")};
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        arguments << QStringLiteral("-platform") << QGuiApplication::platformName();
    child.start(QCoreApplication::applicationFilePath(), arguments);
    const bool ended = child.waitForFinished(120000);
    const QString output = QString::fromLocal8Bit(child.readAll() + log.readAll());
    const QString passed = QStringLiteral("PASS   : %1::%2(")
                               .arg(QLatin1String(testClass), QLatin1String(QTest::currentTestFunction()));
    if (ended && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
        output.contains(passed))
        return {};
    return QStringLiteral("the run of %1 alone failed:\n%2").arg(QString::fromLatin1(name), output);
}

} // namespace testsupport

// First statement of a test that ends the program: outside its own run, runs it there and
// reports that run's outcome instead.
#define TAVREN_RUN_ALONE()                                                                                   \
    do {                                                                                                     \
        if (!testsupport::runningAlone()) {                                                                  \
            const QString failure = testsupport::runAloneInChild(metaObject()->className());                 \
            QVERIFY2(failure.isEmpty(), qPrintable(failure));                                                \
            return;                                                                                          \
        }                                                                                                    \
    } while (false)
