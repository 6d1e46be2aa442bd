#include "mainwindow/Form1.h"

#include "controls/progressbar/ProgressBar.h"
#include "mainwindow/LiveTraffic.h"
#include "mainwindow/PictureBox.h"
#include "platform/host/PropertyStore.h"
#include "platform/host/Units.h"
#include "platform/host/WindowKeys.h"
#include "platform/os/OperatingSystem.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"
#include "snapshot/ConnectionTable.h"
#include "tray/TrayIntegration.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

using namespace form1design;
using host::pixelsToTwips;
using host::twipsToPixels;

namespace {

// Inside tight loops the refresh lets window messages run about this often.
constexpr std::chrono::milliseconds RowYieldInterval{15};

QRect designRect(const TwipsRect& r) {
    return host::twipsRect(r.left, r.top, r.width, r.height);
}

} // namespace

Form1::Form1(os::OperatingSystem& system, ConnectionSnapshot& snapshot, QWidget* parent)
    : QWidget(parent), m_system(system), m_snapshot(snapshot),
      m_pacer([] { QCoreApplication::processEvents(); }, RowYieldInterval) {
    // The pictures live in this static library; the linker keeps them only when asked.
    Q_INIT_RESOURCE(mainwindow);
    setWindowTitle(Caption);
    host::setWindowRole(this, QAccessible::Window);
    QIcon icon;
    for (const char* picture : WindowIconPictures)
        icon.addFile(QString::fromLatin1(picture));
    setWindowIcon(icon);

    createToolbar();
    createList();
    createStatusArea();
    createMenus();
    createFilter();
    setUpKeyboard();

    Timer1 = new QTimer(this);
    Timer1->setInterval(Timer1Interval);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    // A refresh comes only when the connections change, so rows of gone ones could stay for
    // long; they go by themselves after a few seconds.
    m_goneExpiry = new QTimer(this);
    m_goneExpiry->setSingleShot(true);
    m_goneExpiry->setInterval(GoneRowLifetime);
    connect(m_goneExpiry, &QTimer::timeout, this, &Form1::expireGoneRows);

    iml16 = new widgets::ImageList(QSize(16, 16), this);
    iml32 = new widgets::ImageList(QSize(32, 32), this);
    pic16 = new PictureBox(QSize(16, 16), this);
    pic16->move(designRect(form1design::pic16).topLeft());
    pic16->hide();
    pic32 = new PictureBox(QSize(32, 32), this);
    pic32->move(designRect(form1design::pic32).topLeft());
    pic32->hide();
    ListView1->setIcons(iml32);
    ListView1->setSmallIcons(iml16);
    limitSize();

    // A top-level window's geometry is its client area, which is what the design places.
    setGeometry(host::twipsRect(ClientLeft, ClientTop, ClientWidth, ClientHeight));
}

Form1::~Form1() {
    // Nothing may run after the window is gone, not even a tick already queued.
    m_ended = true;
    // The tray lets go of the window while the window is still whole.
    delete m_tray;
    m_tray = nullptr;
}

void Form1::createToolbar() {
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
}

void Form1::createList() {
    ListView1 = new widgets::ListView(this);
    ListView1->setGeometry(designRect(form1design::ListView1));
    ListView1->setAccessibleName(QStringLiteral("Connections"));
    ListView1->horizontalScrollBar()->setAccessibleName(QStringLiteral("Scroll the connections sideways"));
    ListView1->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll the connections up and down"));
    for (const Column& column : Columns)
        ListView1->addColumn(QString::fromLatin1(column.header), host::himetricToPixels(column.width),
                             column.alignment, column.numeric, column.shown);
    // Ports printed as service names sort and filter by the port they name.
    ListView1->setNumberOfName([this](const QString& name) -> std::optional<qint64> {
        if (const std::optional<std::uint16_t> port = m_system.servicePort(name))
            return *port;
        return std::nullopt;
    });
    m_liveTraffic = new LiveTraffic(m_system, *ListView1, this);
    connect(ListView1, &widgets::ListView::mouseDown, this, &Form1::ListView1_MouseDown);
    connect(ListView1, &widgets::ListView::doubleClick, this, &Form1::ListView1_DblClick);
}

void Form1::createStatusArea() {
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
    // Each entry has an access key of its own (with "Copy &Row" and "&Save List As...").
    mnuIP = mnuRes->addAction(QStringLiteral("Copy &IP Address"));
    mnHN = mnuRes->addAction(QStringLiteral("Copy &Hostname"));
    mnuRP = mnuRes->addAction(QStringLiteral("Copy Remote &Port"));
    mnuFP = mnuRes->addAction(QStringLiteral("Copy &File Path"));
    connect(mnuIP, &QAction::triggered, this, &Form1::mnuIP_Click);
    connect(mnHN, &QAction::triggered, this, &Form1::mnHN_Click);
    connect(mnuRP, &QAction::triggered, this, &Form1::mnuRP_Click);
    connect(mnuFP, &QAction::triggered, this, &Form1::mnuFP_Click);
    addListEntries();
}

void Form1::Form_Load() {
    show();
    QCoreApplication::processEvents();
    if (m_ended)
        return;
    Timer1_Timer();
}

int Form1::toolbarHeight() const {
    return std::max(twipsToPixels(form1design::Toolbar1.height), Toolbar1->sizeHint().height());
}

int Form1::statusBarHeight() const {
    return std::max(twipsToPixels(form1design::StatusBar1.height), StatusBar1->sizeHint().height());
}

// The toolbar and the status bar dock to the top and bottom of the client area themselves;
// the list and the progress bar follow the window in Form_Resize.
void Form1::dockBars() {
    Toolbar1->setGeometry(0, 0, width(), toolbarHeight());
    const int statusHeight = statusBarHeight();
    StatusBar1->setGeometry(0, height() - statusHeight, width(), statusHeight);
    StatusBar1->raise();
    Toolbar1->raise();
    Progbar->raise();
}

// The window never gets lower than its bars and the list's header and scroll bar, so that no
// part covers another at any size a window manager lets the user pick.
void Form1::limitSize() {
    const int listMinimum = ListView1->header()->sizeHint().height() +
                            ListView1->horizontalScrollBar()->sizeHint().height() +
                            2 * ListView1->frameWidth();
    setMinimumSize(twipsToPixels(MinimumClientWidth),
                   std::max(twipsToPixels(form1design::ListView1.top), toolbarHeight()) + listMinimum +
                       statusBarHeight());
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

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    dockBars();
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
    QCoreApplication::exit(0);
}
