#include "controls/button/CorvaneButton.h"

#include "controls/button/ButtonAccessible.h"

#include "platform/host/AccessKey.h"
#include "platform/host/Colours.h"
#include "platform/host/ControlArrays.h"
#include "platform/host/MessageBoxService.h"
#include "platform/host/Units.h"
#include "platform/os/OperatingSystem.h"

#include <QAccessible>
#include <QApplication>
#include <QTimer>

namespace controls {
namespace {

const QString TypeKey = QStringLiteral("BTYPE");
const QString StyleKey = QStringLiteral("BSTYLE");
const QString SchemeKey = QStringLiteral("COLTYPE");
const QString BackKey = QStringLiteral("BCOL");
const QString ForeKey = QStringLiteral("FCOL");
const QString MouseOverKey = QStringLiteral("FCOLO");
const QString EmbossMidKey = QStringLiteral("EMBOSSM");
const QString EmbossShadowKey = QStringLiteral("EMBOSSS");
const QString CaptionStyleKey = QStringLiteral("STYLE");
const QString GradientStartKey = QStringLiteral("GStart");
const QString GradientStopKey = QStringLiteral("GStop");
const QString GradientStyleKey = QStringLiteral("GStyle");
const QString CaptionKey = QStringLiteral("TX");
const QString FontKey = QStringLiteral("FONT");
const QString AlignmentKey = QStringLiteral("ALIGN");
const QString OrientationKey = QStringLiteral("ORIENT");
const QString IconKey = QStringLiteral("BTNICON");
const QString IconSizeKey = QStringLiteral("IconSize");
const QString IconAlignmentKey = QStringLiteral("ICONAlign");
const QString EnabledKey = QStringLiteral("ENAB");
const QString ShowFocusKey = QStringLiteral("SHOWF");
const QString OptionKey = QStringLiteral("OPTMOD");
const QString ValueKey = QStringLiteral("OPTVAL");
const QString GraphicsModeKey = QStringLiteral("GMODE");
const QString PointerKey = QStringLiteral("MPTR");
const QString MouseIconKey = QStringLiteral("MICON");

const QString CaptionFace = QStringLiteral("Times New Roman");

host::Colour systemRgb(host::SystemColour index) {
    return host::ResolveColor(host::systemColour(index));
}

bool customScheme(std::int32_t scheme) {
    return scheme == 2 || scheme == 5;
}

std::int32_t asInt32(host::Colour colour) {
    return static_cast<std::int32_t>(colour.value);
}

} // namespace

CorvaneButton::CorvaneButton(os::OperatingSystem* system, QWidget* parent, host::ControlHost* host)
    : HostedControl(parent, host), m_system(system), m_backColor(systemRgb(host::ButtonFace)),
      m_foreColor(systemRgb(host::ButtonText)),
      m_mouseOver(systemRgb(host::ButtonText)), m_embossMid{0x00C0C0C0}, m_embossShadow{0x00FFFFFF},
      m_textFont(font()), m_timerHover(new QTimer(this)) {
    m_timerHover->setObjectName(QStringLiteral("TimerHover"));
    m_timerHover->setInterval(100);
    m_effectiveGraphicsMode = ProbePlatform(0);
    RebuildPalette(false);
    setFocusPolicy(Qt::StrongFocus);
    static const bool accessible = (QAccessible::installFactory(buttonAccessibleFactory), true);
    Q_UNUSED(accessible);
    initInteraction();
    setAccessibleName(m_caption);
}

// The window's shape goes with the window; the fonts and pictures are values that go with the
// button.
CorvaneButton::~CorvaneButton() = default;

std::int16_t CorvaneButton::ProbePlatform(std::int16_t query) const {
    // Asked afresh every time: nothing about the platform is cached.
    const std::optional<QString> key = m_system ? m_system->platformVersionKey() : std::nullopt;
    return controls::ProbePlatform(key, query);
}

void CorvaneButton::mark(const QString& key) {
    if (!isRunMode())
        notifyPropertyChanged(key);
}

// Message boxes carry only OK and the application's own title.
void CorvaneButton::showMessage(QMessageBox::Icon icon, const QString& text) {
    host::MessageBoxService::show(
        {this, icon, QApplication::applicationDisplayName(), text, QMessageBox::Ok});
}

// --- Look and shape ------------------------------------------------------------------------

void CorvaneButton::setButtonType(std::int32_t type) {
    if (isRunMode() || type < 1 || type > 8 || type == m_buttonType)
        return;
    // The rounded looks draw their own face and cannot show a gradient.
    if ((type == 3 || type == 8) && m_colorScheme == 5)
        m_colorScheme = 2;
    m_buttonType = type;
    mark(TypeKey);
    resizeSequence();
}

void CorvaneButton::setButtonStyle(std::int32_t style) {
    if (isRunMode() || style < 0 || style > 3 || style == m_buttonStyle)
        return;
    // Segments are too narrow at their slanted ends for a vertical caption.
    if (style != 0) {
        m_captionOrientation = 0;
        mark(OrientationKey);
    }
    m_buttonStyle = style;
    mark(StyleKey);
    resizeSequence();
}

void CorvaneButton::setColorScheme(std::int32_t scheme) {
    if (isRunMode() || scheme < 1 || scheme > 5 || scheme == m_colorScheme)
        return;
    if (scheme == 5 && ProbePlatform(-1) < 0) {
        showMessage(QMessageBox::Information,
                    QStringLiteral("This option is not available on the following operating systems.") +
                        QStringLiteral("\n\n - Win NT 4 and lower\n - Windows 95 and earlier"));
        return;
    }
    m_colorScheme = scheme;
    for (const QString& key : {SchemeKey, BackKey, ForeKey, MouseOverKey, EmbossMidKey, EmbossShadowKey})
        mark(key);
    if (!customScheme(scheme))
        m_captionStyle = 0;
    RebuildPalette(true);
    RefreshButton();
}

// --- Custom colours ------------------------------------------------------------------------

bool CorvaneButton::allowCustomColour(std::initializer_list<const char*> otherKeys) {
    if (customScheme(m_colorScheme))
        return true;
    if (isRunMode())
        return false;
    m_colorScheme = 2;
    mark(SchemeKey);
    for (const char* key : otherKeys)
        mark(QString::fromLatin1(key));
    return true;
}

void CorvaneButton::setBackColor(host::Colour colour) {
    const host::Colour resolved = host::ResolveColor(colour);
    if (resolved == m_backColor || !allowCustomColour({"FCOL", "FCOLO"}))
        return;
    m_backColor = resolved;
    mark(BackKey);
    RebuildPalette(false);
    PrepareIcon(); // the disabled icon is blended against the face
    RefreshButton();
}

void CorvaneButton::setForeColor(host::Colour colour) {
    const host::Colour resolved = host::ResolveColor(colour);
    if (resolved == m_foreColor || !allowCustomColour({"BCOL", "FCOLO"}))
        return;
    m_foreColor = resolved;
    mark(ForeKey);
    RebuildPalette(false);
    RefreshButton();
}

void CorvaneButton::setMouseOver(host::Colour colour) {
    const host::Colour resolved = host::ResolveColor(colour);
    if (resolved == m_mouseOver || !allowCustomColour({"BCOL", "FCOL"}))
        return;
    m_mouseOver = resolved;
    mark(MouseOverKey);
    RebuildPalette(false);
    RefreshButton();
}

void CorvaneButton::setEmbossEngraveMid(host::Colour colour) {
    const host::Colour resolved = host::ResolveColor(colour);
    if (resolved == m_embossMid || !allowCustomColour({"FCOL", "FCOLO", "BCOL", "EMBOSSS"}))
        return;
    m_embossMid = resolved;
    mark(EmbossMidKey);
    RebuildPalette(false);
    RefreshButton();
}

void CorvaneButton::setEmbossEngraveShadow(host::Colour colour) {
    const host::Colour resolved = host::ResolveColor(colour);
    if (resolved == m_embossShadow || !allowCustomColour({"FCOL", "FCOLO", "BCOL", "EMBOSSM"}))
        return;
    m_embossShadow = resolved;
    mark(EmbossShadowKey);
    RebuildPalette(false);
    RefreshButton();
}

void CorvaneButton::setCaptionStyle(std::int32_t style) {
    if (style < 0 || style > 3 || style == m_captionStyle ||
        !allowCustomColour({"BCOL", "FCOL", "FCOLO", "EMBOSSM", "EMBOSSS"}))
        return;
    m_captionStyle = style;
    RebuildPalette(false);
    mark(CaptionStyleKey);
    RefreshButton();
}

// --- Gradient --------------------------------------------------------------------------------

void CorvaneButton::setGradientStartColor(host::Colour colour) {
    setGradientColour(colour, m_gradientStart, GradientStartKey, GradientStopKey);
}

void CorvaneButton::setGradientStopColor(host::Colour colour) {
    setGradientColour(colour, m_gradientStop, GradientStopKey, GradientStartKey);
}

// Either end of the gradient: setting one in design mode switches the scheme to the gradient
// face, which changes the stored colours and the other end too.
void CorvaneButton::setGradientColour(host::Colour colour, host::Colour& end, const QString& key,
                                      const QString& otherKey) {
    const host::Colour resolved = host::ResolveColor(colour);
    if (resolved == end)
        return;
    if (m_buttonType == 3 || m_buttonType == 8) {
        if (!isRunMode())
            showMessage(
                QMessageBox::Information,
                QStringLiteral("This option is not available for Windowx XP or Machintosh style buttons"));
        return;
    }
    if (m_colorScheme != 5) {
        if (isRunMode())
            return;
        m_colorScheme = 5;
        for (const QString& marked : {SchemeKey, ForeKey, MouseOverKey, BackKey, otherKey})
            mark(marked);
    }
    end = resolved;
    mark(key);
    RebuildPalette(false);
    PrepareIcon();
    RefreshButton();
}

void CorvaneButton::setGradientOrientation(std::int32_t orientation) {
    m_gradientOrientation = orientation;
    // Shown at once in either mode: a gradient that changed direction only at the next
    // hover or click would look like a stale paint.
    if (m_colorScheme == 5) {
        mark(GradientStyleKey);
        RefreshButton();
    }
}

// --- Caption, font, icon -----------------------------------------------------------------------

void CorvaneButton::setCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    parseAccessKey();
    mark(CaptionKey);
    m_layoutDirty = true;
    RefreshButton();
}

