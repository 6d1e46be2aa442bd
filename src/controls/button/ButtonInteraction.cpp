#include "controls/button/CorvaneButton.h"
#include "platform/host/EventCodes.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTime>
#include <QTimer>

// How the button answers the mouse, the keyboard, its access key and the focus, follows the
// pointer out with its hover timer, and keeps one option button selected per container.

namespace controls {
namespace {

constexpr short KeySpace = 32;
constexpr short KeyEnter = 13;
constexpr short KeyLeft = 37;
constexpr short KeyUpArrow = 38;
constexpr short KeyRight = 39;
constexpr short KeyDownArrow = 40;

// The key code hosts know keys by: letters and digits as their upper-case character, the
// rest as the platform's virtual-key numbers.
short keyCode(const QKeyEvent& event) {
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return short(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return short(112 + key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return KeyEnter;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return KeySpace;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return KeyLeft;
    case Qt::Key_Up:
        return KeyUpArrow;
    case Qt::Key_Right:
        return KeyRight;
    case Qt::Key_Down:
        return KeyDownArrow;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

// Seconds since midnight, with the fraction.
double timeOfDay() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

} // namespace

void CorvaneButton::initInteraction() {
    setMouseTracking(true); // moves without a button held tell the button it is hovered
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(m_timerHover, &QTimer::timeout, this, &CorvaneButton::hoverTick);
}

void CorvaneButton::resetState() {
    m_visualState = m_hasFocus ? Focused : Idle;
}

// --- Mouse ---------------------------------------------------------------------------------------

void CorvaneButton::mousePressEvent(QMouseEvent* event) {
    const short button = host::mouseButtonCode(event->button());
    // A left or right press, released over the button, is a click of the window.
    m_clickPending = button == 1 || button == 2;
    const QPointF at = event->position();
    handlePress(button, host::shiftCode(event->modifiers()), float(at.x()), float(at.y()));
}

void CorvaneButton::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    handleMove(host::heldButtonCodes(event->buttons()), host::shiftCode(event->modifiers()), float(at.x()),
               float(at.y()));
}

void CorvaneButton::mouseReleaseEvent(QMouseEvent* event) {
    const short button = host::mouseButtonCode(event->button());
    const QPointF at = event->position();
    const bool click = m_clickPending && rect().contains(at.toPoint());
    m_clickPending = false;
    QPointer<CorvaneButton> alive(this);
    handleRelease(button, host::shiftCode(event->modifiers()), float(at.x()), float(at.y()));
    if (alive && click)
        clickNotification();
}

void CorvaneButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click: its release makes no click of the window.
    m_clickPending = false;
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        doubleClick();
}

void CorvaneButton::handlePress(short button, short shift, float x, float y) {
    m_lastMouseButton = std::uint8_t(std::abs(button));
    if (button == 2) {
        m_clickSuppressed = true;
    } else {
        m_visualState = Pressed;
        if (m_optionButton && m_value)
            return; // already selected: no look change to show, no event
        if (m_optionButton) {
            QPointer<CorvaneButton> alive(this);
            setValue(true);
            if (!alive)
                return;
            emit Click();
            if (!alive)
                return;
        } else {
            RefreshButton();
        }
    }
    if (button >= 0)
        emit MouseDown(button, shift, x, y);
}

void CorvaneButton::handleMove(short button, short shift, float x, float y) {
    m_visualState = Hover;
    if (button == 0 || button == 1) {
        if (x < 0 || y < 0 || x > width() || y > height())
            resetState();
        else if (button == 1)
            m_visualState = Pressed;
    }
    if (!m_hoverFlag)
        RefreshButton();
    m_hoverFlag = true;
    if (!m_timerHover->isActive()) // enabling a running timer does not restart its interval
        m_timerHover->start();
    emit MouseMove(button, shift, x, y);
}

void CorvaneButton::handleRelease(short button, short shift, float x, float y) {
    if (button != 2) {
        resetState();
        if (m_hoverFlag)
            m_visualState = Hover;
        RefreshButton();
    }
    if (button >= 0)
        emit MouseUp(button, shift, x, y);
}

void CorvaneButton::clickNotification() {
    if (m_lastMouseButton == 1 || !m_clickSuppressed) {
        if (m_optionButton && m_value)
            return;
        QPointer<CorvaneButton> alive(this);
        if (m_optionButton)
            setValue(true);
        else
            handleRelease(-1, 1, 1, 1);
        if (alive)
            emit Click();
    } else if (m_visualState != DisabledSnapshot) {
        m_clickSuppressed = false;
    }
}

void CorvaneButton::doubleClick() {
    if (m_lastMouseButton == 1)
        handlePress(-1, 1, 1, 1); // shows the second press until its release
}

// --- Keyboard ----------------------------------------------------------------------------------

void CorvaneButton::keyPressEvent(QKeyEvent* event) {
    const short code = keyCode(*event);
    QPointer<CorvaneButton> alive(this);
    keyDown(code, host::shiftCode(event->modifiers()));
    if (!alive)
        return;
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).unicode() < 256 &&
        (text.at(0).isPrint() || text.at(0).unicode() < 32)) {
        short ascii = short(text.at(0).unicode());
        emit KeyPress(ascii);
    }
}

void CorvaneButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat())
        return; // one release for a held key
    keyUp(keyCode(*event), host::shiftCode(event->modifiers()));
}

void CorvaneButton::keyDown(short code, short shift) {
    m_lastKeyCode = std::uint8_t(code);
    const bool selectedOption = isSelectedOption();
    switch (code) {
    case KeySpace:
        if (!selectedOption) {
            QPointer<CorvaneButton> alive(this);
            handlePress(-1, 0, 0, 0);
            if (!alive)
                return;
        }
        emit KeyDown(code, shift);
        return;
    case KeyLeft:
    case KeyUpArrow:
        focusNextPrevChild(false);
        return;
    case KeyRight:
    case KeyDownArrow:
        focusNextPrevChild(true);
        return;
    case KeyEnter:
        if (m_optionButton)
            return;
        break;
    default:
        break;
    }
    emit KeyDown(code, shift);
}

void CorvaneButton::keyUp(short code, short shift) {
    if (m_lastKeyCode == KeySpace && code == KeySpace && !isSelectedOption()) {
        QPointer<CorvaneButton> alive(this);
        handleRelease(-1, shift, 0, 0);
        if (!alive)
            return;
        emit KeyUp(code, shift);
        if (alive)
            clickNotification();
        return;
    }
    emit KeyUp(code, shift);
}

void CorvaneButton::accessKeyPressed(QChar key) {
    short ascii = short(key.unicode());
    if (!m_optionButton) {
        m_visualState = Pressed;
        RefreshButton();
        WaitSeconds(0.15);
        m_lastMouseButton = 1;
    }
    if (isSelectedOption()) {
        QPointer<CorvaneButton> alive(this);
        short shift = 0;
        emit KeyDown(ascii, shift);
        if (alive)
            emit KeyPress(ascii);
        shift = 0;
        if (alive)
            emit KeyUp(ascii, shift);
        return;
    }
    clickNotification();
}

void CorvaneButton::WaitSeconds(double seconds) {
    repaint();
    const double start = timeOfDay();
    for (;;) {
        const double now = timeOfDay();
        if (now - start >= seconds || now < start) // midnight passed
            return;
    }
}

// --- Focus and hover -----------------------------------------------------------------------------

void CorvaneButton::focusInEvent(QFocusEvent* event) {
    HostedControl::focusInEvent(event);
    m_hasFocus = true;
    m_lastMouseButton = 1;
    m_lastKeyCode = 0;
    if (!m_hoverFlag)
        m_visualState = Focused;
    RefreshButton();
}

void CorvaneButton::focusOutEvent(QFocusEvent* event) {
    HostedControl::focusOutEvent(event);
    m_timerHover->stop();
    m_hasFocus = false;
    m_lastMouseButton = 1;
    m_lastKeyCode = 0;
    m_visualState = m_hoverFlag ? Hover : Idle;
    RefreshButton();
}

void CorvaneButton::hoverTick() {
    if (QApplication::widgetAt(QCursor::pos()) == this)
        return;
    m_timerHover->stop();
    m_hoverFlag = false;
    if (m_visualState != DisabledSnapshot)
        m_clickSuppressed = false;
    resetState();
    RefreshButton();
    emit MouseOut();
}

// --- Option groups -----------------------------------------------------------------------------

void CorvaneButton::UncheckGroup() {
    const QString group = container();
    // The group is every button of this window with the same container text.
    QList<QPointer<CorvaneButton>> members;
    for (CorvaneButton* button : window()->findChildren<CorvaneButton*>())
        members.append(button);
    if (!members.contains(this))
        members.prepend(this);
    for (const QPointer<CorvaneButton>& member : members) {
        if (!member || member->container() != group)
            continue;
        if (member == this)
            RefreshButton();
        else if (member->m_value)
            member->setValue(false);
    }
}

} // namespace controls
