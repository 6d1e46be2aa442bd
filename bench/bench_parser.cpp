// links: tavren_snapshot tavren_os
#include "snapshot/NetstatParser.h"

#include <benchmark/benchmark.h>

namespace {

QString listing(int lines) {
    QString text =
        QStringLiteral("\r\nActive Connections\r\n\r\n  Proto  Local Address          Foreign Address"
                       "        State           PID\r\n");
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("  TCP    127.0.0.1:%1        localhost:%2         ESTABLISHED     %3\r\n")
                    .arg(30000 + i)
                    .arg(i % 2 ? QStringLiteral("https") : QString::number(40000 + i))
                    .arg(1000 + i % 50);
    return text;
}

void parseFullTable(benchmark::State& state) {
    const QString text = listing(2001);
    ConnectionSnapshot snapshot;
    for (auto _ : state) {
        QString copy = text;
        ParseNetstatOutput(snapshot, copy);
        benchmark::DoNotOptimize(snapshot.ConnectionCount);
    }
    state.SetItemsProcessed(state.iterations() * 2001);
}
BENCHMARK(parseFullTable)->Unit(benchmark::kMicrosecond);

// Long runs of spaces are where repeated halving would cost the most.
void collapseLongRuns(benchmark::State& state) {
    QString text;
    for (int i = 0; i < 2001; ++i)
        text += QString(200, QLatin1Char(' ')) + QStringLiteral("x\r\n");
    for (auto _ : state) {
        QString copy = text;
        collapseSpaces(copy);
        benchmark::DoNotOptimize(copy.size());
    }
}
BENCHMARK(collapseLongRuns)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