void CorvaneButton::setTextFont(const QFont& font) {
    if (font == m_textFont && font == this->font())
        return;
    m_textFont = font;
    setFont(m_textFont);
    mark(FontKey);
    m_layoutDirty = true;
    RefreshButton();
}

void CorvaneButton::setAlignment(std::int32_t alignment) {
    if (isRunMode() || alignment < 0 || alignment > 2 || alignment == m_alignment)
        return;
    m_alignment = alignment;
    mark(AlignmentKey);
    LayoutCaption();
    RefreshButton();
}

void CorvaneButton::setCaptionOrientation(std::int32_t orientation) {
    if (isRunMode() || orientation < 0 || orientation > 2 || orientation == m_captionOrientation)
        return;
    m_captionOrientation = orientation;
    mark(OrientationKey);
    m_layoutDirty = true;
    RefreshButton();
}

void CorvaneButton::setIcon(const QImage& icon) {
    if (icon == m_icon && icon.isNull() == m_icon.isNull())
        return;
    m_icon = icon;
    m_hasIcon = !m_icon.isNull();
    mark(IconKey);
    LayoutCaption();
    PrepareIcon();
    RefreshButton();
}

void CorvaneButton::setIconSize(std::int32_t size) {
    if (isRunMode() || size < 1 || size > 4 || size == m_iconSize)
        return;
    mark(IconSizeKey);
    m_iconSize = size;
    if (m_hasIcon) {
        LayoutCaption();
        PrepareIcon();
        RefreshButton();
    }
}

