// links: tavren_mainwindow tavren_os
// The view by program against the flat list, side by side with the same columns shown
// ("Sent/s", "Received/s", "Connections", "Sent", "Received") over 2000 connections of 50
// programs: one whole refresh (a scripted listing, so that the command's own time does not hide
// the window's share), and one live sample, which comes once a second and so is the idle cost.
// Argument 0 is the flat list, 1 the view by program. scripts/bench-programview prints the
// ratios against the goals (refresh at most 1.1 x, a sample at most 0.3 points of a core more).
#include "connectionlist/ConnectionColumns.h"
#include "mainwindow/Form1.h"
#include "mainwindow/ProgramView.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/widgets/ListView.h"
#include "snapshot/ConnectionTable.h"

#include "OffscreenMain.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

using connectionlist::Column;

constexpr int Connections = 2000, Programs = 50;

os::ConnectionEnds endsOf(int index) {
    os::ConnectionEnds ends;
    ends.localAddress = {127, 0, 0, 1};
    ends.remoteAddress = {127, 0, 0, 2};
    ends.localPort = std::uint16_t(20000 + index);
    ends.remotePort = 443;
    return ends;
}

os::TrafficSample sampleOf(int second) {
    os::TrafficSample sample;
    sample.takenAt = std::chrono::steady_clock::time_point(std::chrono::seconds(second));
    for (int index = 0; index < Connections; ++index) {
        const std::uint64_t perSecond = std::uint64_t((index * 7919 + second * 104729) % 100000);
        const std::uint64_t moved = perSecond * std::uint64_t(second);
        sample.sockets.push_back({endsOf(index), {moved, moved * 3, std::uint32_t(40 + index % 900), 0}});
    }
    return sample;
}

struct Window {
    os::FakeSystem system;
    ConnectionSnapshot snapshot;
    std::unique_ptr<Form1> form;

    explicit Window(bool grouped) {
        QByteArray text =
            "\r\nActive Connections\r\n\r\n  Proto  Local Address  Foreign Address  State  PID\r\n";
        for (int index = 0; index < Connections; ++index) {
            const int pid = 1000 + index % Programs;
            text += QStringLiteral("  TCP    127.0.0.1:%1    127.0.0.2:443    ESTABLISHED    %2\r\n")
                        .arg(20000 + index)
                        .arg(pid)
                        .toLatin1();
        }
        system.defaultCommandResult.output = text;
        for (int program = 0; program < Programs; ++program) {
            const int pid = 1000 + program;
            system.processIdList.push_back(pid);
            system.executablePaths.insert(pid, QStringLiteral("/usr/bin/program%1").arg(program));
            system.ownerNames.insert(pid, QStringLiteral("user%1").arg(program % 3));
            system.startTimes.insert(pid, std::uint64_t(pid));
        }
        system.trafficSamples = {sampleOf(1), sampleOf(2), sampleOf(3)};
        form = std::make_unique<Form1>(system, snapshot);
        form->show();
        for (Column column :
             {Column::Sent, Column::Received, Column::Connections, Column::SentTotal, Column::ReceivedTotal})
            form->ListView1->setColumnShown(int(column), true);
        form->programView()->setOn(grouped);
        form->ListView1->sortRows(int(Column::Received), Qt::DescendingOrder);
        form->RefreshView();
        // Every program opened, as a user who looks at them all would.
        if (grouped)
            form->ListView1->expandAll();
        system.playTrafficSample();
        QCoreApplication::processEvents();
    }
};

void refresh(benchmark::State& state) {
    Window window(state.range(0) != 0);
    for (auto _ : state) {
        window.form->RefreshView();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = window.form->ListView1->itemCount();
}
BENCHMARK(refresh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void liveSample(benchmark::State& state) {
    Window window(state.range(0) != 0);
    for (auto _ : state) {
        window.system.playTrafficSample();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = window.form->ListView1->itemCount();
    state.counters["shownRows"] = window.form->ListView1->shownCount();
}
BENCHMARK(liveSample)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    return runOffscreenBenchmarks(argc, argv);
}
