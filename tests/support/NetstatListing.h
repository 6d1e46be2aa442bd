#pragma once

#include "platform/os/OperatingSystem.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace testsupport {

// One connection line of the companion command's listing.
struct Line {
    QString local, foreign, state;
    int pid;
};

// A listing as the companion command prints it: title, header, indented CRLF lines.
inline QByteArray listing(const QList<Line>& lines) {
    QByteArray text = "\r\nActive Connections\r\n\r\n  Proto  Local Address  Foreign Address  State  PID\r\n";
    for (const Line& line : lines)
        text += QStringLiteral("  TCP    %1    %2    %3    %4\r\n")
                    .arg(line.local, line.foreign, line.state)
                    .arg(line.pid)
                    .toLatin1();
    return text;
}

// A command run that ended normally and printed this.
inline os::CommandResult finished(const QByteArray& output) {
    os::CommandResult result;
    result.output = output;
    return result;
}

} // namespace testsupport
