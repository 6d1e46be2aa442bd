// links: tavren_os
// The TCP-table count behind the auto-refresh timer. By default it opens loopback connections
// of its own, 4000 then 30,000 sockets (in a network namespace of its own when it may make
// one, so other programs' sockets do not count), and prints what the counter costs per second
// of a 5 ms timer while nothing changes, as a share of a core and against `ss -tn` timed in
// the same run. `--sockets=as-is` measures the machine's table as it is and prints only the
// benchmarks (scripts/bench-netstat reads them as JSON).
#include "platform/os/linux/TcpStateCounter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <sched.h>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using os::linuxbackend::TcpStateCounter;

// A check that finds the summary counters unchanged: what almost every timer tick costs.
// The periodic checks and counts are measured on their own below (the interval is an hour).
void countUnchanged(benchmark::State& state) {
    TcpStateCounter counter(std::chrono::hours(1));
    counter.count();
    for (auto _ : state)
        benchmark::DoNotOptimize(counter.count().active());
    state.counters["fullCounts"] = counter.fullCounts();
}
BENCHMARK(countUnchanged)->Unit(benchmark::kMicrosecond);

// The kernel's connection counters, read every TcpStateCounter::ConnectionCheckInterval.
void connectionCounters(benchmark::State& state) {
    os::sockets::TcpConnectionCounterReader reader;
    os::sockets::TcpConnectionCounters counters;
    for (auto _ : state)
        benchmark::DoNotOptimize(reader.read(counters));
}
BENCHMARK(connectionCounters)->Unit(benchmark::kMicrosecond);

// The dump of the unsettled sockets only, filtered by the kernel: once a recount interval.
void unsettledCheck(benchmark::State& state) {
    os::sockets::NetlinkTcpDumper dumper;
    for (auto _ : state) {
        std::uint32_t sockets = 0;
        os::sockets::forEachTcpSocket(dumper, TcpStateCounter::UnsettledStates,
                                      [&sockets](const os::sockets::TcpSocket&) { ++sockets; });
        benchmark::DoNotOptimize(sockets);
    }
}
BENCHMARK(unsettledCheck)->Unit(benchmark::kMicrosecond);

