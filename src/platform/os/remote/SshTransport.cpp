#include "platform/os/remote/SshTransport.h"

#include "platform/os/linux/ChildCommand.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <cstring>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os::remote {

namespace {

// Seconds a master stays without sessions before it ends by itself: a window refreshes far
// more often, and a master that a crashed program left behind does not stay for good.
constexpr int MasterIdleSeconds = 600;
constexpr int ConnectSeconds = 10;
constexpr qsizetype ErrorCap = 16 * 1024;
// A Unix socket path holds 107 bytes, and ssh adds a suffix of its own while it makes one.
constexpr qsizetype ControlPathLimit = 80;

QString runtimeFolder() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder + QStringLiteral("/tavren-netstat");
}

// The folder, made 0700 when missing; empty when it is not the user's own private folder.
QString privateFolder(QString& problem) {
    const QString folder = runtimeFolder();
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        problem =
            QStringLiteral("cannot make %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    struct stat info;
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) {
        problem = QStringLiteral("%1 is not a folder of the user's own").arg(folder);
        return {};
    }
    if ((info.st_mode & 0777) != 0700 && ::chmod(path.constData(), 0700) != 0) {
        problem = QStringLiteral("cannot make %1 private").arg(folder);
        return {};
    }
    return folder;
}

// The sockets this program made in this run, which the clean-up leaves alone.
QStringList& ownControlPaths() {
    static QStringList paths;
    return paths;
}

// ssh's messages as one line: control characters out, at most a few hundred characters.
QString messageOf(const QByteArray& errorOutput) {
    QString text = QString::fromLocal8Bit(errorOutput.left(2048));
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QLatin1Char(' ');
    text = text.simplified();
    if (text.size() > 400)
        text = text.left(400) + QChar(0x2026);
    return text;
}

CommandResult runSsh(const QStringList& arguments, const QByteArray& input, std::chrono::milliseconds timeout,
                     qsizetype outputCap, const std::function<void()>& yield) {
    CommandRequest request;
    request.program = QLatin1String(SshProgram);
    request.arguments = arguments;
    request.input = input;
    request.timeout = timeout;
    request.outputCap = outputCap;
    request.errorCap = ErrorCap;
    request.yield = yield;
    request.yieldInterval = std::chrono::milliseconds(15);
    return linuxbackend::runChildCommand(request);
}

void endMaster(const QString& controlPath) {
    if (!QFileInfo::exists(controlPath))
        return;
    // Only the socket is spoken to: no configuration, and no host is reached.
    runSsh({QStringLiteral("-F"), QStringLiteral("/dev/null"), QStringLiteral("-S"), controlPath,
            QStringLiteral("-O"), QStringLiteral("exit"), QStringLiteral("127.0.0.1")},
           {}, std::chrono::milliseconds(3000), 4096, {});
    QFile::remove(controlPath);
}

} // namespace

SshTransport::SshTransport(SshSettings settings) : m_settings(std::move(settings)) {
    static QAtomicInteger<int> windows;
    const QString folder = privateFolder(m_folderProblem);
    if (folder.isEmpty())
        return;
    m_controlPath =
        QStringLiteral("%1/ssh-%2-%3").arg(folder).arg(::getpid()).arg(windows.fetchAndAddRelaxed(1));
    if (QFile::encodeName(m_controlPath).size() > ControlPathLimit) {
        m_folderProblem = QStringLiteral("the runtime folder's path %1 is too long for a socket").arg(folder);
        m_controlPath.clear();
        return;
    }
    ownControlPaths() << m_controlPath;
}

SshTransport::~SshTransport() {
    if (!m_controlPath.isEmpty())
        endMaster(m_controlPath);
}

void SshTransport::removeLeftControlSockets() {
    QString problem;
    const QString folder = privateFolder(problem);
    if (folder.isEmpty())
        return;
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QStringList names = QDir(folder).entryList({QStringLiteral("ssh-*")}, QDir::System | QDir::Files);
    for (const QString& name : names) {
        const QString path = folder + QLatin1Char('/') + name;
        if (ownControlPaths().contains(path))
            continue;
        // "ssh-PID-N": left when PID is gone or names another program now.
        const int processId = name.section(QLatin1Char('-'), 1, 1).toInt();
        const bool running =
            processId > 0 && ::kill(processId, 0) == 0 &&
            QFileInfo(QStringLiteral("/proc/%1/exe").arg(processId)).canonicalFilePath() == self;
        if (!running)
            endMaster(path);
    }
}

