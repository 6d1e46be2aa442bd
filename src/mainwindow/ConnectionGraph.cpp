#include "mainwindow/ConnectionGraph.h"

#include "controls/graph/TrafficGraph.h"
#include "platform/host/Units.h"

#include <QPushButton>

#include <algorithm>

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
    QRect place = host::twipsRect(Left, Top, Width, Height);
    auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("Command1"));
    // As wide as the fields above, which grow with the font.
    if (ok)
        place.setRight(std::max(place.right(), ok->geometry().right()));
    graph->setGeometry(place);
    const int grown = host::twipsToPixels(Height + Gap);
    dialog->setFixedSize(dialog->width(), dialog->height() + grown);
    // The buttons and the note beside them stay below everything; the tab order follows the
    // fields down to them.
    for (const char* name : {"Command1", "CmdClose", "TrafficNote"}) {
        if (auto* below = dialog->findChild<QWidget*>(QLatin1String(name)))
            below->move(below->x(), below->y() + grown);
    }
    if (ok)
        QWidget::setTabOrder(graph, ok);
    graph->show();
    return graph;
}

} // namespace connectiongraph
