// links: tavren_history tavren_os
// The connection history's cost, on this machine, beside its peers measured in the same run:
//   flood   a child closes 1000 loopback connections a second for HISTORY_BENCH_SECONDS (60 by
//           default) while the recorder and the store (in memory) run here: every socket the
//           kernel destroyed is counted as recorded, with what was dropped, and this process's
//           CPU (recorder, writer and the hand-over between them) as a share of one core, set
//           against `ss -E` following the same notices;
//   idle    the same recorder and store with nothing closing, as a share of one core;
//   window  a history file of a million rows: the History window's first page and one filter
//           keystroke, against the sqlite3 shell reading the same first page.
// Usage: bench_history (no arguments; prints one line per figure).
#include "history/HistoryPageModel.h"
#include "history/HistoryStore.h"
#include "platform/os/linux/LinuxSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double processSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double childSeconds(pid_t pid) {
    FILE* file = std::fopen(QStringLiteral("/proc/%1/stat").arg(pid).toLatin1().constData(), "r");
    if (!file)
        return 0;
    char text[1024] = {};
    std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    const char* fields = std::strrchr(text, ')');
    unsigned long user = 0, system = 0;
    // (14) utime and (15) stime, in clock ticks, after the state field (3).
    std::sscanf(fields + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system);
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

// Opens and closes `perSecond` loopback connections a second, each carrying one byte, and
// writes how many it closed to `report`.
[[noreturn]] void flood(int perSecond, int seconds, int report) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 128);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    long closed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long n = 0; n < long(perSecond) * seconds; ++n) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(n * 1000000 / perSecond));
        const int client = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(client);
            continue;
        }
        const int server = ::accept(listener, nullptr, nullptr);
        char byte = 'x';
        ::send(client, &byte, 1, 0);
        ::recv(server, &byte, 1, 0);
        ::close(client);
        ::recv(server, &byte, 1, 0);
        ::close(server);
        closed += 2;
    }
    ::close(listener);
    ++closed;
    if (::write(report, &closed, sizeof closed) < 0)
        _exit(1);
    _exit(0);
}

void floodAndIdle(int seconds) {
    os::LinuxSystem system;
    QTemporaryDir folder;
    history::HistoryStore store(folder.path());
    std::unique_ptr<os::ConnectionRecorder> recorder = system.makeConnectionRecorder();
    recorder->start();
    QProcess peer;
    peer.setStandardOutputFile(QProcess::nullDevice());
    peer.start(QStringLiteral("ss"), {QStringLiteral("-Eti")});
    peer.waitForStarted();
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return;
    const double cpuBefore = processSeconds();
    QElapsedTimer wall;
    wall.start();
    const pid_t child = ::fork();
    if (child == 0)
        flood(1000, seconds, pipeEnds[1]);
    long expected = 0;
    std::uint64_t recorded = 0, dropped = 0;
    const auto takeAll = [&] {
        os::ConnectionRecorder::Batch batch = recorder->take();
        dropped += batch.dropped;
        recorded += batch.sockets.size();
        std::vector<history::HistoryEntry> entries(batch.sockets.size());
        for (std::size_t at = 0; at < entries.size(); ++at) {
            entries[at].closed = QDateTime::currentMSecsSinceEpoch();
            entries[at].sent = std::int64_t(batch.sockets[at].figures ? batch.sockets[at].figures->bytesSent : 0);
        }
        store.record(std::move(entries));
    };
    for (int status; ::waitpid(child, &status, WNOHANG) == 0;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        takeAll();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    takeAll();
    store.flush();
    const double cpu = processSeconds() - cpuBefore;
    const double elapsed = double(wall.elapsed()) / 1000;
    if (::read(pipeEnds[0], &expected, sizeof expected) != sizeof expected)
        expected = -1;
    const double peerCpu = childSeconds(pid_t(peer.processId()));
    peer.kill();
    peer.waitForFinished();
    std::printf("flood: %.0f s, %ld sockets closed by the flood, %llu destroy notices recorded (the machine's "
                "others included), %llu dropped\n",
                elapsed, expected, (unsigned long long)recorded, (unsigned long long)dropped);
    std::printf("flood: recorder and store %.2f%% of a core; ss -E %.2f%% (ratio %.2f)\n", 100 * cpu / elapsed,
                100 * peerCpu / elapsed, peerCpu > 0 ? cpu / peerCpu : 0.0);

    const double idleBefore = processSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    takeAll();
    store.flush();
    std::printf("idle: recorder and store %.3f%% of a core over 10 s\n", 100 * (processSeconds() - idleBefore) / 10);
    recorder->stop();
}

void windowOverMillionRows() {
    QTemporaryDir folder;
    {
        history::HistoryStore store(folder.path());
        store.setKeepsHistory(true);
        const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
        for (int batch = 0; batch < 10; ++batch) {
            std::vector<history::HistoryEntry> entries(100000);
            for (int at = 0; at < 100000; ++at) {
                history::HistoryEntry& entry = entries[std::size_t(at)];
                const int n = batch * 100000 + at;
                entry.program = QStringLiteral("/usr/bin/program%1").arg(n % 50);
                entry.user = QStringLiteral("user%1").arg(n % 7);
                entry.localAddress = QStringLiteral("10.0.%1.%2").arg(n / 256 % 256).arg(n % 256);
                entry.remoteAddress = QStringLiteral("192.0.2.%1").arg(n % 256);
                entry.localPort = 1024 + n % 60000;
                entry.remotePort = 443;
                entry.closed = now - (1000000 - n) * 1000;
                entry.sent = entry.received = n;
            }
            store.record(std::move(entries));
            store.flush();
        }
    }
    history::HistoryStore store(folder.path());
    QElapsedTimer timer;
    timer.start();
    history::HistoryPageModel page(store, history::HistoryPageModel::Table::Connections, {});
    const double open = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    page.setFilter(QStringLiteral("program4"));
    const double common = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    page.setFilter(QStringLiteral("10.0.77.3"));
    const double rare = double(timer.nsecsElapsed()) / 1e6;
    const int rareFirst = page.rowCount();
    while (page.canFetchMore({}))
        QCoreApplication::processEvents();
    const double rareWhole = double(timer.nsecsElapsed()) / 1e6;
    QProcess peer;
    timer.restart();
    peer.start(QStringLiteral("sqlite3"), {folder.path() + QStringLiteral("/history.sqlite"),
                                          QStringLiteral("SELECT * FROM connections ORDER BY closed DESC LIMIT 500")});
    peer.waitForFinished();
    const double shell = double(timer.nsecsElapsed()) / 1e6;
    std::printf("window: 1,000,000 rows; first page %.1f ms, filter keystroke %.1f ms (common text) and %.1f ms "
                "(rare text, %d rows; all %d found after %.0f ms while the window answers); sqlite3 shell's first page %.1f ms (ratio %.2f)\n",
                open, common, rare, rareFirst, page.rowCount(), rareWhole, shell, open / shell);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    signal(SIGPIPE, SIG_IGN);
    if (!qEnvironmentVariableIsSet("HISTORY_BENCH_WINDOW_ONLY"))
        floodAndIdle(qEnvironmentVariableIntValue("HISTORY_BENCH_SECONDS") > 0
                     ? qEnvironmentVariableIntValue("HISTORY_BENCH_SECONDS")
                     : 60);
    windowOverMillionRows();
    return 0;
}
