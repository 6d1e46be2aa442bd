#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace tray {

class TrayWindowProcedure;

// The main window's life in the notification area: the operations that add, change and
// delete its icon and put the tray procedure in front of the window, the mouse dispatcher
// with its events, and the tray menu's "View" and "Exit". The main window owns one.
//
// The icon's activations reach the window as tray messages (TrayMessageEvent): a click as
// left down then left up, a double click as left double-click, the context request as right
// down then right up, a middle click as middle down then middle up.
class TrayIntegration : public QObject {
    Q_OBJECT
public:
    // menuSysPop: the window's tray menu, with actions named OpenConMon and ExitProg1; when
    // null, one is made (createMenuSysPop) and owned by the window.
    explicit TrayIntegration(QWidget* mainWindow, QMenu* menuSysPop = nullptr, QObject* parent = nullptr);
    ~TrayIntegration() override;

    // Each returns 0 when its steps ran. The tray refusing the icon is not a failure: the
    // window stays behind the tray procedure and the result is still 0.
    std::int32_t ShowTrayIcon(QWidget* lHWnd, const QString& sTip, const QIcon& lIcon);
    std::int32_t ChangeIcon(const QIcon& lNewIcon);
    std::int32_t ChangeTip(const QString& nNewTip);
    // Harmless when no icon is shown, before any ShowTrayIcon or after a previous removal.
    std::int32_t RemoveTrayIcon();

    // A balloon at the icon. Where the window is not in the tray, the icon shows for as long
    // as the balloon does and then goes again; a click on the balloon brings the window back.
    void showBalloon(const QString& title, const QString& text, const QIcon& icon);
    static constexpr int BalloonMilliseconds = 6000;

    // Makes a window let all mouse input through to what lies beneath and drops its
    // stay-on-top hint. Returns 0.
    static std::int32_t TransparentObject(QWidget* HWND);

    // Makes this object the one the tray procedure dispatches mouse messages to.
    void registerTrayReceiver();

    // Turns a tray mouse code into its event; the right button's release shows the tray
    // menu at the mouse position instead and returns when it closes.
    void dispatchMouseMessage(std::uint32_t code);

    QWidget* mainWindow() const { return m_mainWindow; }
    QMenu* menuSysPop() const { return m_menu; }
    QSystemTrayIcon* trayIcon() const { return m_trayIcon; }
    bool isIconShown() const { return m_trayIcon->isVisible(); }
    // The window the operations act on: the one ShowTrayIcon last stored.
    QWidget* storedWindow() const { return m_storedWindow; }

public slots:
    // "View": show the main window again, then delete the icon.
    void OpenConMon_Click();
    // "Exit": unload the main window; its unload handler removes the icon and ends.
    void ExitProg1_Click();

signals:
    void LeftButtonUp();
    void LeftButtonDown();
    void LeftButtonDoubleClick();
    void RightButtonUp(); // declared for subscribers; the right button's release opens the menu
    void RightButtonDown();
    void RightButtonDoubleClick();
    void MiddleButtonUp();
    void MiddleButtonDown();
    void MiddleButtonDoubleClick();

private:
    void deliverActivation(QSystemTrayIcon::ActivationReason reason);
    void showBalloonOnceDocked(const QString& title, const QString& text, int triesLeft);
    void sendTrayMessage(std::uint32_t code);

    QPointer<QWidget> m_mainWindow;
    QPointer<QMenu> m_menu;
    QPointer<QWidget> m_storedWindow;
    TrayWindowProcedure* m_procedure;
    QSystemTrayIcon* m_trayIcon;
    // Set while the icon shows only for a balloon: it goes when the balloon does.
    QTimer* m_balloonOnly;
};

} // namespace tray
