#include "snapshot/NetstatCommand.h"

#include "ListingArguments.h"

#include <cstring>

namespace {

// Names the call that failed where it ran: the backend says which, else the step of the
// system's own runner.
QString errorText(const char* step, const os::CommandResult& result) {
    return QStringLiteral("Error: %1 failed. %2")
        .arg(QLatin1String(result.failedCall ? result.failedCall : step))
        .arg(unsigned(result.errorCode));
}

// Why a command that ran to its end failed; empty when it succeeded.
QString exitFailure(const os::CommandResult& result) {
    if (result.signal != 0) {
        QString text = QStringLiteral("ended by signal %1").arg(result.signal);
#if defined(Q_OS_UNIX)
        if (const char* name = ::strsignal(result.signal))
            text += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(name));
#endif
        return text;
    }
    if (result.exitCode != 0)
        return QStringLiteral("exit status %1").arg(result.exitCode);
    return {};
}

} // namespace

QString RunNetstatCommand(os::OperatingSystem& system, const YieldFunction& yield, QString* failure,
                          bool* cut, NetstatOptions options) {
    if (cut)
        *cut = false;
    os::CommandRequest request;
    request.program = system.netstatProgram();
    request.arguments = {QStringLiteral("-o")};
    if (options.all)
        request.arguments << QStringLiteral("-a");
    if (options.numeric)
        request.arguments << QStringLiteral("-n");
    if (options.namespaces)
        request.arguments << QLatin1String(listing::NamespacesOption);
    request.timeout = NetstatTimeout;
    request.outputCap = NetstatOutputCap;
    request.yield = yield;
    request.yieldInterval = NetstatYieldInterval;

    os::CommandResult result = system.runCommand(request);
    QString error;
    switch (result.status) {
    case os::CommandStatus::PipeFailed:
        error = errorText("CreatePipe", result);
        break;
    case os::CommandStatus::StartFailed:
        error = errorText("CreateProcess", result);
        break;
    case os::CommandStatus::TimedOut:
        // The child was killed; what it printed is incomplete and is not used.
        yieldTo(yield);
        error = errorText("WaitForSingleObject", result);
        break;
    case os::CommandStatus::ReadFailed:
        yieldTo(yield);
        error = errorText("ReadFile", result);
        break;
    case os::CommandStatus::Finished:
        yieldTo(yield);
        // A command that failed or died may have printed part of a listing: none of it is
        // used, so a failed run can never pass for a machine without connections.
        if (const QString reason = result.failure.isEmpty() ? exitFailure(result) : result.failure;
            !reason.isEmpty()) {
            if (failure)
                *failure = reason;
            return QStringLiteral("Error: the command failed. ") + reason;
        }
        break;
    }
    if (!error.isEmpty()) {
        if (failure)
            *failure = error;
        return error;
    }
    if (failure)
        failure->clear();

    // Keep whole lines only: the command ends every line with CRLF, so a tail without one
    // was cut (by the cap, or by the command stopping mid-line) and could carry a wrong
    // process id ("12" of "12345").
    QByteArray& output = result.output;
    if (cut)
        *cut = result.truncated || output.size() > NetstatOutputCap;
    output.truncate(std::min<qsizetype>(output.size(), NetstatOutputCap));
    const qsizetype lineEnd = output.lastIndexOf("\r\n");
    output.truncate(lineEnd < 0 ? 0 : lineEnd + 2);
    return QString::fromLocal8Bit(output);
}
