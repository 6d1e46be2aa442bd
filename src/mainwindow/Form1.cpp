#include "mainwindow/Form1.h"

#include "connectionlist/ConnectionModel.h"
#include "controls/progressbar/ProgressBar.h"
#include "mainwindow/FilterField.h"
#include "mainwindow/LiveTraffic.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/ProgramView.h"
#include "mainwindow/RefreshCycle.h"
#include "mainwindow/RowIcons.h"
#include "platform/host/PropertyStore.h"
#include "platform/host/Units.h"
#include "platform/host/WindowKeys.h"
#include "platform/os/OperatingSystem.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"
#include "tray/TrayIntegration.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

using namespace form1design;
using host::pixelsToTwips;
using host::twipsToPixels;

namespace {

QRect designRect(const TwipsRect& r) {
    return host::twipsRect(r.left, r.top, r.width, r.height);
}

int toolbarHeight(const widgets::Toolbar& toolbar) {
    return std::max(twipsToPixels(form1design::Toolbar1.height), toolbar.sizeHint().height());
}

int statusBarHeight(const widgets::StatusBar& status) {
    return std::max(twipsToPixels(form1design::StatusBar1.height), status.sizeHint().height());
}

} // namespace

Form1::Form1(os::OperatingSystem& system, ConnectionSnapshot& snapshot, QWidget* parent)
    : QWidget(parent), m_system(system), m_icons(std::make_unique<RowIcons>(system)) {
    // The pictures live in this static library; the linker keeps them only when asked.
    Q_INIT_RESOURCE(mainwindow);
    // A window of another host names it: several may be open at once.
    const QString remoteHost = system.remoteHostName();
    setWindowTitle(remoteHost.isEmpty() ? Caption : Caption + QStringLiteral(" - ") + remoteHost);
    host::setWindowRole(this, QAccessible::Window);
    QIcon icon;
    for (const char* picture : WindowIconPictures)
        icon.addFile(QString::fromLatin1(picture));
    setWindowIcon(icon);

    Timer1 = new QTimer(this);
    Timer1->setInterval(Timer1Interval);
    createControls();
    m_liveTraffic = new LiveTraffic(system, *m_connections, *ListView1, this);
    m_refresh = new RefreshCycle(*this, system, snapshot, *m_connections, *m_liveTraffic);
    m_commands = new MainCommands(*this, system, *m_connections, *m_refresh, *m_liveTraffic);
    m_programView = new ProgramView(*this, *m_connections, *m_liveTraffic);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    createMenus();
    if (!remoteHost.isEmpty())
        m_commands->limitToWatching(remoteHost);
    m_filter = new FilterField(*Toolbar1, *ListView1, *this);
    TxtFilter = m_filter->field();
    connect(m_filter, &FilterField::changed, this, [this] {
        if (Processing == False16)
            m_refresh->showListCount();
    });
    setUpKeyboard();
    limitSize();

    // A top-level window's geometry is its client area, which is what the design places.
    setGeometry(host::twipsRect(ClientLeft, ClientTop, ClientWidth, ClientHeight));
}

Form1::~Form1() {
    // Nothing may run after the window is gone, not even a tick already queued.
    m_ended = true;
    // The icons go before the list, which may still paint while the window comes down.
    m_connections->setIconOf({});
    // The tray lets go of the window while the window is still whole.
    delete m_tray;
    m_tray = nullptr;
}

void Form1::createControls() {
    Toolbar1 = new widgets::Toolbar(this);
    Toolbar1->setGeometry(designRect(form1design::Toolbar1));
    ImageList1 = new widgets::ImageList(QSize(ToolbarImageSize, ToolbarImageSize), this);
    Toolbar1->setImageList(ImageList1);
    for (const ToolbarEntry& entry : ToolbarButtons) {
        if (!entry.picture) {
            Toolbar1->addSeparator();
            continue;
        }
        const int image = ImageList1->append(QImage(QString::fromLatin1(entry.picture)));
        Toolbar1->addButton(QString::fromLatin1(entry.caption), image);
    }
    Toolbar1->setAccessibleName(QStringLiteral("Toolbar"));
    connect(Toolbar1, &widgets::Toolbar::buttonClick, this, &Form1::Toolbar1_ButtonClick);

    m_connections = new connectionlist::ConnectionModel(this);
    m_connections->setPixelsOfWidth([](double himetric) { return host::himetricToPixels(himetric); });
    m_connections->setIconOf([this](const connectionlist::ConnectionRow& row) { return m_icons->iconOf(row); });
    ListView1 = new widgets::ListView(this);
    ListView1->setGeometry(designRect(form1design::ListView1));
    ListView1->setAccessibleName(QStringLiteral("Connections"));
    ListView1->horizontalScrollBar()->setAccessibleName(QStringLiteral("Scroll the connections sideways"));
    ListView1->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll the connections up and down"));
    ListView1->setRowModel(m_connections);
    connect(ListView1, &widgets::ListView::mouseDown, this, &Form1::ListView1_MouseDown);
    connect(ListView1, &widgets::ListView::doubleClick, this, &Form1::ListView1_DblClick);

    StatusBar1 = new widgets::StatusBar(this);
    StatusBar1->setGeometry(designRect(form1design::StatusBar1));
    StatusBar1->setPanelWidth(1, twipsToPixels(Panel1Width));
    StatusBar1->setStretchMinimum(twipsToPixels(Panel2Minimum));
    StatusBar1->setPanelName(1, QStringLiteral("Last refresh"));
    StatusBar1->setPanelName(2, QStringLiteral("Message"));

    Progbar = new controls::ProgressBar(this);
    host::PropertyStore design;
    design.write(QStringLiteral("ProgressLook"), std::int32_t(ProgbarLook), std::int32_t(0));
    Progbar->load(design);
    Progbar->setGeometry(designRect(form1design::Progbar));
    Progbar->setAccessibleName(QStringLiteral("Refresh progress"));
    Progbar->raise(); // over panel 1
    Progbar->hide();  // shown only while a refresh runs
}

