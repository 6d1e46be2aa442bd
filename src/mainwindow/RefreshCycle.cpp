#include "mainwindow/RefreshCycle.h"

#include "connectionlist/ConnectionColumns.h"
#include "connectionlist/ConnectionModel.h"
#include "connectionlist/RowChanges.h"
#include "controls/progressbar/ProgressBar.h"
#include "mainwindow/Form1.h"
#include "mainwindow/LiveTraffic.h"
#include "platform/os/OperatingSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "snapshot/ConnectionTable.h"

#include <QAction>
#include <QApplication>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QTime>
#include <QTimer>

using namespace form1design;
using connectionlist::ConnectionRow;

namespace {

// Inside tight loops the refresh lets window messages run about this often.
constexpr std::chrono::milliseconds RowYieldInterval{15};

// The time of day as the system writes it, without a time zone.
QString timeOfDay() {
    const QLocale locale = QLocale::system();
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    return locale.toString(QTime::currentTime(), format.trimmed());
}

// A refresh whose command failed leaves the list empty, and says so instead of the time
// of a refresh: an empty list must never pass for a machine without connections.
const QString RefreshFailedText = QStringLiteral("Refresh Failed: ");
const QString NotReadText = QStringLiteral("The connection list could not be read: ");

// One line per network namespace, the program's own first: where the list's connections are.
QString namespaceCountsText(const std::vector<connectionlist::Listing::NamespaceCount>& counts) {
    QString text = QStringLiteral("Connections by network namespace:");
    for (const connectionlist::Listing::NamespaceCount& count : counts)
        text +=
            QStringLiteral("\n%1: %2%3")
                .arg(count.name)
                .arg(count.connections)
                .arg(count.shown ? QString() : QStringLiteral(" (not listed: Show All Namespaces is off)"));
    return text;
}

} // namespace

// Whatever way a refresh ends (normally, or abandoned because the program ended during one of
// its yields), the list is painted again and the window is left idle, unless it is gone.
class RefreshCycle::Scope {
public:
    explicit Scope(RefreshCycle& cycle) : m_cycle(&cycle), m_window(&cycle.m_window) {
        cycle.m_refreshing = true;
        m_window->ListView1->beginRebuild();
    }
    ~Scope() {
        if (!m_window)
            return;
        endRebuild();
        m_window->unsetCursor();
        m_window->Progbar->hide();
        m_window->Processing = False16;
        m_cycle->m_refreshing = false;
    }
    void endRebuild() {
        if (m_rebuilding && m_window) {
            m_rebuilding = false;
            m_window->ListView1->endRebuild();
        }
    }

private:
    RefreshCycle* m_cycle;
    QPointer<Form1> m_window; // the cycle is the window's child: both go together
    bool m_rebuilding = true;
};

RefreshCycle::RefreshCycle(Form1& window, os::OperatingSystem& system, ConnectionSnapshot& snapshot,
                           connectionlist::ConnectionModel& rows, LiveTraffic& traffic)
    : QObject(&window), m_window(window), m_system(system), m_rows(rows), m_traffic(traffic),
      m_lister(system, snapshot), m_pacer([] { QCoreApplication::processEvents(); }, RowYieldInterval) {
    // A refresh comes only when the connections change, so rows of gone ones could stay for
    // long; they go by themselves after a few seconds.
    m_goneExpiry = new QTimer(this);
    m_goneExpiry->setSingleShot(true);
    m_goneExpiry->setInterval(GoneRowLifetime);
    connect(m_goneExpiry, &QTimer::timeout, this, &RefreshCycle::expireGoneRows);
    // The row table that Terminate reads is the rows' own, by their place in the model.
    snapshot.RowTable.bind([&rows](int index) -> std::optional<ConnectionRecord> {
        const ConnectionRow* row = rows.row(index - 1);
        if (!row)
            return std::nullopt;
        ConnectionRecord entry;
        // A gone row is the connection as it was last listed, without its process: nothing
        // may act on a process id that may already name another program.
        entry.ImagePath = row->programPath.isEmpty() ? QString() : row->fileName;
        if (!row->isGone()) {
            entry.ProcessId = row->processId;
            entry.ProcessStartTime = row->processStartTime;
            entry.RemoteAddress = row->remoteAddress;
        }
        return entry;
    });
}

void RefreshCycle::refresh() {
    if (m_window.hasEnded())
        return;
    if (m_refreshing) {
        // Asked from inside a yield of the running refresh: starting here would rebuild the
        // list under the running one's feet. Run once more when it is done instead.
        m_refreshRequested = true;
        return;
    }
    QPointer<RefreshCycle> alive(this);
    do {
        m_refreshRequested = false;
        if (!refreshOnce())
            return;
    } while (alive && m_refreshRequested && !m_window.hasEnded());
    if (alive && !m_window.hasEnded())
        emit refreshed();
}

