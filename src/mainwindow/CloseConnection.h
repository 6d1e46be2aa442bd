#pragma once

#include "connectionlist/ConnectionRow.h"

#include <QObject>
#include <QPointer>

#include <optional>

class Form1;
class FrmInfo;
class QAction;
class QMenu;
class RefreshCycle;
namespace connectionlist {
class ConnectionModel;
}
namespace os {
class OperatingSystem;
}

// "Close Connection": resets one established TCP connection and leaves its program running,
// from the list's menu or the info dialog, after the user confirms. Where it is not offered,
// the entry is disabled and its tooltip says why (connectionlist::closeOffer).
class CloseConnection : public QObject {
    Q_OBJECT
public:
    CloseConnection(Form1& window, os::OperatingSystem& system, connectionlist::ConnectionModel& rows,
                    RefreshCycle& refresh);

    // Adds the entry to the list's menu, offered anew for the selected row each time it opens.
    QAction* addListEntry(QMenu& menu);
    // Offers closing the connection the info dialog now shows.
    void offerOn(FrmInfo& info, const connectionlist::ConnectionRow& row);
    // Asks, closes, and refreshes: the row is then marked gone. A refusal says why.
    void close(const connectionlist::ConnectionRow& row);

private:
    // The rule for a row, and nothing while the list is being rebuilt under it.
    std::pair<bool, QString> offerFor(const connectionlist::ConnectionRow* row);
    void offerForSelection();
    bool confirm(const connectionlist::ConnectionRow& row);
    void refuse(const connectionlist::ConnectionRow& row, const QString& reason);

    Form1& m_window;
    os::OperatingSystem& m_system;
    connectionlist::ConnectionModel& m_rows;
    RefreshCycle& m_refresh;
    QAction* m_entry = nullptr;
    QPointer<FrmInfo> m_info;
    std::optional<connectionlist::ConnectionRow> m_infoRow;
};
