#include "mainwindow/Form1.h"

#include "mainwindow/CsvTable.h"
#include "platform/host/FileDialogService.h"
#include "platform/host/MessageBoxService.h"
#include "platform/os/OperatingSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>

using namespace form1design;

// What the list offers beyond its four copy entries: the filter field, copying a whole row,
// saving the list, and the keys for them and for refreshing.

namespace {

const QString SaveTitle = QStringLiteral("Save List As");
const QString SaveFilter = QStringLiteral("CSV files (*.csv);;All files (*)");
const QString SuggestedFileName = QStringLiteral("connections.csv");
const QString NotSavedText = QStringLiteral("The list could not be saved to %1.\n%2");
const QString BusyText = QStringLiteral("The list is being refreshed; save it again when it is done.");
constexpr int FilterWidth = 200; // pixels

} // namespace

void Form1::addListEntries() {
    mnuRes->addSeparator()->setObjectName(QStringLiteral("mnuSep"));
    mnuRow = mnuRes->addAction(QStringLiteral("Copy &Row"));
    mnuRow->setObjectName(QStringLiteral("mnuRow"));
    // Ctrl+C over the list; the filter field keeps its own Ctrl+C for its text.
    mnuRow->setShortcut(QKeySequence::Copy);
    mnuRow->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ListView1->addAction(mnuRow);
    mnuSave = mnuRes->addAction(QStringLiteral("&Save List As..."));
    mnuSave->setObjectName(QStringLiteral("mnuSave"));
    connect(mnuRow, &QAction::triggered, this, &Form1::mnuRow_Click);
    connect(mnuSave, &QAction::triggered, this, &Form1::mnuSave_Click);

    mnuRes->addSeparator()->setObjectName(QStringLiteral("mnuSepShow"));
    const auto addChoice = [this](const char* name, const QString& caption) {
        QAction* choice = mnuRes->addAction(caption);
        choice->setObjectName(QLatin1String(name));
        choice->setCheckable(true);
        connect(choice, &QAction::toggled, this, &Form1::listingChoiceChanged);
        return choice;
    };
    mnuListening = addChoice("mnuListening", QStringLiteral("Show &Listening Ports"));
    mnuUdp = addChoice("mnuUdp", QStringLiteral("Show &UDP Endpoints"));
    mnuNumbers = addChoice("mnuNumbers", QStringLiteral("Show &Numbers"));

    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(refresh, &QShortcut::activated, this, &Form1::RefreshView);
}

void Form1::createFilter() {
    // At the free end of the toolbar, so that showing it moves nothing else in the window.
    auto* space = new QWidget(Toolbar1);
    space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_filterSpace = Toolbar1->addWidget(space);
    TxtFilter = new QLineEdit(Toolbar1);
    TxtFilter->setObjectName(QStringLiteral("TxtFilter"));
    TxtFilter->setPlaceholderText(QStringLiteral("Filter"));
    TxtFilter->setClearButtonEnabled(true);
    TxtFilter->setFixedWidth(FilterWidth);
    TxtFilter->setAccessibleName(QStringLiteral("Filter"));
    TxtFilter->setAccessibleDescription(QStringLiteral("Shows only the connections that contain this text"));
    m_filterPlace = Toolbar1->addWidget(TxtFilter);
    m_filterSpace->setVisible(false);
    m_filterPlace->setVisible(false);
    connect(TxtFilter, &QLineEdit::textChanged, this, [this](const QString& text) {
        ListView1->setFilterText(text);
        if (Processing == False16)
            showListCount();
    });

    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &Form1::showFilter);
    m_clearFilter = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_clearFilter->setEnabled(false);
    connect(m_clearFilter, &QShortcut::activated, this, &Form1::hideFilter);
}

void Form1::placeFilter(bool shown) {
    m_filterSpace->setVisible(shown);
    m_filterPlace->setVisible(shown);
    // The toolbar shows or hides the field only when it next lays out; the keyboard can go
    // only to a field that is visible already.
    Toolbar1->layout()->activate();
    m_clearFilter->setEnabled(shown);
}

