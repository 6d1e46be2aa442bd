#include "platform/host/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace host {

QSize fittedSize(QSize wanted, QSize available, QSize minimum) {
    if (wanted.width() <= available.width() && wanted.height() <= available.height())
        return wanted;
    const double scale = std::min(double(available.width()) / std::max(wanted.width(), 1),
                                  double(available.height()) / std::max(wanted.height(), 1));
    const QSize scaled(int(std::floor(wanted.width() * scale)), int(std::floor(wanted.height() * scale)));
    // A side held at its minimum frees the other side from the shared factor.
    QSize fitted = scaled.expandedTo(minimum);
    if (fitted.height() > scaled.height())
        fitted.setWidth(std::max(std::min(wanted.width(), available.width()), minimum.width()));
    if (fitted.width() > scaled.width())
        fitted.setHeight(std::max(std::min(wanted.height(), available.height()), minimum.height()));
    return fitted;
}

QRect placedWithin(QRect frame, QRect available) {
    if (frame.right() > available.right())
        frame.moveRight(available.right());
    if (frame.bottom() > available.bottom())
        frame.moveBottom(available.bottom());
    if (frame.left() < available.left())
        frame.moveLeft(available.left());
    if (frame.top() < available.top())
        frame.moveTop(available.top());
    return frame;
}

namespace {

const char* const FittedProperty = "tavrenFittedToScreen";

bool hasFrame(const QWidget& window) {
    return !(window.windowFlags() & (Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint));
}

// The window manager's frame round the window: as it stands once the window was shown; before
// that, as round another window of the program, or as the style draws a title bar.
QMargins frameMargins(const QWidget& window) {
    const auto marginsOf = [](const QWidget& shown) {
        const QRect frame = shown.frameGeometry(), client = shown.geometry();
        return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                        frame.right() - client.right(), frame.bottom() - client.bottom());
    };
    if (!hasFrame(window))
        return {};
    if (window.isVisible() && window.frameGeometry() != window.geometry())
        return marginsOf(window);
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != &window && other->isVisible() && hasFrame(*other) &&
            other->frameGeometry() != other->geometry())
            return marginsOf(*other);
    const int border = window.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    return QMargins(border, window.style()->pixelMetric(QStyle::PM_TitleBarHeight) + border, border, border);
}

QScreen* screenOf(const QWidget& window) {
    if (const QWidget* parent = window.parentWidget())
        return parent->window()->screen();
    return window.screen();
}

void fit(QWidget& window, bool centre) {
    QScreen* screen = screenOf(window);
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QMargins margins = frameMargins(window);
    const QSize room = available.size().shrunkBy(margins);
    const QSize size = fittedSize(window.size(), room, window.minimumSize());
    // A fixed-size dialog too: better smaller than designed than with its title bar off screen.
    window.setMinimumSize(window.minimumSize().boundedTo(size));
    QRect frame(window.geometry().topLeft() - QPoint(margins.left(), margins.top()), size.grownBy(margins));
    const QWidget* parent = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    if (centre && parent && parent->isVisible())
        frame.moveCenter(parent->frameGeometry().center());
    frame = placedWithin(frame, available);
    window.setGeometry(QRect(frame.topLeft() + QPoint(margins.left(), margins.top()), size));
}

class ScreenFitFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        const Qt::WindowType type = window->windowType();
        if (!window->isWindow() || (type != Qt::Window && type != Qt::Dialog) ||
            window->property(FittedProperty).toBool())
            return false;
        window->setProperty(FittedProperty, true);
        // Dialogs place themselves over their parent (QDialog) unless moved; plain widget
        // dialogs are centred here.
        const bool centre =
            type == Qt::Dialog && !window->testAttribute(Qt::WA_Moved) && !window->inherits("QDialog");
        fit(*window, centre);
        // The frame is known only once the window manager has framed the window: fitted again
        // then, with the real frame, where it still sticks out.
        QPointer<QWidget> shown(window);
        for (const int delay : {300, 1500})
            QTimer::singleShot(delay, window, [shown] {
                if (!shown || !shown->isVisible() ||
                    (shown->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
                    return;
                const QScreen* screen = screenOf(*shown);
                if (screen && !screen->availableGeometry().contains(shown->frameGeometry()))
                    fit(*shown, false);
            });
        return false;
    }
};

} // namespace

void fitWindowsToScreen(QApplication& application) {
    static QPointer<ScreenFitFilter> filter;
    if (filter)
        return;
    filter = new ScreenFitFilter(&application);
    application.installEventFilter(filter);
}

} // namespace host