QStringList SshTransport::arguments(const QStringList& command) const {
    QStringList arguments;
    if (!m_settings.configFile.isEmpty())
        arguments << QStringLiteral("-F") << m_settings.configFile;
    arguments << QStringLiteral("-o") << QStringLiteral("BatchMode=yes")             //
              << QStringLiteral("-o") << QStringLiteral("StrictHostKeyChecking=yes") //
              << QStringLiteral("-o")
              << QStringLiteral("ConnectTimeout=%1").arg(ConnectSeconds) //
              // A host that stops answering ends the master, and the next refresh connects anew.
              << QStringLiteral("-o") << QStringLiteral("ServerAliveInterval=5") //
              << QStringLiteral("-o") << QStringLiteral("ServerAliveCountMax=2") //
              << QStringLiteral("-o") << QStringLiteral("ControlMaster=auto")    //
              << QStringLiteral("-o") << QStringLiteral("ControlPath=%1").arg(m_controlPath)
              << QStringLiteral("-o") << QStringLiteral("ControlPersist=%1").arg(MasterIdleSeconds)
              << QStringLiteral("-o") << QStringLiteral("ClearAllForwardings=yes") << QStringLiteral("-T");
    const SshDestination& destination = m_settings.destination;
    if (!destination.user.isEmpty())
        arguments << QStringLiteral("-l") << destination.user;
    if (destination.port)
        arguments << QStringLiteral("-p") << QString::number(*destination.port);
    // The host after "--": checked not to begin with "-" as well, and ssh reads no option past it.
    arguments << QStringLiteral("--") << destination.host << command;
    return arguments;
}

SshAnswer SshTransport::run(const QByteArray& script, qsizetype outputCap, const std::function<void()>& yield,
                            std::optional<std::chrono::milliseconds> timeout) const {
    SshAnswer answer;
    if (m_controlPath.isEmpty()) {
        answer.failure = QLatin1String(NotConnectedPrefix) +
                         QStringLiteral("no private folder for the connection: ") + m_folderProblem;
        return answer;
    }
    CommandResult result =
        runSsh(arguments(), script, timeout.value_or(m_settings.timeout), outputCap, yield);
    answer.failure = failureOf(result);
    answer.truncated = result.truncated;
    if (answer.failure.isEmpty())
        answer.output = std::move(result.output);
    return answer;
}

QString SshTransport::failureOf(const CommandResult& result) const {
    const QString prefix = QLatin1String(NotConnectedPrefix);
    const QString host = m_settings.destination.host;
    switch (result.status) {
    case CommandStatus::PipeFailed:
    case CommandStatus::ReadFailed:
        return prefix + QStringLiteral("ssh could not be run: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(result.errorCode)));
    case CommandStatus::StartFailed:
        return prefix +
               QStringLiteral("%1 could not be started: %2")
                   .arg(QLatin1String(SshProgram), QString::fromLocal8Bit(std::strerror(result.errorCode)));
    case CommandStatus::TimedOut:
        return prefix +
               QStringLiteral("%1 did not answer within %2 seconds")
                   .arg(host)
                   .arg(std::chrono::duration_cast<std::chrono::seconds>(m_settings.timeout).count());
    case CommandStatus::Finished:
        break;
    }
    if (result.signal == 0 && result.exitCode == 0)
        return {};
    const QString said = messageOf(result.errorOutput);
    // 255 is ssh's own failure; anything else is the script's, on a host that was reached.
    if (result.signal != 0 || result.exitCode != 255)
        return QStringLiteral("the listing failed on %1 (%2)%3")
            .arg(host,
                 result.signal ? QStringLiteral("signal %1").arg(result.signal)
                               : QStringLiteral("exit status %1").arg(result.exitCode),
                 said.isEmpty() ? QString() : QStringLiteral(": ") + said);
    QString text = prefix + (said.isEmpty() ? QStringLiteral("ssh failed") : said);
    const QString typed =
        QStringLiteral("ssh %1%2@%3")
            .arg(m_settings.destination.port ? QStringLiteral("-p %1 ").arg(*m_settings.destination.port)
                                             : QString(),
                 m_settings.destination.user.isEmpty() ? QStringLiteral("USER") : m_settings.destination.user,
                 host);
    if (said.contains(QLatin1String("Permission denied")))
        text += QStringLiteral(" Use a key or an agent: the program never asks for a password.");
    else if (said.contains(QLatin1String("host key"), Qt::CaseInsensitive) ||
             said.contains(QLatin1String("Host key verification failed")))
        text += QStringLiteral(" Add the host's key first by connecting once with \"%1\".").arg(typed);
    return text;
}

} // namespace os::remote
