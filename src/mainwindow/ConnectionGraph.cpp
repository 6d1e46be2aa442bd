#include "mainwindow/ConnectionGraph.h"

#include "controls/graph/TrafficGraph.h"
#include "platform/host/Units.h"

#include <QPushButton>

namespace connectiongraph {
namespace {

// Design values, in twips: the graph spans the dialog's fields, below the last of them.
constexpr double Left = 120, Top = 5280, Width = 3615, Height = 1800, Gap = 120;

} // namespace

controls::TrafficGraph* attach(QWidget* dialog) {
    if (auto* graph = dialog->findChild<controls::TrafficGraph*>(QStringLiteral("Graph1")))
        return graph;
    auto* graph = new controls::TrafficGraph(dialog);
    graph->setObjectName(QStringLiteral("Graph1"));
    graph->setGeometry(host::twipsRect(Left, Top, Width, Height));
    const int grown = host::twipsToPixels(Height + Gap);
    dialog->setFixedSize(dialog->width(), dialog->height() + grown);
    // The button stays below everything; the tab order follows the fields down to it.
    if (auto* button = dialog->findChild<QPushButton*>(QStringLiteral("Command1"))) {
        button->move(button->x(), button->y() + grown);
        QWidget::setTabOrder(graph, button);
    }
    graph->show();
    return graph;
}

} // namespace connectiongraph