void CorvaneButton::setIconAlignmentValue(std::int32_t alignment) {
    if (isRunMode() || alignment < 0 || alignment > 1 || alignment == m_iconAlignment)
        return;
    m_iconAlignment = alignment;
    mark(IconAlignmentKey);
    if (m_hasIcon) {
        LayoutCaption();
        RefreshButton();
    }
}

// --- Behaviour -------------------------------------------------------------------------------

void CorvaneButton::setButtonEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    setEnabled(enabled);
    mark(EnabledKey);
    RefreshButton();
}

void CorvaneButton::setShowFocus(bool show) {
    if (isRunMode() || show == m_showFocus)
        return;
    mark(ShowFocusKey);
    m_showFocus = show;
}

// Assigning the current value again is meaningful: a selected option button clears its group.
void CorvaneButton::setValue(bool value) {
    m_value = value;
    if (!m_optionButton)
        return;
    if (value) {
        UncheckGroup();
    } else {
        m_visualState = Idle;
        RefreshButton();
    }
}

void CorvaneButton::setOptionButton(bool option) {
    if (option == m_optionButton)
        return;
    m_optionButton = option;
    if (option) {
        setValue(m_value);
    } else {
        m_visualState = Idle;
        RefreshButton();
    }
}

void CorvaneButton::setGraphicsMode(std::int32_t mode) {
    if (mode == m_graphicsMode)
        return;
    if (mode >= 0) {
        showMessage(QMessageBox::Warning,
                    QStringLiteral("Caution: Using non-default may cause buttons to not "
                                   "display properly on other operating systems."));
    }
    mark(GraphicsModeKey);
    m_graphicsMode = mode;
    m_effectiveGraphicsMode = mode >= 0 ? mode : ProbePlatform(0);
    RefreshButton();
}

