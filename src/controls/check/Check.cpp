#include "controls/check/Check.h"

#include "controls/check/CheckAccessible.h"
#include "controls/check/CheckParts.h"
#include "platform/host/Colours.h"
#include "platform/host/EventCodes.h"
#include "platform/host/Units.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

namespace controls {
namespace {

const QString CaptionKey = QStringLiteral("Caption");
const QString BackColorKey = QStringLiteral("BackColor");
const QString ForeColorKey = QStringLiteral("ForeColor");
const QString DisabledColorKey = QStringLiteral("DisabledColor");

constexpr host::Colour DesignForeColor{0x00800000};
constexpr host::Colour DesignBackColor{0x00FFFFFF};
constexpr host::Colour DesignDisabledColor{0x00C0C0C0};
// The caption window starts this far left of the control, so its own box lies under the picture.
constexpr int CaptionLeft = -2;

} // namespace

Check::Check(QWidget* parent, host::ControlHost* host)
    : HostedControl(parent, host), m_picture(new BoxPicture(this)), m_caption(new CaptionPart(this)),
      m_timer(new QTimer(this)), m_ownBackColor(host::systemColour(host::ButtonFace)) {
    static const bool accessible = (QAccessible::installFactory(checkAccessibleFactory), true);
    Q_UNUSED(accessible);
    m_picture->setObjectName(QStringLiteral("Picture1"));
    m_caption->setObjectName(QStringLiteral("Check1"));
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(10);
    connect(m_timer, &QTimer::timeout, this, &Check::hoverTick);

    for (std::size_t i = 0; i < m_images.size(); ++i)
        m_images[i] = QPixmap::fromImage(checkImagePicture(CheckImage(i)));

    m_picture->installEventFilter(this);
    m_caption->installEventFilter(this);
    m_picture->raise();
    setAutoFillBackground(true);
    applyOwnBackground(m_ownBackColor);
    layoutParts();
}

Check::~Check() = default;

std::int32_t Check::value() {
    showRestingImage();
    return m_value;
}

void Check::setValue(std::int32_t value) {
    const std::int32_t before = m_value;
    m_value = value;
    showRestingImage();
    announceValue(before);
}

void Check::clickAsKeyboardDoes() {
    if (m_spaceDown || !m_enabled)
        return;
    spaceKey(true);
    spaceKey(false);
}

void Check::announceValue(std::int32_t before) {
    if (before == m_value || !QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    changed.checkStateMixed = true;
    QAccessibleStateChangeEvent event(m_caption, changed);
    QAccessible::updateAccessibility(&event);
}

void Check::setCheckEnabled(bool enabled) {
    m_enabled = enabled;
    if (enabled) {
        showLook(CheckLook::Idle);
        m_caption->setTextColour(m_foreColor);
        startTimerInRunMode();
    } else {
        showLook(CheckLook::Disabled);
        m_timer->stop();
        m_hoverPaused = false;
        m_caption->setTextColour(m_disabledColor);
    }
}

QString Check::caption() const {
    return m_caption->text();
}

void Check::setCaption(const QString& caption) {
    m_caption->setText(caption);
    updateGeometry();
    notifyPropertyChanged(CaptionKey);
}

QFont Check::captionFont() const {
    return m_caption->font();
}

void Check::setCaptionFont(const QFont& font) {
    m_caption->setFont(font);
    updateGeometry();
}

host::Colour Check::backColor() const {
    return m_caption->backColour();
}

void Check::setBackColor(host::Colour colour) {
    m_caption->setBackColour(colour);
    applyOwnBackground(colour);
    notifyPropertyChanged(BackColorKey);
}

void Check::setForeColor(host::Colour colour) {
    m_foreColor = colour;
    m_caption->setTextColour(colour); // also while disabled, until the next enabling or layout
    notifyPropertyChanged(ForeColorKey);
}

void Check::setDisabledColor(host::Colour colour) {
    m_disabledColor = colour;
    notifyPropertyChanged(DisabledColorKey);
}

std::optional<CheckImage> Check::shownImage() const {
    return m_picture->picture();
}

host::Colour Check::captionColour() const {
    return m_caption->textColour();
}

QSize Check::sizeHint() const {
    const QSize caption = m_caption->sizeHint();
    return QSize(std::max(caption.width() + CaptionLeft, CheckImageSize),
                 std::max(caption.height(), CheckImageSize + 4));
}

QSize Check::minimumSizeHint() const {
    return QSize(CheckImageSize, CheckImageSize);
}

void Check::initProperties() {
    setValue(0);
    setCaption(displayName());
    setCheckEnabled(true);
    setCaptionFont(ambientFont());
    m_foreColor = host::Colour{0};
    m_disabledColor = DesignDisabledColor;
}

void Check::readProperties(host::PropertyReader& reader) {
    setValue(reader.readInt32(QStringLiteral("Value"), std::int32_t{0}));
    setCaption(reader.readText(CaptionKey, displayName()));
    setCheckEnabled(reader.readBool(QStringLiteral("Enabled"), true));
    setCaptionFont(reader.readFont(QStringLiteral("Font"), ambientFont()));
    // The caption window's colour and text are read straight into it, besides the fields.
    m_caption->setTextColour(reader.readColour(ForeColorKey, DesignForeColor));
    m_caption->setText(reader.readText(CaptionKey, displayName()));
    const host::Colour back = reader.readColour(BackColorKey, DesignBackColor);
    m_caption->setBackColour(back);
    // The control's own window takes it too: the next layout copies that window's colour into
    // the caption, which would otherwise throw the stored colour away at the first size change.
    applyOwnBackground(back);
    m_foreColor = reader.readColour(ForeColorKey, {});
    m_disabledColor = reader.readColour(DisabledColorKey, DesignDisabledColor);
}

void Check::writeProperties(host::PropertyStore& store) const {
    store.write(QStringLiteral("Value"), std::int32_t{m_value}, std::int32_t{0});
    store.write(CaptionKey, caption(), displayName());
    store.write(QStringLiteral("Enabled"), m_enabled, true);
    store.write(QStringLiteral("Font"), captionFont(), ambientFont());
    store.write(ForeColorKey, m_caption->textColour(), DesignForeColor);
    // Same default as the first write: the load answers a dropped write with the control's
    // name, so any other default would turn a caption equal to it into the name.
    store.write(CaptionKey, caption(), displayName());
    store.write(BackColorKey, m_caption->backColour(), DesignBackColor);
    store.write(ForeColorKey, m_foreColor, {});
    store.write(DisabledColorKey, m_disabledColor, DesignDisabledColor);
}

bool Check::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_picture && watched != m_caption)
        return HostedControl::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        press(host::mouseButtonCode(mouse->button()), host::shiftCode(mouse->modifiers()),
              float(host::pixelsToTwips(at.x())), float(host::pixelsToTwips(at.y())));
        return true;
    }
    case QEvent::MouseButtonRelease:
        release(host::mouseButtonCode(static_cast<QMouseEvent*>(event)->button()));
        return true;
    case QEvent::MouseButtonDblClick:
        // Only the box answers a double-click; on the caption it is swallowed unhandled.
        if (watched == m_picture)
            doubleClick();
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Space on the focused caption is a click without a mouse: the same value cycle on the
        // press, the same Click on the release. The caption's own check state never moves.
        if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space)
            return HostedControl::eventFilter(watched, event);
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
            spaceKey(event->type() == QEvent::KeyPress);
        return true;
    case QEvent::FocusOut:
        // A Space held while the focus moves on still finishes its click.
        if (m_spaceDown)
            spaceKey(false);
        return HostedControl::eventFilter(watched, event);
    default:
        return HostedControl::eventFilter(watched, event);
    }
}

