// links: tavren_os
// The TCP-table count behind the auto-refresh timer, on the machine's real table.
// scripts/bench-netstat runs it beside `ss -tn` with thousands of sockets open.
#include "platform/os/linux/TcpStateCounter.h"

#include <benchmark/benchmark.h>

namespace {

// A check that finds the summary counters unchanged. The periodic full recount is left out
// here (the interval is an hour); scripts/bench-netstat adds its share per timer tick.
void countUnchanged(benchmark::State& state) {
    os::linuxbackend::TcpStateCounter counter(std::chrono::hours(1));
    counter.count();
    for (auto _ : state)
        benchmark::DoNotOptimize(counter.count().active());
    state.counters["fullCounts"] = counter.fullCounts();
}
BENCHMARK(countUnchanged)->Unit(benchmark::kMicrosecond);

// A full netlink dump of every TCP socket, IPv4 and IPv6.
void countInFull(benchmark::State& state) {
    os::linuxbackend::TcpStateCounter counter(std::chrono::milliseconds(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(counter.count().active());
}
BENCHMARK(countInFull)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
