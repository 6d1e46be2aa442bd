// links: tavren_mainwindow tavren_os
// The main window's refresh on the real machine, offscreen, plain and with the list sorted
// and filtered. scripts/bench-refresh opens thousands of loopback connections, runs this beside
// `ss -tnp` and `ss -tn`, and prints the ratios.
#include "mainwindow/Form1.h"
#include "platform/os/linux/LinuxSystem.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"
#include "snapshot/ConnectionTable.h"

#include "OffscreenMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <memory>

#include <unistd.h>

namespace {

struct Window {
    os::LinuxSystem system;
    ConnectionSnapshot snapshot;
    Form1 form{system, snapshot};
    Window() { form.show(); }
};

Window& window() {
    static auto* instance = new Window;
    return *instance;
}

// Resident set size in kilobytes.
double residentKb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) / 1024.0 : 0;
}

// The whole refresh: command, parse, paths, rows, icons, status.
void refreshView(benchmark::State& state) {
    Form1& form = window().form;
    form.RefreshView(); // warm: icon theme and desktop entries read once
    for (auto _ : state)
        form.RefreshView();
    state.counters["rows"] = form.ListView1->itemCount();
    state.counters["rssKb"] = residentKb();
}
BENCHMARK(refreshView)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The same with the rows sorted by a port column and a filter that every row passes only in
// a late column, so each row is sorted and tested against the filter as well.
void refreshViewSortedFiltered(benchmark::State& state) {
    Form1& form = window().form;
    form.ListView1->sortRows(3, Qt::DescendingOrder);
    form.showFilter();
    form.TxtFilter->setText(QStringLiteral("estab"));
    form.RefreshView();
    for (auto _ : state)
        form.RefreshView();
    state.counters["rows"] = form.ListView1->itemCount();
    state.counters["shown"] = form.ListView1->shownCount();
    form.hideFilter();
    form.ListView1->sortRows(-1, Qt::AscendingOrder);
}
BENCHMARK(refreshViewSortedFiltered)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// One keystroke in the filter over all rows, painted: the text alternates between the local
// port of one connection and that port without its last digit, as typing and deleting it
// would, so one row or a few are shown and every row is tested.
void filterKeystroke(benchmark::State& state) {
    Form1& form = window().form;
    form.RefreshView();
    const int rows = form.ListView1->itemCount();
    const QString port = rows > 0 ? form.ListView1->item(rows / 2).subItem(1) : QStringLiteral("1");
    form.showFilter();
    bool whole = false;
    for (auto _ : state) {
        whole = !whole;
        form.TxtFilter->setText(whole ? port : port.chopped(1));
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = rows;
    state.counters["shown"] = form.ListView1->shownCount();
    form.hideFilter();
}
BENCHMARK(filterKeystroke)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// One click's worth of sorting all rows by a port column, painted, alternating the direction.
void headerSort(benchmark::State& state) {
    Form1& form = window().form;
    form.RefreshView();
    bool ascending = false;
    for (auto _ : state) {
        ascending = !ascending;
        form.ListView1->sortRows(1, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = form.ListView1->itemCount();
    form.ListView1->sortRows(-1, Qt::AscendingOrder);
}
BENCHMARK(headerSort)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// A timer tick when nothing changed since the last refresh: the count and the comparison.
void timerTickUnchanged(benchmark::State& state) {
    Form1& form = window().form;
    form.RefreshView();
    const auto seen = form.activeCountAtLastRefresh();
    int refreshed = 0;
    for (auto _ : state) {
        form.Timer1_Timer();
        if (form.activeCountAtLastRefresh() != seen)
            ++refreshed;
    }
    state.counters["refreshedTicks"] = refreshed;
}
BENCHMARK(timerTickUnchanged)->Unit(benchmark::kMicrosecond);

// Resident size after 100 refreshes against after the first 10: the refresh keeps nothing.
void memoryOverRefreshes(benchmark::State& state) {
    Form1& form = window().form;
    for (auto _ : state) {
        for (int i = 0; i < 10; ++i)
            form.RefreshView();
        const double after10 = residentKb();
        for (int i = 10; i < 100; ++i)
            form.RefreshView();
        const double after100 = residentKb();
        state.counters["rssAfter10Kb"] = after10;
        state.counters["rssAfter100Kb"] = after100;
        state.counters["growthKb"] = after100 - after10;
    }
    state.counters["rows"] = form.ListView1->itemCount();
}
BENCHMARK(memoryOverRefreshes)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return runOffscreenBenchmarks(argc, argv);
}
