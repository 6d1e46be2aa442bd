#include "mainwindow/Form1.h"

#include "controls/progressbar/ProgressBar.h"
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

#include <QApplication>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QTime>

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
    const auto stillRunning = [&] { return alive && !m_ended; };

    Processing = True16;
    StatusBar1->setPanelText(2, LoadingText);
    setCursor(Qt::WaitCursor);
    const std::optional<RowIdentity> kept = selectedIdentity();
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

    // Counted before the command runs, so a change while it runs brings another refresh.
    m_activeAtLastRefresh = m_system.tcpStateCounts().active();
    QString failure;
    QString output = RunNetstatCommand(m_system, pacedYield, &failure);
    if (!stillRunning())
        return false;
    Progbar->setValue(4);
    if (!yieldNow())
        return false;

    ParseNetstatOutput(m_snapshot, output, pacedYield);
    if (!stillRunning())
        return false;
    Progbar->setValue(6);
    if (!yieldNow())
        return false;

    ResolveProcessPaths(m_snapshot, m_system, pacedYield);
    if (!stillRunning())
        return false;
    Progbar->setValue(8);

    addRows();
    if (!stillRunning())
        return false;
    // A list that could not be read tells nothing of what came or went; the next one that
    // can is compared with the last one that could.
    if (failure.isEmpty())
        markChanges();
    CollectRowIcons();
    AttachRowIcons();
    scope.endRebuild();
    restoreSelection(kept);

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

void Form1::addRows() {
    QPointer<Form1> alive(this);
    // The row table has entries 1 to 2000: a row beyond them could not be terminated, so the
    // list stops there even when the table holds its 2001st record.
    const int rows = std::min(m_snapshot.ConnectionCount, RecordTable::Capacity - 1);
    for (int i = 0; i < rows; ++i) {
        const ConnectionRecord* record = m_snapshot.ConnectionTable.at(i);
        if (!record)
            continue;
        // Every text comes from other programs, the path and name from the owning process.
        const QString fileName = fileNameOf(shownText(record->ImagePath));
        widgets::ListItem item = ListView1->addItem(record->ImagePath.isEmpty() ? UnknownFile : fileName);
        item.setSubItem(1, shownText(record->LocalPort));
        item.setSubItem(2, shownText(record->RemoteHost));
        item.setSubItem(3, shownText(record->RemotePort));
        item.setSubItem(4, shownText(record->State));
        // A marked path names no file, so its row gets the generic icon, not the one of the
        // program the process claims to be.
        item.setSubItem(5, shownPath(record->ImagePath, record->ImagePathSource));
        if (ConnectionRecord* entry = m_snapshot.RowTable.at(ListView1->itemCount())) {
            entry->ImagePath = fileName;
            entry->ProcessId = record->ProcessId;
            entry->ProcessStartTime = record->ProcessStartTime;
        }
        m_pacer.maybeYield();
        if (!alive || m_ended)
            return;
    }
}

void Form1::markChanges() {
    QList<RowIdentity> listed;
    listed.reserve(ListView1->itemCount());
    for (int index = 1; index <= ListView1->itemCount(); ++index)
        if (std::optional<RowIdentity> row = RowIdentity::ofRow(*ListView1, m_snapshot, index))
            listed.append(std::move(*row));
    if (m_listed) {
        const RowChanges changes = RowChanges::between(*m_listed, listed);
        for (qsizetype i = 0; i < changes.isNew.size(); ++i)
            if (changes.isNew[i])
                ListView1->item(int(i) + 1).setMark(widgets::RowMark::New);
        // A gone row is the connection as it was last listed, without its process: nothing
        // may act on a process id that may already name another program.
        for (const qsizetype gone : changes.gone) {
            if (ListView1->itemCount() >= RecordTable::Capacity - 1)
                break;
            const RowIdentity& row = (*m_listed)[gone];
            widgets::ListItem item = ListView1->addItem(row.texts[0]);
            for (int number = 1; number <= widgets::ListView::SubItemCount; ++number)
                item.setSubItem(number, row.texts[std::size_t(number)]);
            item.setMark(widgets::RowMark::Gone);
            if (ConnectionRecord* entry = m_snapshot.RowTable.at(item.index())) {
                entry->ImagePath = fileNameOf(row.texts[5]);
                entry->ProcessId = 0;
                entry->ProcessStartTime = 0;
            }
        }
    }
    m_listed = std::move(listed);
}

void Form1::CollectRowIcons() {
    const QPixmap blankLarge = placeholder(iml32->imageSize());
    const QPixmap blankSmall = placeholder(iml16->imageSize());
    for (int position = 1; position <= ListView1->itemCount(); ++position) {
        const QString path = ListView1->item(position).subItem(5);
        if (!AddRowIcon(path, position)) {
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

void Form1::AttachRowIcons() {
    ListView1->setIcons(iml32);
    ListView1->setSmallIcons(iml16);
    for (int position = 1; position <= ListView1->itemCount(); ++position) {
        widgets::ListItem item = ListView1->item(position);
        item.setLargeIcon(position);
        item.setSmallIcon(position);
    }
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
    const std::uint32_t active = m_system.tcpStateCounts().active();
    if (active == m_activeAtLastRefresh)
        return;
    if (!yieldNow())
        return;
    RefreshView();
}