void Form1::createMenus() {
    // Parented to the window but never put in a menu bar: both exist only as pop-ups.
    MenuSysPop = new QMenu(QStringLiteral("MenuSysPop"), this);
    MenuSysPop->setObjectName(QStringLiteral("MenuSysPop"));
    OpenConMon = MenuSysPop->addAction(QStringLiteral("View"));
    OpenConMon->setObjectName(QStringLiteral("OpenConMon"));
    Seperator3 = MenuSysPop->addSeparator();
    Seperator3->setObjectName(QStringLiteral("Seperator3"));
    ExitProg1 = MenuSysPop->addAction(QStringLiteral("Exit"));
    ExitProg1->setObjectName(QStringLiteral("ExitProg1"));
    // The tray integration answers "View" and "Exit", found by their names.
    m_tray = new tray::TrayIntegration(this, MenuSysPop, this);

    mnuRes = new QMenu(QStringLiteral("&Resolve"), this);
    // Each entry has an access key of its own (with those the commands add below them).
    mnuIP = mnuRes->addAction(QStringLiteral("Copy &IP Address"));
    mnHN = mnuRes->addAction(QStringLiteral("Copy &Hostname"));
    mnuRP = mnuRes->addAction(QStringLiteral("Copy Remote &Port"));
    mnuFP = mnuRes->addAction(QStringLiteral("Copy &File Path"));
    connect(mnuIP, &QAction::triggered, this, &Form1::mnuIP_Click);
    connect(mnHN, &QAction::triggered, this, &Form1::mnHN_Click);
    connect(mnuRP, &QAction::triggered, this, &Form1::mnuRP_Click);
    connect(mnuFP, &QAction::triggered, this, &Form1::mnuFP_Click);
    m_commands->addListEntries();
    m_programView->addMenuEntry(mnuRes);
}

void Form1::Form_Load() {
    show();
    QCoreApplication::processEvents();
    if (m_ended)
        return;
    Timer1_Timer();
}

// The window never gets lower than its bars and the list's header and scroll bar, so that no
// part covers another at any size a window manager lets the user pick.
void Form1::limitSize() {
    const int listMinimum = ListView1->header()->sizeHint().height() +
                            ListView1->horizontalScrollBar()->sizeHint().height() +
                            2 * ListView1->frameWidth();
    setMinimumSize(twipsToPixels(MinimumClientWidth),
                   std::max(twipsToPixels(form1design::ListView1.top), toolbarHeight(*Toolbar1)) + listMinimum +
                       statusBarHeight(*StatusBar1));
}

void Form1::Form_Resize() {
    // The client area in twips: the outer size would count a frame and title bar that differ
    // from desktop to desktop, and the list would run under the status bar. Single precision
    // as designed.
    const float W = float(pixelsToTwips(width()));

    // Each step stands alone: one that cannot be done (a size below zero while the window is
    // tiny or minimised) is skipped, and the list keeps the last size it could take.
    if (const float listWidth = W - float(ListRightMargin); listWidth >= 0)
        ListView1->resize(twipsToPixels(listWidth), ListView1->height());
    // The list begins at its design top, or lower when the toolbar is taller than designed
    // (larger fonts), and ends where the status bar begins.
    const int listTop =
        std::max(twipsToPixels(form1design::ListView1.top), Toolbar1->geometry().bottom() + 1);
    ListView1->move(0, listTop);
    if (const int listHeight = StatusBar1->y() - listTop; listHeight >= 0)
        ListView1->resize(ListView1->width(), listHeight);
    StatusBar1->setPanelWidth(1, twipsToPixels(W / 4));
    StatusBar1->setPanelWidth(2, twipsToPixels(W / 2));
    Progbar->resize(StatusBar1->panelWidth(1), Progbar->height());
    if (const float barHeight = float(pixelsToTwips(StatusBar1->height())) - float(ProgbarHeightInset);
        barHeight >= 0)
        Progbar->resize(Progbar->width(), twipsToPixels(barHeight));
    Progbar->move(Progbar->x(),
                  twipsToPixels(float(pixelsToTwips(StatusBar1->y())) + float(ProgbarTopInset)));
    Progbar->move(StatusBar1->x(), Progbar->y());
    Progbar->setMax(ProgbarMax);
}