bool Form1::isFilterShown() const {
    return m_filterPlace && m_filterPlace->isVisible();
}

void Form1::showFilter() {
    if (m_ended)
        return;
    placeFilter(true);
    TxtFilter->setFocus(Qt::ShortcutFocusReason);
    TxtFilter->selectAll();
    if (Processing == False16)
        showListCount();
}

void Form1::hideFilter() {
    if (m_ended)
        return;
    placeFilter(false);
    TxtFilter->clear();
    if (Processing == False16)
        showListCount();
    ListView1->setFocus(Qt::ShortcutFocusReason);
}

// Rows shown against all the list holds (gone ones too, as they are shown), said while the
// filter is up; the idle text otherwise. A cut listing says so above all, since the list then
// lacks connections whatever it shows.
void Form1::showListCount() {
    if (m_listingCut) {
        StatusBar1->setPanelText(2, listingCutText(m_liveRows));
        return;
    }
    const int total = ListView1->itemCount();
    const int shown = ListView1->shownCount();
    const bool counted = isFilterShown() || shown < total;
    if (m_othersHidden <= 0) {
        StatusBar1->setPanelText(2, counted ? shownOfTotalText(shown, total) : VisitText);
        return;
    }
    // The list silently lacking other users' connections would pass for all there are.
    const QString note = othersHiddenText(m_othersHidden);
    StatusBar1->setPanelText(2,
                             counted ? shownOfTotalText(shown, total) + QStringLiteral("; ") + note : note);
    StatusBar1->setPanelToolTip(2, OthersHiddenTip);
}

void Form1::mnuRow_Click() {
    if (m_ended)
        return;
    widgets::ListItem item = ListView1->selectedItem();
    if (!item.isValid())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(ListView1->shownTexts(item.index()).join(QLatin1Char('\t')));
}

void Form1::mnuSave_Click() {
    if (m_ended)
        return;
    const QString folder = m_saveFolder.isEmpty() ? QDir::homePath() : m_saveFolder;
    const QString path = host::FileDialogService::getSaveFileName(
        {this, SaveTitle, QDir(folder).filePath(SuggestedFileName), SaveFilter});
    if (path.isEmpty() || m_ended)
        return;
    m_saveFolder = QFileInfo(path).absolutePath();
    const QString failure = saveList(path);
    if (!failure.isEmpty())
        host::MessageBoxService::show({this, QMessageBox::Warning, SaveTitle,
                                       NotSavedText.arg(QDir::toNativeSeparators(path), failure),
                                       QMessageBox::Ok});
}

QString Form1::saveList(const QString& path) {
    // Mid-refresh the list holds only part of the new rows, not what the user sees.
    if (m_refreshing)
        return BusyText;
    // Exactly the columns shown, in the order shown.
    QList<QStringList> rows;
    rows << ListView1->shownHeaders();
    for (int shown = 1; shown <= ListView1->shownCount(); ++shown)
        rows << ListView1->shownTexts(ListView1->shownRow(shown));
    return m_system.saveFile(path, csvTable(rows));
}

NetstatOptions Form1::listingOptions() const {
    return {mnuListening->isChecked() || mnuUdp->isChecked(), mnuNumbers->isChecked()};
}

ListingKinds Form1::listingKinds() const {
    return {mnuListening->isChecked(), mnuUdp->isChecked()};
}

// The timer's change test counts what the list shows: with listening ports shown, a new
// listening socket is a change.
std::uint32_t Form1::shownCount(const os::TcpStateCounts& counts) const {
    const ListingKinds kinds = listingKinds();
    return counts.shown(kinds.listening, kinds.udp);
}

void Form1::listingChoiceChanged() {
    if (m_ended)
        return;
    // Rows written anew (numbers for names) or of a kind shown anew are not connections that
    // came and went: nothing is marked new or gone by this refresh.
    m_listed.reset();
    RefreshView();
}
