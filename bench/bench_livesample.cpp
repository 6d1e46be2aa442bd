// links: tavren_mainwindow tavren_os
// How long one live sample holds the window: every connection's figures change and the list,
// sorted by "Received/s" with the rate columns shown, takes them and sorts once. The sample
// comes from a scripted sampler, so only the window's share is timed: the rates, the model's
// batch, the one sort and the painting. Goal: at most 50 ms at 64,000 connections.
#include "connectionlist/ConnectionModel.h"
#include "mainwindow/Form1.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/widgets/ListView.h"
#include "snapshot/ConnectionTable.h"

#include "OffscreenMain.h"

#include <QApplication>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

using connectionlist::Column;

os::ConnectionEnds endsOf(int index) {
    os::ConnectionEnds ends;
    ends.localAddress = {127, 0, std::uint8_t(index >> 8), std::uint8_t(index)};
    ends.remoteAddress = {127, 1, std::uint8_t(index >> 8), std::uint8_t(index)};
    ends.localPort = std::uint16_t(1024 + index % 50000);
    ends.remotePort = 443;
    return ends;
}

// A little traffic on every connection, more on some: each sample moves every figure.
os::TrafficSample sampleOf(int connections, int second) {
    os::TrafficSample sample;
    sample.takenAt = std::chrono::steady_clock::time_point(std::chrono::seconds(second));
    sample.sockets.reserve(std::size_t(connections));
    for (int index = 0; index < connections; ++index) {
        const std::uint64_t perSecond = std::uint64_t((index * 7919 + second * 104729) % 100000);
        sample.sockets.push_back({endsOf(index), {perSecond * std::uint64_t(second), perSecond * std::uint64_t(second) * 3,
                                                  std::uint32_t(40 + index % 900), 0}});
    }
    return sample;
}

void liveSample(benchmark::State& state) {
    const int connections = int(state.range(0));
    os::FakeSystem system;
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    form.show();
    std::vector<connectionlist::ConnectionRow> rows(static_cast<std::size_t>(connections));
    for (int index = 0; index < connections; ++index) {
        connectionlist::ConnectionRow& row = rows[std::size_t(index)];
        row.fileName = QStringLiteral("client");
        row.localPortText = QString::number(endsOf(index).localPort);
        row.remoteHost = QStringLiteral("127.1.%1.%2").arg(index >> 8 & 255).arg(index & 255);
        row.remotePortText = QStringLiteral("443");
        row.stateText = QStringLiteral("ESTABLISHED");
        row.trafficEnds = endsOf(index);
    }
    form.connections().setRows(std::move(rows));
    // A long script would hold gigabytes: three samples, played round, every one moving on.
    system.trafficSamples = {sampleOf(connections, 1), sampleOf(connections, 2), sampleOf(connections, 3)};
    for (Column column : {Column::Sent, Column::Received})
        form.ListView1->setColumnShown(int(column), true);
    form.ListView1->sortRows(int(Column::Received), Qt::DescendingOrder);
    system.playTrafficSample();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        system.playTrafficSample();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = form.ListView1->itemCount();
}
BENCHMARK(liveSample)->Arg(32000)->Arg(64000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    return runOffscreenBenchmarks(argc, argv);
}