// The toolbar and the status bar dock to the top and bottom of the client area themselves;
// the list and the progress bar follow the window in Form_Resize.
void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Toolbar1->setGeometry(0, 0, width(), toolbarHeight(*Toolbar1));
    const int statusHeight = statusBarHeight(*StatusBar1);
    StatusBar1->setGeometry(0, height() - statusHeight, width(), statusHeight);
    StatusBar1->raise();
    Toolbar1->raise();
    Progbar->raise();
    Form_Resize();
}

void Form1::Form_Unload(int& Cancel) {
    Q_UNUSED(Cancel);
    emit unloading();
    // The icon must not outlive the program; harmless when none is shown.
    RemoveTrayIcon();
    endProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    Form_Unload(cancel);
    event->accept();
}

// Ends the program at once: no timer tick, no refresh step and no command runs after this,
// even when the request came from inside a refresh's yield.
void Form1::endProgram() {
    if (m_ended)
        return;
    m_ended = true;
    Timer1->stop();
    // Windows of other hosts may still be open: the program ends with the last window.
    for (QWidget* other : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Form1*>(other); window && window != this && !window->hasEnded()) {
            hide();
            return;
        }
    QCoreApplication::exit(0);
}

// The handlers the design names hand over to the refresh and the commands.

void Form1::RefreshView() {
    m_refresh->refresh();
}

void Form1::Timer1_Timer() {
    m_refresh->tick();
}

std::uint32_t Form1::activeCountAtLastRefresh() const {
    return m_refresh->activeCountAtLastRefresh();
}

void Form1::setGoneRowLifetime(std::chrono::milliseconds lifetime) {
    m_refresh->setGoneRowLifetime(lifetime);
}

void Form1::setTerminationLimit(std::chrono::milliseconds limit) {
    m_commands->setTerminationLimit(limit);
}

void Form1::Toolbar1_ButtonClick(const widgets::ToolbarButton& Button) {
    if (!m_ended)
        m_commands->toolbarButton(Button.caption);
}

void Form1::ListView1_MouseDown(int Button, int Shift, int x, int y) {
    Q_UNUSED(Shift);
    if (m_ended || Button != widgets::ListView::RightButton)
        return;
    mnuRes->exec(ListView1->viewport()->mapToGlobal(QPoint(x, y)));
}

void Form1::ListView1_DblClick() {
    if (!m_ended)
        m_commands->showInfo();
}

void Form1::mnuIP_Click() {
    if (!m_ended)
        m_commands->copyField(MainCommands::Field::RemoteAddress);
}

void Form1::mnHN_Click() {
    if (!m_ended)
        m_commands->copyField(MainCommands::Field::RemoteHost);
}

void Form1::mnuRP_Click() {
    if (!m_ended)
        m_commands->copyField(MainCommands::Field::RemotePort);
}

void Form1::mnuFP_Click() {
    if (!m_ended)
        m_commands->copyField(MainCommands::Field::FilePath);
}

void Form1::mnuRow_Click() {
    if (!m_ended)
        m_commands->copyRow();
}

void Form1::mnuSave_Click() {
    if (!m_ended)
        m_commands->saveListAs();
}

QString Form1::saveList(const QString& path) {
    return m_commands->saveList(path);
}

void Form1::showFilter() {
    if (!m_ended)
        m_filter->show();
}

void Form1::hideFilter() {
    if (!m_ended)
        m_filter->hide();
}

bool Form1::isFilterShown() const {
    return m_filter && m_filter->isShown();
}

FrmInfo* Form1::frmInfo() const {
    return m_commands->frmInfo();
}

options::frmOptions* Form1::optionsDialog() const {
    return m_commands->optionsDialog();
}

std::int32_t Form1::ShowTrayIcon(QWidget* lHWnd, const QString& sTip, const QIcon& lIcon) {
    return m_tray ? m_tray->ShowTrayIcon(lHWnd, sTip, lIcon) : 0;
}

std::int32_t Form1::RemoveTrayIcon() {
    return m_tray ? m_tray->RemoveTrayIcon() : 0;
}
