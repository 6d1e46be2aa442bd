#pragma once

#include "connectionlist/ConnectionRow.h"
#include "platform/os/OperatingSystem.h"

#include <QString>

namespace connectionlist {

// Whether "Close Connection" is offered for a row, and when not, why, for its tooltip.
struct CloseOffer {
    bool enabled = false;
    QString reason;
};

// The one rule for every place that offers closing a connection (the list's menu, the info
// dialog): an established TCP connection that is still there, whose ends are known in
// numbers, where this system can close it. A row that stands for no single connection (a
// group of rows) gets its own reason here, before the others.
CloseOffer closeOffer(const ConnectionRow* row, const os::ConnectionClosing& closing, bool groupRow = false);

} // namespace connectionlist
