// links: tavren_os
// One sample of every TCP connection's traffic figures (a netlink dump with tcp_info), on the
// machine's real table. scripts/bench-traffic runs it beside `ss -ti` with thousands of sockets.
#include "platform/os/linux/LinuxTrafficSampler.h"

#include <benchmark/benchmark.h>

namespace {

void takeSample(benchmark::State& state) {
    os::sockets::NetlinkTcpDumper dumper;
    std::size_t sockets = 0;
    for (auto _ : state) {
        const os::TrafficSample sample = os::linuxbackend::takeTrafficSample(dumper);
        sockets = sample.sockets.size();
        benchmark::DoNotOptimize(sample.sockets.data());
    }
    state.counters["sockets"] = double(sockets);
}
BENCHMARK(takeSample)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
