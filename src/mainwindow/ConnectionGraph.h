#pragma once

class QWidget;
namespace controls {
class TrafficGraph;
}

// The graph of a connection's last two minutes in its info dialog: one more row below the
// dialog's fields, which makes the dialog taller and moves its button down. Kept apart from the
// dialog so that its layout stays the dialog's own.
namespace connectiongraph {

// The dialog's graph, made the first time it is asked for.
controls::TrafficGraph* attach(QWidget* dialog);

} // namespace connectiongraph
