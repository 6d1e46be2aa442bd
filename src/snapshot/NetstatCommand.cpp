#include "snapshot/NetstatCommand.h"

namespace {

QString errorText(const char* step, int errorCode) {
    return QStringLiteral("Error: %1 failed. %2").arg(QLatin1String(step)).arg(unsigned(errorCode));
}

} // namespace

QString RunNetstatCommand(os::OperatingSystem& system, const YieldFunction& yield) {
    os::CommandRequest request;
    request.program = system.netstatProgram();
    request.arguments = {QStringLiteral("-o")};
    request.timeout = NetstatTimeout;
    request.outputCap = NetstatOutputCap;

    os::CommandResult result = system.runCommand(request);
    switch (result.status) {
    case os::CommandStatus::PipeFailed:
        return errorText("CreatePipe", result.errorCode);
    case os::CommandStatus::StartFailed:
        return errorText("CreateProcess", result.errorCode);
    case os::CommandStatus::TimedOut:
        // The child was killed; what it printed is incomplete and is not used.
        yieldTo(yield);
        return errorText("WaitForSingleObject", result.errorCode);
    case os::CommandStatus::ReadFailed:
        yieldTo(yield);
        return errorText("ReadFile", result.errorCode);
    case os::CommandStatus::Finished:
        break;
    }
    yieldTo(yield);

    QByteArray& output = result.output;
    if (result.truncated || output.size() > NetstatOutputCap) {
        // Keep whole lines only: a cut line could carry a wrong process id.
        output.truncate(std::min<qsizetype>(output.size(), NetstatOutputCap));
        const qsizetype lineEnd = output.lastIndexOf("\r\n");
        output.truncate(lineEnd < 0 ? 0 : lineEnd + 2);
    }
    return QString::fromLocal8Bit(output);
}
