#include "platform/os/linux/LinuxSystem.h"

#include "platform/os/linux/ChildCommand.h"
#include "platform/os/linux/DestroyRecorder.h"
#include "platform/os/linux/ExecutableIcons.h"
#include "platform/os/linux/FileSaving.h"
#include "platform/os/linux/LinuxTrafficSampler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <netdb.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

// The build passes the installed layout; this is its usual value.
#ifndef TAVREN_LIBEXEC_FROM_BIN
#define TAVREN_LIBEXEC_FROM_BIN "../libexec/tavren-netstat"
#endif

namespace os {

namespace {

// A state change must show within a second. The counter dumps the few unsettled connections
// at most this often, and only when a segment or a timer may have moved one; the full dump
// it makes every thirty of these intervals is the bound for the rare rest.
constexpr std::chrono::milliseconds TcpRecountInterval{1000};

// A process writes its own command line and may make it megabytes long; the list shows
// this much of it, read anew for every process of every refresh.
constexpr qsizetype CommandLineLimit = 64 * 1024;

} // namespace

LinuxSystem::LinuxSystem(QString procRoot)
    : m_procRoot(procRoot), m_tcpCounter(TcpRecountInterval, procRoot.toStdString()),
      m_icons(std::make_unique<linuxbackend::ExecutableIcons>()) {
    // A refresh of tens of thousands of connections builds blocks of megabytes (the listing,
    // the rows) and frees them again. Left to itself the C library raises its threshold for
    // mapping a block on its own after the first such block is freed, and serves the later
    // ones from the heap, where refresh after refresh leaves them fragmented and the resident
    // size creeping up (3 to 15 MB over 100 refreshes of 30,000 rows). A fixed threshold keeps
    // the largest blocks mapped, each going back whole when freed; at 4 MB it costs a refresh
    // no measurable time, where 128 KB (mapping every table of a refresh) cost a third more.
    ::mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
}

LinuxSystem::~LinuxSystem() = default;

CommandResult LinuxSystem::runCommand(const CommandRequest& request) {
    return linuxbackend::runChildCommand(request);
}

QString LinuxSystem::netstatProgram() const {
    QString folder;
    if (QCoreApplication::instance()) {
        folder = QCoreApplication::applicationDirPath();
    } else {
        char path[4096];
        ssize_t length = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
        if (length > 0)
            folder = QFileInfo(QString::fromLocal8Bit(path, length)).absolutePath();
    }
    return companionCommandIn(folder);
}

std::optional<std::uint16_t> LinuxSystem::servicePort(const QString& serviceName) {
    if (!m_servicePorts) {
        QHash<QString, std::uint16_t>& ports = m_servicePorts.emplace();
        ::setservent(0);
        while (const servent* service = ::getservent()) {
            if (!service->s_proto || std::strcmp(service->s_proto, "tcp") != 0 || !service->s_name)
                continue;
            // The first entry of a name wins, as a look-up by name answers.
            const auto port = std::uint16_t(ntohs(std::uint16_t(service->s_port)));
            const auto keep = [&ports, port](const char* name) {
                const QString text = QString::fromLocal8Bit(name);
                if (!ports.contains(text))
                    ports.insert(text, port);
            };
            keep(service->s_name);
            for (char** alias = service->s_aliases; alias && *alias; ++alias)
                keep(*alias);
        }
        ::endservent();
    }
    const auto found = m_servicePorts->constFind(serviceName);
    return found == m_servicePorts->cend() ? std::nullopt : std::optional<std::uint16_t>(*found);
}

QString companionCommandIn(const QString& programFolder, const char* programName) {
    const QDir folder(programFolder);
    const QString beside = folder.absoluteFilePath(QLatin1String(programName));
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed =
        QDir::cleanPath(folder.absoluteFilePath(QLatin1String(TAVREN_LIBEXEC_FROM_BIN)) + QLatin1Char('/') +
                        QLatin1String(programName));
    if (QFileInfo(installed).isFile())
        return installed;
    // Neither exists: name the first place, so the failure to start says where it looked.
    return beside;
}

TcpStateCounts LinuxSystem::tcpStateCounts() {
    return m_tcpCounter.count();
}

std::vector<SocketEndpoint> LinuxSystem::socketEndpoints(bool listening, bool udp) {
    std::uint32_t states = sockets::ConnectionStates;
    if (listening)
        states |= sockets::stateBit(sockets::KernelListen);
    return endpointsIn(states, udp);
}

std::vector<SocketEndpoint> LinuxSystem::listeningEndpoints() {
    // The kernel leaves the connections out: only the few listeners cross.
    std::vector<SocketEndpoint> endpoints = endpointsIn(sockets::stateBit(sockets::KernelListen), true);
    std::erase_if(endpoints, [](const SocketEndpoint& endpoint) { return endpoint.remotePort != 0; });
    return endpoints;
}

std::vector<SocketEndpoint> LinuxSystem::endpointsIn(std::uint32_t states, bool udp) {
    std::vector<SocketEndpoint> endpoints;
    // Addresses repeat from socket to socket (every loopback connection has 127.0.0.1 at both
    // ends): the text of the last one of each side is kept, and shared, rather than made anew.
    struct LastAddress {
        std::array<std::uint8_t, 16> bytes{};
        int family = 0;
        std::uint32_t zone = 0;
        QString text;
        const QString& of(int socketFamily, const std::array<std::uint8_t, 16>& address, std::uint32_t interface) {
            if (socketFamily != family || address != bytes || interface != zone || text.isNull()) {
                family = socketFamily;
                bytes = address;
                zone = interface;
                text = QString::fromStdString(sockets::addressText(family, address, interface));
            }
            return text;
        }
    } local, remote;
    const auto keep = [&](const sockets::TcpSocket& socket) {
        endpoints.push_back({socket.protocol == IPPROTO_UDP, local.of(socket.family, socket.localAddress, 0),
                             socket.localPort, socket.remotePort,
                             remote.of(socket.family, socket.remoteAddress, socket.interfaceIndex)});
    };
    const std::string procRoot = m_procRoot.toStdString();
    sockets::forEachTcpSocket(m_endpointDumper, states, keep, procRoot);
    if (udp)
        sockets::forEachUdpSocket(m_endpointDumper, keep, procRoot);
    return endpoints;
}

std::unique_ptr<TrafficSampler> LinuxSystem::makeTrafficSampler() {
    return std::make_unique<linuxbackend::LinuxTrafficSampler>();
}

std::unique_ptr<ConnectionRecorder> LinuxSystem::makeConnectionRecorder() {
    return std::make_unique<linuxbackend::DestroyRecorder>();
}

std::vector<std::int32_t> LinuxSystem::processIds() {
    std::vector<std::int32_t> ids;
    DIR* proc = ::opendir(QFile::encodeName(m_procRoot).constData());
    if (!proc)
        return ids;
    while (dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        errno = 0;
        long id = std::strtol(entry->d_name, &end, 10);
        if (entry->d_name[0] >= '0' && entry->d_name[0] <= '9' && *end == '\0' && errno == 0 && id > 0 &&
            id <= INT32_MAX)
            ids.push_back(static_cast<std::int32_t>(id));
    }
    ::closedir(proc);
    return ids;
}

QString LinuxSystem::processExecutablePath(std::int32_t processId, PathSource* source) {
    PathSource readFrom = PathSource::ExecutableLink;
    if (!source)
        source = &readFrom;
    *source = PathSource::ExecutableLink;
    if (processId <= 0)
        return {};
    const QByteArray link = QFile::encodeName(m_procRoot) + '/' + QByteArray::number(processId) + "/exe";
    QByteArray target(4096, Qt::Uninitialized);
    ssize_t length = ::readlink(link.constData(), target.data(), target.size());
    if (length <= 0 || length >= target.size())
        return visibleProcessName(processId, *source);
    target.truncate(length);
    // The kernel marks an executable replaced or removed since the start (an upgrade) with
    // this suffix; the path without it is what the user knows. A file really named so keeps it.
    static constexpr char deletedMark[] = " (deleted)";
    struct stat info;
    if (target.endsWith(deletedMark) && ::lstat(target.constData(), &info) != 0)
        target.chop(int(sizeof(deletedMark) - 1));
    return QFile::decodeName(target);
}

namespace {

QByteArray readSmallFile(const QString& path, qint64 limit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return file.read(limit);
}

} // namespace

QString LinuxSystem::visibleProcessName(std::int32_t processId, PathSource& source) const {
    const QString folder = m_procRoot + QLatin1Char('/') + QString::number(processId);
    // The command line's first argument ends at its NUL; one longer than a path can be is
    // not a path.
    const QByteArray commandLine = readSmallFile(folder + QLatin1String("/cmdline"), 4096);
    const qsizetype end = commandLine.indexOf('\0');
    const QByteArray first = end < 0 ? commandLine : commandLine.left(end);
    if (first.startsWith('/') && (end >= 0 || commandLine.size() < 4096)) {
        source = PathSource::CommandLine;
        const QString program = QFile::decodeName(first);
        // A process that rewrote its arguments into one text ("/usr/bin/worker --type=x")
        // still starts with its program; keep the part that names a file when the whole
        // text does not.
        const qsizetype space = program.indexOf(QLatin1Char(' '));
        if (space > 0 && !QFileInfo(program).isFile() && QFileInfo(program.left(space)).isFile())
            return program.left(space);
        return program;
    }
    source = PathSource::ProcessName;
    QByteArray name = readSmallFile(folder + QLatin1String("/comm"), 256);
    if (name.endsWith('\n'))
        name.chop(1);
    return QFile::decodeName(name);
}

namespace {

int openProcessHandle(std::int32_t processId) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, processId, 0));
#else
    errno = ENOSYS;
    return -1;