void CorvaneButton::setMousePointer(std::int16_t pointer) {
    if (pointer == windowMousePointer())
        return;
    setWindowMousePointer(pointer);
    mark(PointerKey);
}

void CorvaneButton::setMouseIcon(const QImage& icon) {
    if (icon == windowMouseIcon() && icon.isNull() == windowMouseIcon().isNull())
        return;
    setWindowMouseIcon(icon);
    mark(MouseIconKey);
}

// --- Container ---------------------------------------------------------------------------------

QString CorvaneButton::container() const {
    QWidget* window = this->window();
    const QString display = ambientDisplayName();
    QString name = display;
    std::optional<int> index;
    const qsizetype open = display.indexOf(QLatin1Char('('));
    if (open >= 0) {
        name = display.left(open);
        bool ok = false;
        const int parsed = display.mid(open + 1).section(QLatin1Char(')'), 0, 0).trimmed().toInt(&ok);
        if (ok)
            index = parsed;
    }
    // The host finds the instance by its name; an instance it cannot find (no name, or a name
    // shared with a control that is not this one) is still this button.
    const QWidget* control = host::findControl(window, name, index);
    if (!control || !qobject_cast<const CorvaneButton*>(control))
        control = this;
    const QWidget* holder = control->parentWidget();
    if (!holder)
        return QString();
    QString result =
        holder->objectName() == window->objectName() ? window->objectName() : holder->objectName();
    if (const auto holderIndex = host::controlArrayIndex(holder))
        result += QStringLiteral("(%1)").arg(*holderIndex);
    return result;
}

// --- Palette -----------------------------------------------------------------------------------

void CorvaneButton::RebuildPalette(bool reset) {
    PaletteSource source;
    source.colorScheme = m_colorScheme;
    source.backColor = m_backColor;
    source.foreColor = m_foreColor;
    source.mouseOver = m_mouseOver;
    if (m_colorScheme == 4) {
        source.containerBackColor = containerBackColour();
        source.containerTextColor = containerTextColour();
    }
    const PaletteResult result = controls::RebuildPalette(source, reset);
    m_palette = result.palette;
    if (result.embossMid)
        m_embossMid = *result.embossMid;
    if (result.embossShadow)
        m_embossShadow = *result.embossShadow;
    if (result.backColor)
        m_backColor = *result.backColor;
    if (result.foreColor)
        m_foreColor = *result.foreColor;
    if (result.mouseOver)
        m_mouseOver = *result.mouseOver;
}

// --- Repaint, show, resize ---------------------------------------------------------------------

void CorvaneButton::RefreshButton() {
    m_shown = true;
    PaintButton(false);
    update();
}

void CorvaneButton::showEvent(QShowEvent* event) {
    HostedControl::showEvent(event);
    m_shown = true;
    if (m_optionButton && m_value)
        UncheckGroup();
    resizeSequence();
}

void CorvaneButton::resizeEvent(QResizeEvent* event) {
    HostedControl::resizeEvent(event);
    resizeSequence();
}

