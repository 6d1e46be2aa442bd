// The traffic graph in its states: no samples yet, a steady rate, a peak that lifts the scale,
// and a connection that has closed.
#include "GalleryPage.h"

#include "controls/graph/TrafficGraph.h"

#include <QGridLayout>
#include <QLabel>

#include <cmath>

using controls::TrafficGraph;

namespace {

class TrafficGraphPage : public GalleryPage {
public:
    QString title() const override { return QStringLiteral("TrafficGraph"); }

    QWidget* showcase(host::ControlHost&) override {
        auto* panel = new QWidget;
        auto* grid = new QGridLayout(panel);
        const auto add = [grid](int place, const QString& caption, TrafficGraph* graph) {
            graph->setFixedSize(graph->sizeHint());
            grid->addWidget(new QLabel(caption), (place / 2) * 2, place % 2);
            grid->addWidget(graph, (place / 2) * 2 + 1, place % 2);
        };
        add(0, QStringLiteral("empty"), new TrafficGraph);

        // About 1 MiB/s received and a little sent, with the wobble a real link has.
        auto* steady = new TrafficGraph;
        for (int second = 0; second < TrafficGraph::Span; ++second)
            steady->addPoint(30000 + 2000 * std::sin(second / 5.0), 1048576 + 60000 * std::sin(second / 3.0));
        add(1, QStringLiteral("steady"), steady);

        // A quiet link with one burst: the scale rises to take it in.
        auto* peak = new TrafficGraph;
        for (int second = 0; second < 90; ++second) {
            const double burst = second >= 50 && second < 56 ? 6.0e6 : 0;
            peak->addPoint(4000 + burst / 8, 12000 + burst);
        }
        add(2, QStringLiteral("a peak"), peak);

        // Its last minute before it closed, kept and marked.
        auto* closed = new TrafficGraph;
        for (int second = 0; second < 60; ++second)
            closed->addPoint(200000 - 3000 * second, 500000 - 8000 * second);
        closed->setClosed(true);
        add(3, QStringLiteral("closed"), closed);
        return panel;
    }
};

const GalleryPageRegistrar registrar(60, [] { return std::make_unique<TrafficGraphPage>(); });

} // namespace