bool RefreshCycle::stillRunning() const {
    return !m_window.hasEnded();
}

// Lets window messages run; false when the window went away or the program ended meanwhile,
// and the refresh must stop touching anything.
bool RefreshCycle::yieldNow() {
    QPointer<RefreshCycle> alive(this);
    m_pacer.yieldNow();
    return alive && stillRunning();
}

bool RefreshCycle::refreshOnce() {
    QPointer<RefreshCycle> alive(this);
    connectionlist::ConnectionLister::Callbacks callbacks;
    // The stages yield through these; they stop yielding once the window is gone.
    callbacks.pacedYield = [alive] {
        if (alive && alive->stillRunning())
            alive->m_pacer.maybeYield();
    };
    // The runner spaces its yields itself; paced once more they would come half as often.
    callbacks.commandYield = [alive] {
        if (alive && alive->stillRunning())
            alive->m_pacer.yieldNow();
    };
    callbacks.stillWanted = [alive] { return alive && alive->stillRunning(); };
    callbacks.stageDone = [alive](int progress) {
        if (!alive || !alive->stillRunning())
            return false;
        alive->m_window.Progbar->setValue(progress);
        // The paths stage goes straight on to the rows, as it always did.
        return progress == 8 || alive->yieldNow();
    };

    Form1& window = m_window;
    window.Processing = True16;
    window.StatusBar1->setPanelText(2, LoadingText);
    window.setCursor(Qt::WaitCursor);
    m_goneExpiry->stop(); // the rebuild drops the gone rows anyway
    // From here the list does not paint until it is rebuilt. It keeps the rows the user sees
    // until the new ones replace them: a click or a key meanwhile picks one of those, and the
    // rebuilt list selects that connection.
    Scope scope(*this);
    window.Progbar->show();
    window.Progbar->setValue(2);
    if (!yieldNow())
        return false;

    // Counted before the command runs, so a change while it runs brings another refresh. The
    // counts of the last tick would not do: a connection that opened since and is listed now
    // could close again before the next tick, which would then find nothing changed.
    const os::TcpStateCounts counts = m_system.tcpStateCounts();
    m_activeAtLastRefresh = shownCount(counts);
    m_digestAtLastRefresh = counts.connectionDigest;
    std::optional<connectionlist::Listing> listing = m_lister.list(listingChoice(), callbacks);
    if (!listing || !alive || !stillRunning())
        return false;
    m_listingCut = listing->cut;
    m_ownerless = listing->ownerless;
    m_namespaceCounts = std::move(listing->namespaceCounts);

    std::vector<ConnectionRow> rows = std::move(listing->rows);
    // A list that could not be read tells nothing of what came or went, and one that was cut
    // would show the connections past the cut as gone; the next whole one is compared with
    // the last whole one.
    if (listing->failure.isEmpty() && !m_listingCut) {
        std::vector<ConnectionRow> listed = rows;
        if (m_listed)
            connectionlist::markChanges(*m_listed, rows, std::chrono::steady_clock::now());
        m_listed = std::move(listed);
    }
    const std::optional<ConnectionRow> kept = selectedRow();
    m_traffic.fill(rows);
    m_rows.setRows(std::move(rows));
    scope.endRebuild();
    restoreSelection(kept);

    if (m_rows.goneRows() > 0)
        m_goneExpiry->start();

    window.Progbar->setValue(10);
    window.Progbar->setValue(0);
    window.unsetCursor();
    bringToForeground();
    if (listing->failure.isEmpty()) {
        showListCount();
        window.StatusBar1->setPanelText(1, LastRefreshedText + timeOfDay());
    } else {
        // A host not reached says so in its own words; the next refresh connects anew.
        const bool notConnected = listing->failure.startsWith(QLatin1String(os::NotConnectedPrefix));
        window.StatusBar1->setPanelText(2, notConnected ? listing->failure : NotReadText + listing->failure);
        window.StatusBar1->setPanelText(1, RefreshFailedText + timeOfDay());
    }
    window.Progbar->hide();
    window.Processing = False16;
    return true;
}

void RefreshCycle::tick() {
    if (m_window.hasEnded() || m_window.Processing != False16)
        return;
    // The live count is compared with the live count the last refresh saw, never with the
    // number of listed connections: those two come from different sources and can disagree
    // for good (the listing leaves out sockets without a visible owner), which would make
    // every tick a full refresh.
    // The digest moves when connections come and go in equal numbers or change their state,
    // as the full count of the table finds at its interval.
    const os::TcpStateCounts counts = m_system.tcpStateCounts();
    if (shownCount(counts) == m_activeAtLastRefresh && counts.connectionDigest == m_digestAtLastRefresh)
        return;
    if (!yieldNow())
        return;
    refresh();
}

