#include "mainwindow/Form1.h"

#include "controls/progressbar/ProgressBar.h"
#include "mainwindow/LiveTraffic.h"
#include "mainwindow/PictureBox.h"
#include "mainwindow/RowChanges.h"
#include "mainwindow/RowIdentity.h"
#include "mainwindow/ShownText.h"
#include "platform/os/OperatingSystem.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "snapshot/ConnectionTable.h"
#include "snapshot/NetstatCommand.h"
#include "snapshot/NetstatParser.h"
#include "snapshot/ProcessPaths.h"
#include "snapshot/SocketMatching.h"

#include <QApplication>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QTime>
#include <QTimer>

using namespace form1design;

namespace {

// The row text of a path: what follows its last separator. Paths from Windows use "\",
// paths on Linux "/"; either ends the folder part.
QString fileNameOf(const QString& path) {
    const qsizetype separator =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return separator < 0 ? path : path.mid(separator + 1);
}

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

// A transparent picture that keeps image n at position n for rows that get no icon.
QPixmap placeholder(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

// Whatever way a refresh ends (normally, or abandoned because the program ended during one of
// its yields), the list is painted again and the window is left idle, unless it is gone.
class Form1::RefreshScope {
public:
    explicit RefreshScope(Form1& form) : m_form(&form) {
        form.m_refreshing = true;
        form.ListView1->beginRebuild();
    }
    ~RefreshScope() {
        if (!m_form)
            return;
        endRebuild();
        m_form->m_renderedIcons.clear();
        m_form->unsetCursor();
        m_form->Progbar->hide();
        m_form->Processing = False16;
        m_form->m_refreshing = false;
    }
    void endRebuild() {
        if (m_rebuilding && m_form) {
            m_rebuilding = false;
            m_form->ListView1->endRebuild();
        }
    }
    bool formAlive() const { return m_form; }

private:
    QPointer<Form1> m_form;
    bool m_rebuilding = true;
};

void Form1::RefreshView() {
    if (m_ended)
        return;
    if (m_refreshing) {
        // Asked from inside a yield of the running refresh: starting here would rebuild the
        // list under the running one's feet. Run once more when it is done instead.
        m_refreshRequested = true;
        return;
    }
    QPointer<Form1> alive(this);
    do {
        m_refreshRequested = false;
        if (!refreshOnce())
            return;
    } while (alive && m_refreshRequested && !m_ended);
}

// Lets window messages run; false when the window went away or the program ended meanwhile,
// and the refresh must stop touching anything.
bool Form1::yieldNow() {
    QPointer<Form1> alive(this);
    m_pacer.yieldNow();
    return alive && !m_ended;
}

bool Form1::refreshOnce() {
    QPointer<Form1> alive(this);
    // The snapshot stages yield through this; it stops yielding once the window is gone.
    const YieldFunction pacedYield = [alive] {
        if (alive && !alive->m_ended)
            alive->m_pacer.maybeYield();
    };
    // The runner spaces its yields itself; paced once more they would come half as often.
    const YieldFunction commandYield = [alive] {
        if (alive && !alive->m_ended)
            alive->m_pacer.yieldNow();
    };
    const auto stillRunning = [&] { return alive && !m_ended; };

    Processing = True16;
    StatusBar1->setPanelText(2, LoadingText);
    setCursor(Qt::WaitCursor);
    const std::optional<RowIdentity> kept = selectedIdentity();
    m_goneExpiry->stop();      // the rebuild drops the gone rows anyway
    RefreshScope scope(*this); // from here the list does not paint until it is rebuilt
    ListView1->removeAll();
    ListView1->setIcons(nullptr);
    ListView1->setSmallIcons(nullptr);
    iml32->clear();
    iml16->clear();
    Progbar->show();
    Progbar->setValue(2);
    if (!yieldNow())
        return false;

    // Counted before the command runs, so a change while it runs brings another refresh. The
    // counts of the last tick would not do: a connection that opened since and is listed now
    // could close again before the next tick, which would then find nothing changed.
    const os::TcpStateCounts counts = m_system.tcpStateCounts();
    m_activeAtLastRefresh = shownCount(counts);
    m_digestAtLastRefresh = counts.connectionDigest;
    QString failure;
    bool cut = false; // not the member: the window may be gone when the runner sets it
    QString output = RunNetstatCommand(m_system, commandYield, &failure, &cut, listingOptions());
    if (!stillRunning())
        return false;
    m_listingCut = cut;
    Progbar->setValue(4);
    if (!yieldNow())
        return false;

    const ListingKinds kinds = listingKinds();
    ParseNetstatOutput(m_snapshot, output, pacedYield, kinds);
    if (!stillRunning())
        return false;
    const std::vector<os::SocketEndpoint> endpoints =
        needsSocketEndpoints(m_snapshot) ? m_system.socketEndpoints(kinds.listening, kinds.udp)
                                         : std::vector<os::SocketEndpoint>();
    m_othersHidden = matchSocketEndpoints(m_snapshot, endpoints,
                                          [this](const QString& name) { return m_system.servicePort(name); });
    Progbar->setValue(6);
    if (!yieldNow())
        return false;

    ResolveProcessPaths(m_snapshot, m_system, pacedYield);
    if (!stillRunning())
        return false;
    Progbar->setValue(8);

    std::vector<std::optional<os::ConnectionEnds>> rowEnds;
    std::optional<QList<widgets::ListRow>> rows = listRows(rowEnds);
    if (!rows || !stillRunning())
        return false;
    m_liveRows = int(rows->size());
    // A list that could not be read tells nothing of what came or went, and one that was cut
    // would show the connections past the cut as gone; the next whole one is compared with
    // the last whole one.
    if (failure.isEmpty() && !m_listingCut)
        markChanges(*rows);
    CollectRowIcons(*rows);
    AttachRowIcons(*rows);
    ListView1->setRows(std::move(*rows));
    m_liveTraffic->setRowEnds(std::move(rowEnds));
    scope.endRebuild();
    restoreSelection(kept);

    if (ListView1->itemCount() > m_liveRows)
        m_goneExpiry->start();

    Progbar->setValue(10);
    Progbar->setValue(0);
    unsetCursor();
    bringToForeground();
    if (failure.isEmpty()) {
        showListCount();
        StatusBar1->setPanelText(1, LastRefreshedText + timeOfDay());
    } else {
        StatusBar1->setPanelText(2, NotReadText + failure);
        StatusBar1->setPanelText(1, RefreshFailedText + timeOfDay());
    }
    Progbar->hide();
    Processing = False16;
    return true;
}

// One row per record, each with its entry in the row table; the list takes them all at once.
std::optional<QList<widgets::ListRow>> Form1::listRows(std::vector<std::optional<os::ConnectionEnds>>& ends) {
    QPointer<Form1> alive(this);
    // Many rows share an owner: each process is asked once per refresh.
    QHash<std::int32_t, QString> owners;
    const auto ownerOf = [this, &owners](std::int32_t processId) {
        auto found = owners.constFind(processId);
        if (found == owners.cend())
            found = owners.insert(processId, shownText(m_system.processOwnerName(processId)));
        return *found;
    };
    const int count = std::clamp(m_snapshot.ConnectionCount, 0, m_snapshot.ConnectionTable.size());
    QList<widgets::ListRow> rows;
    rows.reserve(count);
    ends.clear();
    ends.reserve(std::size_t(count));
    const PortOfName portOfName = [this](const QString& name) { return m_system.servicePort(name); };
    m_snapshot.RowTable.makeRoom(count + 1);
    // Rows of one program share its file name rather than each holding a copy.
    QHash<QString, QString> fileNames;
    for (int i = 0; i < count; ++i) {
        const ConnectionRecord& record = *m_snapshot.ConnectionTable.at(i);
        auto named = fileNames.constFind(record.ImagePath);
        if (named == fileNames.cend())
            // Every text comes from other programs, the path and name from the owning process.
            named = fileNames.insert(record.ImagePath, fileNameOf(shownText(record.ImagePath)));
        const QString& fileName = *named;
        widgets::ListRow& row = rows.emplace_back();
        // A marked path names no file, so its row gets the generic icon, not the one of the
        // program the process claims to be.
        row.texts = {record.ImagePath.isEmpty() ? UnknownFile : fileName,
                     shownText(record.LocalPort),
                     shownText(record.RemoteHost),
                     shownText(record.RemotePort),
                     shownText(record.State),
                     shownPath(record.ImagePath, record.ImagePathSource),
                     QString::number(record.ProcessId),
                     ownerOf(record.ProcessId),
                     shownText(record.LocalHost),
                     shownText(record.Protocol)};
        m_liveTraffic->fill(row, ends.emplace_back(trafficEndsOf(record, portOfName)));
        ConnectionRecord& entry = *m_snapshot.RowTable.at(int(rows.size()));
        entry.ImagePath = fileName;
        entry.ProcessId = record.ProcessId;
        entry.ProcessStartTime = record.ProcessStartTime;
        entry.RemoteAddress = record.RemoteAddress;
        m_pacer.maybeYield();
        if (!alive || m_ended)
            return std::nullopt;
    }
    return rows;
}

void Form1::markChanges(QList<widgets::ListRow>& rows) {
    QList<RowIdentity> listed;
    listed.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        listed.append(RowIdentity{rows[i].texts, m_snapshot.RowTable.at(int(i) + 1)->ProcessId});
    if (m_listed) {
        const RowChanges changes = RowChanges::between(*m_listed, listed);
        for (qsizetype i = 0; i < changes.isNew.size(); ++i)
            if (changes.isNew[i])
                rows[i].mark = widgets::RowMark::New;
        // A gone row is the connection as it was last listed, without its process: nothing
        // may act on a process id that may already name another program.
        m_snapshot.RowTable.makeRoom(int(rows.size() + changes.gone.size()) + 1);
        for (const qsizetype gone : changes.gone) {
            const RowIdentity& listedBefore = (*m_listed)[gone];
            widgets::ListRow& row = rows.emplace_back();
            std::copy(listedBefore.texts.begin(), listedBefore.texts.end(), row.texts.begin());
            row.mark = widgets::RowMark::Gone;
            ConnectionRecord& entry = *m_snapshot.RowTable.at(int(rows.size()));
            entry.ImagePath = fileNameOf(listedBefore.texts[5]);
            entry.ProcessId = 0;
            entry.ProcessStartTime = 0;
            entry.RemoteAddress.clear();
        }
    }
    m_listed = std::move(listed);
}

void Form1::CollectRowIcons(const QList<widgets::ListRow>& rows) {
    const QPixmap blankLarge = placeholder(iml32->imageSize());
    const QPixmap blankSmall = placeholder(iml16->imageSize());
    for (int position = 1; position <= rows.size(); ++position) {
        if (!AddRowIcon(rows[position - 1].texts[5], position)) {
            // Keep image n at position n for the rows after this one.
            if (iml32->count() < position)
                iml32->insert(position, blankLarge);
            if (iml16->count() < position)
                iml16->insert(position, blankSmall);
        }
    }
    m_renderedIcons.clear();
}

bool Form1::AddRowIcon(const QString& path, int position) {
    if (path.isEmpty())
        return false; // an owner that could not be resolved has no icon
    auto rendered = m_renderedIcons.constFind(path);
    if (rendered == m_renderedIcons.cend()) {
        const QIcon icon = m_system.executableIcon(path);
        if (icon.isNull())
            return false;
        // Both sizes from the one icon, each drawn on its own surface.
        pic32->clear();
        pic32->drawIcon(icon);
        pic16->clear();
        pic16->drawIcon(icon);
        rendered = m_renderedIcons.insert(
            path, RenderedIcon{QPixmap::fromImage(pic32->picture()), QPixmap::fromImage(pic16->picture())});
    }
    if (!iml32->insert(position, rendered->large))
        return false;
    if (!iml16->insert(position, rendered->small)) {
        iml16->insert(position, placeholder(iml16->imageSize()));
        return true;
    }
    return true;
}

void Form1::AttachRowIcons(QList<widgets::ListRow>& rows) {
    ListView1->setIcons(iml32);
    ListView1->setSmallIcons(iml16);
    for (int position = 1; position <= rows.size(); ++position) {
        rows[position - 1].largeIcon = position;
        rows[position - 1].smallIcon = position;
    }
}

void Form1::setGoneRowLifetime(std::chrono::milliseconds lifetime) {
    m_goneExpiry->setInterval(lifetime);
}

void Form1::expireGoneRows() {
    if (m_ended || m_refreshing)
        return;
    ListView1->removeRowsFrom(m_liveRows + 1);
    showListCount();
}

std::optional<RowIdentity> Form1::selectedIdentity() const {
    const int selected = ListView1->selectedIndex();
    return selected > 0 ? RowIdentity::ofRow(*ListView1, m_snapshot, selected) : std::nullopt;
}

// The rebuilt list selects the same connection again, wherever it moved; when it is gone,
// nothing is selected rather than whichever row took its place. The list stays on the rows
// the user is looking at.
void Form1::restoreSelection(const std::optional<RowIdentity>& kept) {
    ListView1->setSelectedIndexKeepingView(kept ? kept->findIn(*ListView1, m_snapshot) : 0);
}

// Brings the window forward as the system allows a program to: it takes the keyboard only
// from itself. Taking it from one of its own dialogs would send what the user types there to
// the list, and taking it from another program on every auto-refresh would do the same to
// that program; a minimised or hidden window stays where the user put it.
void Form1::bringToForeground() {
    if (!isVisible() || isMinimized())
        return;
    QWidget* active = QApplication::activeWindow();
    if (!active) {
        QApplication::alert(this);
        return;
    }
    raise();
    if (active == this)
        activateWindow();
}

void Form1::Timer1_Timer() {
    if (m_ended || Processing != False16)
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
    RefreshView();
}