// A full netlink dump of every TCP socket, IPv4 and IPv6.
void countInFull(benchmark::State& state) {
    TcpStateCounter counter(std::chrono::milliseconds(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(counter.count().active());
}
BENCHMARK(countInFull)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's CPU seconds per iteration (user and system: a dump's cost is mostly
// the kernel's) beside the usual console output.
class CostReporter : public benchmark::ConsoleReporter {
public:
    CostReporter() : ConsoleReporter(::isatty(1) ? OO_Defaults : OO_Tabular) {}
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.iterations > 0)
                seconds[run.benchmark_name()] = run.cpu_accumulated_time / double(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

// A network namespace of our own with its loopback up; false where that is not allowed.
bool ownNetwork() {
    if (::unshare(CLONE_NEWNET) != 0)
        return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP;
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (fd >= 0)
        ::close(fd);
    return up;
}

// Loopback connections held open by child processes, so that no process needs more
// descriptors than the usual limit allows: each child listens on 127.0.0.1 or ::1 (IPv4 alone
// without ::1), opens its share and waits until its pipe closes.
class LoopbackTable {
public:
    ~LoopbackTable() {
        for (const Holder& holder : m_holders) {
            ::close(holder.pipe);
            ::waitpid(holder.pid, nullptr, 0);
        }
    }
    // Adds children until about `sockets` ends are held; false when the system refuses more.
    bool grow(std::size_t sockets) {
        while (m_sockets + 2 <= sockets) {
            const std::size_t share = std::min(sockets - m_sockets, maximumShare()) / 2 * 2;
            int ready[2], hold[2];
            if (share == 0 || ::pipe2(ready, O_CLOEXEC) != 0)
                return false;
            if (::pipe2(hold, O_CLOEXEC) != 0) {
                ::close(ready[0]);
                ::close(ready[1]);
                return false;
            }
            const int family = m_holders.size() % 2 ? AF_INET6 : AF_INET;
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(ready[0]);
                ::close(hold[1]);
                std::uint32_t opened = holdConnections(family, share, ready[1], hold[0]);
                ::_exit(opened ? 0 : 1);
            }
            ::close(ready[1]);
            ::close(hold[0]);
            std::uint32_t opened = 0;
            const bool told = child > 0 && ::read(ready[0], &opened, sizeof opened) == sizeof opened;
            ::close(ready[0]);
            if (child > 0)
                m_holders.push_back({child, hold[1]});
            else
                ::close(hold[1]);
            m_sockets += told ? opened : 0;
            if (!told || opened < share)
                return false;
        }
        return true;
    }
    std::size_t sockets() const { return m_sockets; }

private:
    struct Holder {
        pid_t pid;
        int pipe;
    };
    static std::size_t maximumShare() {
        rlimit files{};
        ::getrlimit(RLIMIT_NOFILE, &files);
        return std::min<std::size_t>(files.rlim_cur > 64 ? files.rlim_cur - 64 : 0, 10000);
    }
    // In the child: opens the connections, tells how many sockets it holds, waits.
    static std::uint32_t holdConnections(int family, std::size_t share, int ready, int hold) {
        sockaddr_storage address{};
        address.ss_family = sa_family_t(family);
        if (family == AF_INET)
            reinterpret_cast<sockaddr_in&>(address).sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        else
            reinterpret_cast<sockaddr_in6&>(address).sin6_addr = in6addr_loopback;
        socklen_t length = sizeof address;
        int listener = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0) {
            if (listener >= 0)
                ::close(listener);
            return holdConnections(AF_INET, share, ready, hold);
        }
        std::uint32_t opened = 0;
        if (::listen(listener, 64) == 0 &&
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            while (opened < share) {
                const int client = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
                if (client < 0 || ::connect(client, reinterpret_cast<sockaddr*>(&address), length) != 0)
                    break;
                if (::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC) < 0)
                    break;
                opened += 2;
            }
        (void)!::write(ready, &opened, sizeof opened);
        char byte;
        while (::read(hold, &byte, 1) > 0) {
        }
        return opened;
    }
    std::vector<Holder> m_holders;
    std::size_t m_sockets = 0;
};

// Wall seconds of one `ss -tn` run, its output thrown away; the median of several.
double ssSeconds(int runs = 9) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = ::fork();
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            if (null < 0)
                ::_exit(127);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execlp("ss", "ss", "-tn", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
            return 0;
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// What the counter costs in a second of a 5 ms timer with a still table: under the old rule
// of a full count every recount interval, and under the unsettled check, on a quiet machine
// (no segment moves, so the unsettled sockets are dumped only after each full count) and with
// traffic on the connections (dumped every recount interval).
void printIdleCost(std::size_t sockets, const std::map<std::string, double>& seconds, double ss) {
    const auto cost = [&seconds](const char* name) {
        const auto found = seconds.find(name);
        return found == seconds.end() ? 0.0 : found->second;
    };
    const double ticksPerSecond = 1000.0 / 5.0;
    const double checksPerSecond = 1000.0 / double(TcpStateCounter::ConnectionCheckInterval.count());
    const double everyTick =
        ticksPerSecond * cost("countUnchanged") + checksPerSecond * cost("connectionCounters");
    const double full = cost("countInFull"), unsettled = cost("unsettledCheck");
    const double before = everyTick + full;
    const double quiet = everyTick + (full + unsettled) / TcpStateCounter::FullRecountEvery;
    const double traffic = everyTick + unsettled + full / TcpStateCounter::FullRecountEvery;
    std::printf("\n%zu sockets of ours: idle cost of the TCP count at a 5 ms timer, per second\n", sockets);
    std::printf("  tick %.1f us, connection counters %.1f us, unsettled dump %.0f us, full count %.0f us; "
                "ss -tn %.2f ms (median of 9, same run)\n",
                cost("countUnchanged") * 1e6, cost("connectionCounters") * 1e6, unsettled * 1e6, full * 1e6,
                ss * 1e3);
    const auto line = [ss, before](const char* rule, double perSecond) {
        std::printf("  %-44s %6.3f %% of a core, %6.3f ss -tn runs, %.2f of before\n", rule, perSecond * 100,
                    ss > 0 ? perSecond / ss : 0, before > 0 ? perSecond / before : 0);
    };
    line("before: full count every second", before);
    const std::string quietRule =
        "now, quiet: full count every " + std::to_string(TcpStateCounter::FullRecountEvery) + " s";
    line(quietRule.c_str(), quiet);
    line("now, traffic: unsettled dump every second", traffic);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<std::size_t> tables = {4000, 30000};
    for (int at = 1; at < argc; ++at)
        if (std::strcmp(argv[at], "--sockets=as-is") == 0)
            tables.clear();
    if (tables.empty()) {
        benchmark::RunSpecifiedBenchmarks();
        return 0;
    }
    if (!ownNetwork())
        std::printf("no network namespace of our own (needs root): the machine's other sockets count too\n");
    LoopbackTable table;
    for (std::size_t sockets : tables) {
        if (!table.grow(sockets))
            std::printf("could open only %zu sockets\n", table.sockets());
        CostReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        printIdleCost(table.sockets(), reporter.seconds, ssSeconds());
    }
    return 0;
}