void CorvaneButton::resizeSequence() {
    if (!m_shown)
        return;
    RebuildRegion();
    // The newest shape replaces the window's previous one.
    setMask(m_region);
    LayoutCaption();
    PrepareIcon();
    RefreshButton();
}

void CorvaneButton::RebuildRegion() {
    m_region = ButtonShape(m_buttonStyle, m_buttonType, width(), height());
}

// --- Caption font --------------------------------------------------------------------------------

void CorvaneButton::CreateCaptionFont(bool layout) {
    // Mode 0 is no mode: the drawing keeps the one it has.
    if (m_effectiveGraphicsMode != 0)
        m_appliedGraphicsMode = m_effectiveGraphicsMode;

    const double twipsPerPixelY = 1440.0 / host::logicalDpi();
    CaptionFontRecord record = MakeCaptionFontRecord(m_textFont, 0, twipsPerPixelY);
    m_captionFont.displaced = m_captionFont.held ? m_captionFont.displaced : font();
    m_captionFont.record = record;
    m_captionFont.font = CaptionFontFromRecord(record);
    m_captionFont.held = true;

    if (m_captionOrientation != 0 && !IsOutlineFont(m_captionFont.font) && !isRunMode())
        showMessage(QMessageBox::Information, QStringLiteral("Non-True Type fonts may not draw vertically"));

    // Captions are measured horizontally, also when they are drawn rotated.
    if (layout)
        LayoutCaption();

    if (m_captionOrientation != 0) {
        m_captionFont.record = MakeCaptionFontRecord(m_textFont, m_captionOrientation, twipsPerPixelY);
        m_captionFont.font = CaptionFontFromRecord(m_captionFont.record);
    }
}

void CorvaneButton::releaseCaptionFont() {
    m_captionFont.held = false;
}

// --- Access key ------------------------------------------------------------------------------------

void CorvaneButton::parseAccessKey() {
    const host::AccessKey key = host::FindAccessKey(m_caption);
    m_accessKeyPosition = key.position;
    setAccessKey(key.character.toLower());
    setAccessibleName(key.displayed);
}

// --- Host lifecycle --------------------------------------------------------------------------------

void CorvaneButton::initProperties() {
    m_enabled = true;
    setEnabled(true);
    const QString display = ambientDisplayName();
    m_caption = display.isEmpty() ? ownName() : display;
    QFont captionFont = ambientFont();
    captionFont.setFamily(CaptionFace);
    setFont(captionFont);
    m_textFont = captionFont;
    m_buttonType = 2;
    m_buttonStyle = 0;
    m_colorScheme = 1;
    m_backColor = systemRgb(host::ButtonFace);
    m_foreColor = systemRgb(host::ButtonText);
    m_gradientStart = host::Colour{0};
    m_gradientStop = host::Colour{0x00FF0000};
    m_gradientOrientation = 0;
    m_alignment = 1;
    m_captionOrientation = 0;
    m_iconSize = 2;
    m_iconAlignment = 0;
    m_graphicsMode = -1;
    m_effectiveGraphicsMode = ProbePlatform(0);
    m_showFocus = true;
    parseAccessKey();
    m_layoutDirty = true;
    RebuildPalette(false);
}