#endif
}

struct ProcessStat {
    char state = 0;
    std::uint64_t startTime = 0; // clock ticks after boot
};

// /proc/PID/stat: "(2) comm" may hold spaces and parentheses, so the fields are counted
// from the last ')': (3) state first, (22) starttime twenty fields on.
std::optional<ProcessStat> readProcessStat(const QString& procRoot, std::int32_t processId) {
    if (processId <= 0)
        return std::nullopt;
    QFile stat(procRoot + QLatin1Char('/') + QString::number(processId) + QLatin1String("/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = text.mid(close + 1).simplified().split(' ');
    if (fields.size() < 20 || fields[0].size() != 1)
        return std::nullopt;
    bool ok = false;
    ProcessStat result;
    result.state = fields[0].at(0);
    result.startTime = fields[19].toULongLong(&ok);
    if (!ok || result.startTime == 0)
        return std::nullopt;
    return result;
}

} // namespace

QString LinuxSystem::processOwnerName(std::int32_t processId) {
    struct stat folder;
    const QByteArray path = QFile::encodeName(m_procRoot) + '/' + QByteArray::number(processId);
    if (processId <= 0 || ::stat(path.constData(), &folder) != 0)
        return {};
    passwd entry;
    passwd* found = nullptr;
    char names[4096];
    if (::getpwuid_r(folder.st_uid, &entry, names, sizeof(names), &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QString::number(folder.st_uid);
}

std::optional<QString> LinuxSystem::processCommandLine(std::int32_t processId) {
    if (processId <= 0)
        return std::nullopt;
    const QByteArray path = QFile::encodeName(m_procRoot) + '/' + QByteArray::number(processId) + "/cmdline";
    const int file = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return std::nullopt;
    // One byte past the limit tells a cut line from one that just fills it. The kernel hands
    // out a long line a page per read, so read until the end or the limit; most lines fit
    // the first page.
    QByteArray line(4096, Qt::Uninitialized);
    qsizetype length = 0;
    while (length <= CommandLineLimit) {
        if (length == line.size())
            line.resize(std::min(line.size() * 4, CommandLineLimit + 1));
        const ssize_t got = ::read(file, line.data() + length, std::size_t(line.size() - length));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        length += got;
    }
    ::close(file);
    const bool cut = length > CommandLineLimit;
    line.truncate(std::min(length, CommandLineLimit));
    // Each argument ends with a NUL; a process that rewrote its arguments in place may pad
    // what it no longer uses with more of them.
    while (line.endsWith('\0'))
        line.chop(1);
    if (line.isEmpty())
        return std::nullopt;
    line.replace('\0', ' ');
    if (!cut)
        return QString::fromLocal8Bit(line);
    // A stateful decoder keeps a character the cut split in two to itself, instead of
    // showing it as a broken one.
    QStringDecoder decoder(QStringDecoder::System);
    QString text = decoder.decode(line);
    return text + QChar(0x2026);
}

std::uint64_t LinuxSystem::processStartTime(std::int32_t processId) {
    const auto stat = readProcessStat(m_procRoot, processId);
    return stat ? stat->startTime : 0;
}

TerminateResult LinuxSystem::terminateProcess(std::int32_t processId,
                                              std::optional<std::uint64_t> startTime) {
    TerminateResult result;
    // 0 and negative ids would signal whole process groups; no row ever means that.
    if (processId <= 0) {
        result.errorCode = ESRCH;
        return result;
    }
    // A process handle pins the identity: once it is open, the signal cannot reach a newer
    // process that reuses the id. The start time read after opening it says whether the
    // handle holds the process the caller means.
    const int handle = openProcessHandle(processId);
    const int openError = errno;
    if (handle < 0 && openError == ESRCH) {
        result.alreadyEnded = startTime.has_value();
        result.errorCode = ESRCH;
        return result;
    }
    if (startTime && processStartTime(processId) != *startTime) {
        if (handle >= 0)
            ::close(handle);
        result.alreadyEnded = true;
        result.errorCode = ESRCH;
        return result;
    }
    int failed;
    if (handle >= 0) {
        failed = static_cast<int>(::syscall(SYS_pidfd_send_signal, handle, SIGKILL, nullptr, 0));
    } else if (openError == ENOSYS || openError == EPERM || openError == EINVAL) {
        // Older kernels have no process handles: a plain kill just after the check.
        failed = ::kill(processId, SIGKILL);
    } else {
        result.errorCode = openError;
        return result;
    }
    result.errorCode = failed != 0 ? errno : 0;
    if (handle >= 0)
        ::close(handle);
    result.signalled = failed == 0;
    return result;
}

bool LinuxSystem::processHasEnded(std::int32_t processId, std::uint64_t startTime) {
    const auto stat = readProcessStat(m_procRoot, processId);
    // Gone, a zombie waiting for its parent, or the id already given to a newer process.
    return !stat || stat->state == 'Z' || stat->state == 'X' || stat->startTime != startTime;
}

QString LinuxSystem::saveFile(const QString& path, const QByteArray& contents) {
    return linuxbackend::saveFileContents(path, contents);
}

QString LinuxSystem::systemErrorText(int errorCode) {
    return linuxbackend::errorText(errorCode);
}

QIcon LinuxSystem::executableIcon(const QString& executablePath) {
    return m_icons->iconFor(executablePath);
}

// The kernel's release under a platform name of its own, so that no key of the button's table
// (which lists platforms that cannot draw every look) ever matches here.
std::optional<QString> LinuxSystem::platformVersionKey() {
    utsname names{};
    if (::uname(&names) != 0)
        return std::nullopt;
    const QStringList release = QString::fromLatin1(names.release).split(QLatin1Char('.'));
    const auto number = [&release](int i) {
        bool ok = false;
        const uint n = i < release.size() ? release.at(i).section(QLatin1Char('-'), 0, 0).toUInt(&ok) : 0;
        return ok ? n : 0u;
    };
    return QStringLiteral("linux.%1.%2").arg(number(0)).arg(number(1));
}

} // namespace os
