#pragma once

#include <QProcess>
#include <QStringList>

namespace testsupport {

// Drives the real X server's pointer and keyboard as a user would; what xdotool prints
// (window ids) is of no interest.
inline bool xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace testsupport
