// Closing one connection on Linux: the window holds no privilege, so the helper beside the
// companion command does it, after checking that the connection is the user's own.

#include "platform/os/linux/ChildCommand.h"
#include "platform/os/linux/FileSaving.h"
#include "platform/os/linux/LinuxSystem.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstring>

#include <arpa/inet.h>
#include <endian.h>
#include <linux/capability.h>
#include <sys/socket.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace os {

namespace {

// The helper's answer comes within milliseconds (one dump of the socket table); this bounds
// a helper that hangs, which would otherwise hold the window.
constexpr std::chrono::milliseconds HelperTimeout{10000};
constexpr qsizetype AnswerLimit = 1024;

const QString NoGrantReason = QStringLiteral(
    "Needs the helper's grant (cap_net_admin): install the tavren-netstat package, or run as root.");
const QString MissingReason =
    QStringLiteral("The helper tavren-netstat-close is missing from %1: install the tavren-netstat package.");

QString closeHelper() {
    return companionCommandIn(QCoreApplication::applicationDirPath(), CloseProgramName);
}

// Whether the file's capabilities permit cap_net_admin (which the helper raises itself).
bool grantsNetAdmin(const QString& path) {
    vfs_cap_data data{};
    const ssize_t length = ::getxattr(QFile::encodeName(path).constData(), "security.capability", &data, sizeof(data));
    if (length < ssize_t(sizeof(std::uint32_t) * 3))
        return false;
    const std::uint32_t revision = le32toh(data.magic_etc) & VFS_CAP_REVISION_MASK;
    if (revision != VFS_CAP_REVISION_1 && revision != VFS_CAP_REVISION_2 && revision != VFS_CAP_REVISION_3)
        return false;
    return le32toh(data.data[CAP_TO_INDEX(CAP_NET_ADMIN)].permitted) & CAP_TO_MASK(CAP_NET_ADMIN);
}

QString numbersOf(bool ipv6, const std::array<std::uint8_t, 16>& address) {
    char text[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(ipv6 ? AF_INET6 : AF_INET, address.data(), text, sizeof(text));
    return QString::fromLatin1(text);
}

// The helper says in one line why it did not close the connection; failing that, how it ended.
QString refusalOf(const CommandResult& result, const QString& helper) {
    switch (result.status) {
    case CommandStatus::Finished:
        break;
    case CommandStatus::TimedOut:
        return QStringLiteral("the helper %1 did not answer within %2 s").arg(helper).arg(HelperTimeout.count() / 1000);
    default:
        return QStringLiteral("the helper %1 could not be run: %2")
            .arg(helper, linuxbackend::errorText(result.errorCode));
    }
    const QString answer = QString::fromLocal8Bit(result.output).section(QLatin1Char('\n'), 0, 0).trimmed();
    if (!answer.isEmpty())
        return answer;
    if (result.signal != 0)
        return QStringLiteral("the helper %1 was ended by signal %2").arg(helper).arg(result.signal);
    return QStringLiteral("the helper %1 failed with exit code %2").arg(helper).arg(result.exitCode);
}

} // namespace

ConnectionClosing LinuxSystem::connectionClosing() {
    ConnectionClosing closing;
    closing.ipv6 = true;
    const QString helper = closeHelper();
    if (!QFileInfo(helper).isFile())
        closing.unavailableReason = MissingReason.arg(QFileInfo(helper).absolutePath());
    else if (::geteuid() == 0 || grantsNetAdmin(helper))
        closing.available = true;
    else
        closing.unavailableReason = NoGrantReason;
    return closing;
}

CloseResult LinuxSystem::closeConnection(const ConnectionEnds& ends) {
    CommandRequest request;
    request.program = closeHelper();
    request.arguments = {QStringLiteral("tcp"), numbersOf(ends.ipv6, ends.localAddress),
                         QString::number(ends.localPort), numbersOf(ends.ipv6, ends.remoteAddress),
                         QString::number(ends.remotePort)};
    request.timeout = HelperTimeout;
    request.outputCap = AnswerLimit;
    const CommandResult result = runCommand(request);
    if (result.status == CommandStatus::Finished && result.exitCode == 0 && result.signal == 0)
        return {true, {}};
    return {false, refusalOf(result, QFileInfo(request.program).fileName())};
}

} // namespace os
