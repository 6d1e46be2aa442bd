// links: tavren_mainwindow tavren_os
// A window of another host: its whole refresh (the script over ssh, the parse, the rows, the
// list) beside `ssh host ss -tnpi` over the same master connection, alternated round by round.
// scripts/bench-remote starts an sshd of its own on loopback with thousands of connections
// open and runs this; the goal is a ratio of at most 1.2.
#include "mainwindow/Form1.h"
#include "platform/os/Backend.h"
#include "platform/os/linux/ChildCommand.h"
#include "platform/os/remote/RemoteScript.h"
#include "platform/os/remote/RemoteSystem.h"
#include "platform/widgets/ListView.h"
#include "snapshot/ConnectionTable.h"

#include "OffscreenMain.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void refreshBesideSs(benchmark::State& state) {
    const auto check = os::remote::readDestination(qEnvironmentVariable("BENCH_SSH_DESTINATION"));
    if (!check.destination) {
        state.SkipWithError(
            "BENCH_SSH_DESTINATION and BENCH_SSH_CONFIG name the host (scripts/bench-remote)");
        return;
    }
    os::remote::RemoteSystem system({*check.destination, qEnvironmentVariable("BENCH_SSH_CONFIG")},
                                    os::makeSystem());
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    form.show();
    form.RefreshView(); // the master connection is made, icons read once
    os::CommandRequest peer;
    peer.program = QLatin1String(os::remote::SshProgram);
    peer.arguments = system.transport().arguments({QStringLiteral("ss"), QStringLiteral("-tnpi")});
    peer.outputCap = 256 * 1024 * 1024;
    // The script alone over the same master: what of a refresh is the other host's.
    const QByteArray marker = os::remote::newMarker();
    const QByteArray script = os::remote::remoteScript(os::remote::RemoteRequest::Listing, marker, false);
    std::vector<double> refreshes, peers, scripts;
    qsizetype peerBytes = 0;
    for (auto _ : state) {
        refreshes.push_back(millisecondsOf([&form] { form.RefreshView(); }));
        peers.push_back(
            millisecondsOf([&] { peerBytes = os::linuxbackend::runChildCommand(peer).output.size(); }));
        scripts.push_back(millisecondsOf([&] { system.transport().run(script, 256 * 1024 * 1024, {}); }));
    }
    state.counters["rows"] = form.ListView1->itemCount();
    state.counters["refreshMs"] = medianOf(refreshes);
    state.counters["sshSsMs"] = medianOf(peers);
    state.counters["ratio"] = medianOf(refreshes) / std::max(medianOf(peers), 0.001);
    state.counters["ssBytes"] = double(peerBytes);
    state.counters["scriptMs"] = medianOf(scripts);
}
BENCHMARK(refreshBesideSs)->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace

int main(int argc, char** argv) {
    return runOffscreenBenchmarks(argc, argv);
}