void RefreshCycle::listingChanged() {
    if (m_window.hasEnded())
        return;
    // Rows written anew (numbers for names) or of a kind shown anew are not connections that
    // came and went: nothing is marked new or gone by this refresh.
    m_listed.reset();
    refresh();
}

connectionlist::ListingChoice RefreshCycle::listingChoice() const {
    const bool allNamespaces = m_window.mnuNamespaces && m_window.mnuNamespaces->isChecked();
    const bool namespaceColumn = m_window.ListView1->isColumnShown(int(connectionlist::Column::Namespace));
    return {{m_window.mnuListening->isChecked(), m_window.mnuUdp->isChecked()},
            m_window.mnuNumbers->isChecked(),
            allNamespaces || namespaceColumn,
            allNamespaces};
}

// The timer's change test counts what the list shows: with listening ports shown, a new
// listening socket is a change.
std::uint32_t RefreshCycle::shownCount(const os::TcpStateCounts& counts) const {
    const ListingKinds kinds = listingChoice().kinds;
    return counts.shown(kinds.listening, kinds.udp);
}

void RefreshCycle::setGoneRowLifetime(std::chrono::milliseconds lifetime) {
    m_goneExpiry->setInterval(lifetime);
}

void RefreshCycle::expireGoneRows() {
    if (m_window.hasEnded() || m_refreshing)
        return;
    m_rows.removeGoneRows();
    showListCount();
}

// Rows shown against all the list holds (gone ones too, as they are shown), said while the
// filter is up; the idle text otherwise. A cut listing says so above all, since the list then
// lacks connections whatever it shows.
void RefreshCycle::showListCount() {
    widgets::StatusBar& status = *m_window.StatusBar1;
    // Lines of a remote listing that could not be read are said beside whatever else is.
    const QString notice = m_system.listingNotice();
    const QString text = listCountText();
    status.setPanelText(2, notice.isEmpty() ? text : text + QStringLiteral("; ") + notice);
    QString tip = !m_listingCut && !ownerlessText(m_ownerless).isEmpty() ? ownerlessTip(m_ownerless) : QString();
    if (!m_namespaceCounts.empty())
        tip += (tip.isEmpty() ? QString() : QStringLiteral("\n\n")) + namespaceCountsText(m_namespaceCounts);
    status.setPanelToolTip(2, tip);
}

QString RefreshCycle::listCountText() const {
    if (m_listingCut)
        return listingCutText(m_rows.rowCount() - m_rows.goneRows());
    const int total = m_window.ListView1->itemCount();
    const int shown = m_window.ListView1->shownCount();
    const bool counted = m_window.isFilterShown() || shown < total;
    // The list silently lacking connections, or their owners, would pass for all there are.
    const QString note = ownerlessText(m_ownerless);
    if (note.isEmpty())
        return counted                                 ? shownOfTotalText(shown, total)
               : m_system.listingNotice().isEmpty() ? VisitText
                                                    : connectionsText(total);
    return counted ? shownOfTotalText(shown, total) + QStringLiteral("; ") + note : note;
}

std::optional<ConnectionRow> RefreshCycle::selectedRow() const {
    const ConnectionRow* row = m_rows.row(m_window.ListView1->selectedIndex() - 1);
    return row ? std::optional<ConnectionRow>(*row) : std::nullopt;
}

// The rebuilt list selects the same connection again, wherever it moved; when it is gone,
// nothing is selected rather than whichever row took its place. The list stays on the rows
// the user is looking at.
void RefreshCycle::restoreSelection(const std::optional<ConnectionRow>& kept) {
    // A program's row selected in the view by program comes back by itself.
    if (!kept && m_window.ListView1->selectedTreeIndex().isValid())
        return;
    const bool gone = !kept || kept->isGone();
    m_window.ListView1->setSelectedIndexKeepingView(gone ? 0 : m_rows.find(kept->key, kept->state) + 1);
}

// Brings the window forward as the system allows a program to: it takes the keyboard only
// from itself. Taking it from one of its own dialogs would send what the user types there to
// the list, and taking it from another program on every auto-refresh would do the same to
// that program; a minimised or hidden window stays where the user put it.
void RefreshCycle::bringToForeground() {
    if (!m_window.isVisible() || m_window.isMinimized())
        return;
    QWidget* active = QApplication::activeWindow();
    if (!active) {
        QApplication::alert(&m_window);
        return;
    }
    m_window.raise();
    if (active == &m_window)
        m_window.activateWindow();
}