void CorvaneButton::readProperties(host::PropertyReader& reader) {
    // Taken as stored: no range checks, no setter side effects.
    m_buttonType = reader.readInt32(TypeKey, std::int32_t{2});
    m_buttonStyle = reader.readInt32(StyleKey, std::int32_t{0});
    m_value = reader.readBool(ValueKey, false);
    m_optionButton = reader.readBool(OptionKey, false);
    m_caption = reader.readText(CaptionKey, ownName());
    m_enabled = reader.readBool(EnabledKey, true);
    m_textFont = reader.readFont(FontKey, font());
    m_colorScheme = reader.readInt32(SchemeKey, std::int32_t{1});
    m_backColor = reader.readColour(BackKey, systemRgb(host::ButtonFace));
    m_foreColor = reader.readColour(ForeKey, systemRgb(host::ButtonText));
    m_mouseOver = reader.readColour(MouseOverKey, systemRgb(host::ButtonText));
    m_gradientStart = reader.readColour(GradientStartKey, host::Colour{0});
    m_gradientStop = reader.readColour(GradientStopKey, host::Colour{0x00FF0000});
    m_gradientOrientation = reader.readInt32(GradientStyleKey, std::int32_t{0});
    m_embossMid = reader.readColour(EmbossMidKey, m_backColor);
    m_embossShadow = reader.readColour(EmbossShadowKey, systemRgb(host::Highlight));
    setWindowMousePointer(std::int16_t(reader.readInt32(PointerKey, std::int16_t{0})));
    setWindowMouseIcon(reader.readPicture(MouseIconKey));
    m_alignment = reader.readInt32(AlignmentKey, std::int32_t{1});
    m_iconAlignment = reader.readInt32(IconAlignmentKey, std::int32_t{0});
    m_captionStyle = reader.readInt32(CaptionStyleKey, std::int32_t{0});
    m_captionOrientation = reader.readInt32(OrientationKey, std::int32_t{0});
    m_iconSize = reader.readInt32(IconSizeKey, std::int32_t{2});
    m_icon = reader.readPicture(IconKey);
    const std::int32_t platformMode = ProbePlatform(0);
    m_graphicsMode = reader.readInt32(GraphicsModeKey, platformMode);
    m_effectiveGraphicsMode = m_graphicsMode >= 0 ? m_graphicsMode : platformMode;
    m_showFocus = reader.readBool(ShowFocusKey, true);

    // A design made where gradients draw keeps its custom colours where they do not.
    if (ProbePlatform(-1) < 0 && m_colorScheme == 5)
        m_colorScheme = 2;
    setEnabled(m_enabled);
    setFont(m_textFont);
    parseAccessKey();
    m_hasIcon = !m_icon.isNull();
    m_layoutDirty = true;
    RebuildPalette(false);
}

void CorvaneButton::writeProperties(host::PropertyStore& store) const {
    store.writeAlways(IconKey, m_icon);
    store.writeAlways(TypeKey, m_buttonType);
    store.writeAlways(CaptionKey, m_caption);
    store.writeAlways(EnabledKey, m_enabled);
    store.writeAlways(FontKey, m_textFont);
    store.writeAlways(SchemeKey, m_colorScheme);
    store.writeAlways(BackKey, asInt32(m_backColor));
    store.writeAlways(ForeKey, asInt32(m_foreColor));
    store.writeAlways(MouseOverKey, asInt32(m_mouseOver));
    store.writeAlways(EmbossMidKey, asInt32(m_embossMid));
    store.writeAlways(EmbossShadowKey, asInt32(m_embossShadow));
    store.writeAlways(PointerKey, windowMousePointer());
    store.writeAlways(MouseIconKey, windowMouseIcon());
    store.writeAlways(AlignmentKey, m_alignment);
    store.writeAlways(IconAlignmentKey, m_iconAlignment);
    store.writeAlways(OrientationKey, m_captionOrientation);
    store.writeAlways(CaptionStyleKey, m_captionStyle);
    store.writeAlways(IconSizeKey, m_iconSize);
    store.writeAlways(ShowFocusKey, m_showFocus);
    store.writeAlways(StyleKey, m_buttonStyle);
    store.writeAlways(ValueKey, m_value);
    store.writeAlways(OptionKey, m_optionButton);
    store.writeAlways(GradientStartKey, asInt32(m_gradientStart));
    store.writeAlways(GradientStopKey, asInt32(m_gradientStop));
    store.writeAlways(GradientStyleKey, m_gradientOrientation);
    store.writeAlways(GraphicsModeKey, m_graphicsMode);
}

void CorvaneButton::ambientChanged(const QString& name) {
    if (!QStringLiteral("BackColorForeColorFontPalette").contains(name))
        return;
    if (name == QLatin1String("Font")) {
        m_textFont = ambientFont();
        setFont(m_textFont);
        // The caption is laid out anew for the new font.
        m_layoutDirty = true;
        if (m_shown)
            RefreshButton();
    } else if (name == QLatin1String("ForeColor")) {
        RebuildPalette(false);
        RefreshButton();
    } else {
        RebuildPalette(false);
        if (m_colorScheme == 4)
            RefreshButton();
    }
}

} // namespace controls