void Check::press(short button, short shift, float x, float y) {
    if (!m_enabled)
        return;
    QPointer<Check> alive(this);
    emit MouseDown(button, shift, x, y);
    if (!alive || button == 2)
        return;
    push();
}

void Check::spaceKey(bool down) {
    if (down == m_spaceDown || (down && !m_enabled))
        return;
    m_spaceDown = down;
    if (down)
        push();
    else
        release(1);
}

void Check::push() {
    m_timer->stop();
    const std::int32_t before = m_value;
    // The value is written directly: no setter, no notification.
    switch (m_value) {
    case 0:
        showLook(CheckLook::Pushed);
        m_value = 1;
        break;
    case 1:
    case 2:
        showLook(CheckLook::Pushed);
        m_value = 0;
        break;
    default:
        break;
    }
    announceValue(before);
}

void Check::release(short button) {
    if (button == 2 || !m_enabled)
        return;
    QPointer<Check> alive(this);
    emit Click();
    if (alive)
        m_timer->start(); // whatever the host's mode
}

void Check::doubleClick() {
    if (m_enabled)
        emit DblClick();
}

void Check::hoverTick() {
    if (!isVisible()) {
        // A hidden box cannot be hovered: polling it would cost a pointer query 100 times a
        // second for nothing, for as long as a hidden dialog keeps it.
        m_timer->stop();
        m_hoverPaused = true;
        return;
    }
    const QPoint pointer = QCursor::pos();
    if (!m_enabled)
        return;
    const QWidget* under = QApplication::widgetAt(pointer);
    showLook(under == m_caption || under == m_picture ? CheckLook::Mouseover : CheckLook::Idle);
}

void Check::resizeEvent(QResizeEvent* event) {
    HostedControl::resizeEvent(event);
    layoutParts();
}

void Check::showEvent(QShowEvent* event) {
    HostedControl::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        m_hoverPaused = false;
        startTimerInRunMode();
    } else if (m_hoverPaused) {
        m_hoverPaused = false;
        m_timer->start();
    }
}

void Check::hideEvent(QHideEvent* event) {
    HostedControl::hideEvent(event);
    if (m_timer->isActive()) {
        m_timer->stop();
        m_hoverPaused = true;
    }
}

void Check::layoutParts() {
    const int w = width();
    const int h = height();
    m_picture->move(0, h / 2 - m_picture->height() / 2);
    m_caption->setBackColour(m_ownBackColor);
    m_caption->setTextColour(m_enabled ? m_foreColor : m_disabledColor);
    m_caption->setGeometry(CaptionLeft, 0, w - CaptionLeft, h); // full height, so centred at 0
}

void Check::showLook(CheckLook look) {
    if (const auto image = checkImageFor(look, m_value))
        m_picture->setPicture(*image, m_images.at(std::size_t(*image)));
}

void Check::showRestingImage() {
    showLook(m_enabled ? CheckLook::Idle : CheckLook::Disabled);
}

void Check::startTimerInRunMode() {
    if (isRunMode())
        m_timer->start();
    else
        m_timer->stop();
}

void Check::applyOwnBackground(host::Colour colour) {
    m_ownBackColor = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, host::resolveColour(colour));
    setPalette(p);
}

} // namespace controls
