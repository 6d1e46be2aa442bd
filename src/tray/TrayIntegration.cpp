#include "tray/TrayIntegration.h"

#include "tray/MenuSysPop.h"
#include "tray/TrayMessage.h"
#include "tray/TrayTip.h"
#include "tray/modTrayIcon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QWidget>

namespace tray {

TrayIntegration::TrayIntegration(QWidget* mainWindow, QMenu* menuSysPop, QObject* parent)
    : QObject(parent), m_mainWindow(mainWindow),
      m_menu(menuSysPop ? menuSysPop : createMenuSysPop(mainWindow)),
      m_procedure(new TrayWindowProcedure(this)), m_trayIcon(new QSystemTrayIcon(this)),
      m_balloonOnly(new QTimer(this)) {
    m_balloonOnly->setSingleShot(true);
    connect(m_balloonOnly, &QTimer::timeout, m_trayIcon, &QSystemTrayIcon::hide);
    connect(m_trayIcon, &QSystemTrayIcon::messageClicked, this, [this] {
        if (!m_mainWindow)
            return;
        if (m_balloonOnly->isActive() || m_mainWindow->isVisible()) {
            m_mainWindow->showNormal();
            m_mainWindow->raise();
            m_mainWindow->activateWindow();
        } else {
            OpenConMon_Click();
        }
    });
    for (QAction* action : m_menu->actions()) {
        if (action->objectName() == QLatin1String("OpenConMon"))
            connect(action, &QAction::triggered, this, &TrayIntegration::OpenConMon_Click);
        else if (action->objectName() == QLatin1String("ExitProg1"))
            connect(action, &QAction::triggered, this, &TrayIntegration::ExitProg1_Click);
    }
    // Queued, so the menu's own event loop never runs inside the tray icon's mouse handling,
    // where deleting the icon from the menu would pull the ground from under it.
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &TrayIntegration::deliverActivation,
            Qt::QueuedConnection);
}

TrayIntegration::~TrayIntegration() {
    if (m_storedWindow)
        m_storedWindow->removeEventFilter(m_procedure);
}

std::int32_t TrayIntegration::ShowTrayIcon(QWidget* lHWnd, const QString& sTip, const QIcon& lIcon) {
    if (m_storedWindow && m_storedWindow != lHWnd)
        m_storedWindow->removeEventFilter(m_procedure);
    m_storedWindow = lHWnd;
    // Installing again only moves the procedure to the front; it never stacks on itself.
    if (lHWnd)
        lHWnd->installEventFilter(m_procedure);
    m_balloonOnly->stop(); // the icon stays now
    m_trayIcon->setIcon(lIcon);
    m_trayIcon->setToolTip(fitTrayTip(sTip));
    m_trayIcon->show();
    return 0;
}

void TrayIntegration::showBalloon(const QString& title, const QString& text, const QIcon& icon) {
    if (!m_trayIcon->isVisible() || m_balloonOnly->isActive()) {
        m_trayIcon->setIcon(icon);
        m_trayIcon->show();
        m_balloonOnly->start(BalloonMilliseconds);
    }
    showBalloonOnceDocked(title, text, 20);
}

// A balloon points at its icon: one just shown gets a moment to take its place in the tray.
void TrayIntegration::showBalloonOnceDocked(const QString& title, const QString& text, int triesLeft) {
    if (!m_trayIcon->isVisible())
        return;
    if (m_trayIcon->geometry().isEmpty() && triesLeft > 0) {
        QTimer::singleShot(
            100, this, [this, title, text, triesLeft] { showBalloonOnceDocked(title, text, triesLeft - 1); });
        return;
    }
    m_trayIcon->showMessage(title, text, QSystemTrayIcon::Information, BalloonMilliseconds);
}

std::int32_t TrayIntegration::ChangeIcon(const QIcon& lNewIcon) {
    // Changing an icon that is not shown changes nothing, as the tray refuses it.
    if (m_trayIcon->isVisible())
        m_trayIcon->setIcon(lNewIcon);
    return 0;
}

std::int32_t TrayIntegration::ChangeTip(const QString& nNewTip) {
    if (m_trayIcon->isVisible())
        m_trayIcon->setToolTip(fitTrayTip(nNewTip));
    return 0;
}

std::int32_t TrayIntegration::RemoveTrayIcon() {
    if (m_storedWindow)
        m_storedWindow->removeEventFilter(m_procedure);
    m_balloonOnly->stop();
    m_trayIcon->hide();
    return 0;
}

std::int32_t TrayIntegration::TransparentObject(QWidget* HWND) {
    if (!HWND)
        return 0;
    HWND->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (HWND->isWindow()) {
        // Changing window flags hides a window; show it again as the frame change would.
        const bool shown = HWND->isVisible();
        Qt::WindowFlags flags = HWND->windowFlags();
        flags &= ~(Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint);
        HWND->setWindowFlags(flags | Qt::WindowTransparentForInput);
        if (shown)
            HWND->show();
    }
    return 0;
}

void TrayIntegration::registerTrayReceiver() {
    tray::registerTrayReceiver(this);
}

void TrayIntegration::dispatchMouseMessage(std::uint32_t code) {
    switch (code) {
    case LeftButtonDownCode:
        emit LeftButtonDown();
        break;
    case LeftButtonUpCode:
        emit LeftButtonUp();
        break;
    case LeftButtonDoubleClickCode:
        emit LeftButtonDoubleClick();
        break;
    case RightButtonDownCode:
        emit RightButtonDown();
        break;
    case RightButtonUpCode:
        if (m_menu)
            m_menu->exec(QCursor::pos());
        break;
    case RightButtonDoubleClickCode:
        emit RightButtonDoubleClick();
        break;
    case MiddleButtonDownCode:
        emit MiddleButtonDown();
        break;
    case MiddleButtonUpCode:
        emit MiddleButtonUp();
        break;
    case MiddleButtonDoubleClickCode:
        emit MiddleButtonDoubleClick();
        break;
    default:
        break;
    }
}

void TrayIntegration::OpenConMon_Click() {
    if (m_mainWindow)
        m_mainWindow->show();
    RemoveTrayIcon();
}

void TrayIntegration::ExitProg1_Click() {
    if (m_mainWindow)
        m_mainWindow->close();
}

void TrayIntegration::deliverActivation(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        sendTrayMessage(LeftButtonDownCode);
        sendTrayMessage(LeftButtonUpCode);
        break;
    case QSystemTrayIcon::DoubleClick:
        sendTrayMessage(LeftButtonDoubleClickCode);
        break;
    case QSystemTrayIcon::Context:
        sendTrayMessage(RightButtonDownCode);
        sendTrayMessage(RightButtonUpCode);
        break;
    case QSystemTrayIcon::MiddleClick:
        sendTrayMessage(MiddleButtonDownCode);
        sendTrayMessage(MiddleButtonUpCode);
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

void TrayIntegration::sendTrayMessage(std::uint32_t code) {
    // The window may be gone by the time a queued activation arrives, or between the two
    // messages of one click when the first opened the menu and the menu ended the program.
    if (!m_storedWindow)
        return;
    TrayMessageEvent message(TrayCallbackMessage, 0, code);
    QCoreApplication::sendEvent(m_storedWindow, &message);
}

} // namespace tray
