#pragma once

#include "connectionlist/ConnectionLister.h"
#include "connectionlist/ConnectionRow.h"
#include "mainwindow/YieldPacer.h"

#include <QObject>

#include <cstdint>
#include <optional>
#include <vector>

class Form1;
class LiveTraffic;
class QTimer;
struct ConnectionSnapshot;
namespace connectionlist {
class ConnectionModel;
}
namespace os {
class OperatingSystem;
struct TcpStateCounts;
} // namespace os

// The main window's refresh: the lister's stages with the window's busy pointer, progress bar
// and status texts, the change marking, and the hand-over of the rows to the model; and the
// timer's cheap test that decides when to refresh.
class RefreshCycle : public QObject {
    Q_OBJECT
public:
    RefreshCycle(Form1& window, os::OperatingSystem& system, ConnectionSnapshot& snapshot,
                 connectionlist::ConnectionModel& rows, LiveTraffic& traffic);

    // Takes a new snapshot and rebuilds the list. Asked for while one runs (from a yield), it
    // runs once more afterwards instead of inside the running one.
    void refresh();
    bool isRefreshing() const { return m_refreshing; }
    // Refreshes when the live count of what the list shows moved since the last refresh.
    void tick();
    // What the list shows changed (listening ports, UDP, numbers): refresh without marking
    // anything new or gone.
    void listingChanged();
    std::uint32_t activeCountAtLastRefresh() const { return m_activeAtLastRefresh; }
    void setGoneRowLifetime(std::chrono::milliseconds lifetime);
    // The message panel's idle text: the count while filtered, the connections left out.
    void showListCount();

signals:
    // A refresh has ended and the list holds its rows (or none, when the command failed).
    void refreshed();

private:
    class Scope;

    bool refreshOnce();
    bool yieldNow();
    bool stillRunning() const;
    connectionlist::ListingChoice listingChoice() const;
    std::uint32_t shownCount(const os::TcpStateCounts& counts) const;
    QString listCountText() const;
    void expireGoneRows();
    // The selected row's connection, to select again after the rows change.
    std::optional<connectionlist::ConnectionRow> selectedRow() const;
    void restoreSelection(const std::optional<connectionlist::ConnectionRow>& kept);
    void bringToForeground();

    Form1& m_window;
    os::OperatingSystem& m_system;
    connectionlist::ConnectionModel& m_rows;
    LiveTraffic& m_traffic;
    connectionlist::ConnectionLister m_lister;
    YieldPacer m_pacer;
    bool m_refreshing = false;
    bool m_refreshRequested = false;
    std::uint32_t m_activeAtLastRefresh = 0;
    std::uint64_t m_digestAtLastRefresh = 0;
    // Whether the last listing was cut, so that it holds only the first connections.
    bool m_listingCut = false;
    // Connections the last listing left out because their owners are other users' processes.
    OwnerlessCounts m_ownerless;
    // Connections per network namespace in the last listing; none when it read only its own.
    std::vector<connectionlist::Listing::NamespaceCount> m_namespaceCounts;
    QTimer* m_goneExpiry = nullptr;
    // The rows the last refresh listed (not those it kept as gone); none before the first.
    std::optional<std::vector<connectionlist::ConnectionRow>> m_listed;
};
