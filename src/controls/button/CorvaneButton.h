#pragma once

#include "controls/button/ButtonPalette.h"
#include "controls/button/ButtonPlatform.h"
#include "platform/host/HostedControl.h"
#include "platform/host/RetainedSurface.h"

#include <QFont>
#include <QImage>
#include <QLine>
#include <QList>
#include <QMessageBox>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <optional>

class QTimer;

namespace os {
class OperatingSystem;
}

namespace controls {

// A push button that paints itself completely in one of eight looks, shapes its own window
// (slanted segments, rounded corners), takes colours from one of five schemes and can act as an
// option button in a group of buttons sharing a container.
//
// Setters behave as a designer expects: properties marked design-only ignore assignments in
// run mode, out-of-range and unchanged values are ignored, and in design mode every accepted
// change sends the host the store keys it touched.
class CorvaneButton : public host::HostedControl {
    Q_OBJECT
    Q_PROPERTY(std::int32_t ButtonType READ buttonType WRITE setButtonType)
    Q_PROPERTY(std::int32_t ButtonStyle READ buttonStyle WRITE setButtonStyle)
    Q_PROPERTY(std::int32_t ColorScheme READ colorScheme WRITE setColorScheme)
    Q_PROPERTY(host::Colour BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(host::Colour ForeColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(host::Colour MouseOver READ mouseOver WRITE setMouseOver)
    Q_PROPERTY(host::Colour EmbossEngraveMid READ embossEngraveMid WRITE setEmbossEngraveMid)
    Q_PROPERTY(host::Colour EmbossEngraveShadow READ embossEngraveShadow WRITE setEmbossEngraveShadow)
    Q_PROPERTY(std::int32_t CaptionStyle READ captionStyle WRITE setCaptionStyle)
    Q_PROPERTY(host::Colour GradientStartColor READ gradientStartColor WRITE setGradientStartColor)
    Q_PROPERTY(host::Colour GradientStopColor READ gradientStopColor WRITE setGradientStopColor)
    Q_PROPERTY(std::int32_t GradientOrientation READ gradientOrientation WRITE setGradientOrientation)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(QFont Font READ textFont WRITE setTextFont)
    Q_PROPERTY(std::int32_t Alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(std::int32_t CaptionOrientation READ captionOrientation WRITE setCaptionOrientation)
    Q_PROPERTY(QImage Icon READ icon WRITE setIcon)
    Q_PROPERTY(std::int32_t IconSize READ iconSize WRITE setIconSize)
    Q_PROPERTY(std::int32_t IconAlignmentValue READ iconAlignmentValue WRITE setIconAlignmentValue)
    Q_PROPERTY(bool Enabled READ isButtonEnabled WRITE setButtonEnabled)
    Q_PROPERTY(bool ShowFocus READ showFocus WRITE setShowFocus)
    Q_PROPERTY(bool OptionButton READ optionButton WRITE setOptionButton)
    Q_PROPERTY(bool Value READ value WRITE setValue)
    Q_PROPERTY(std::int32_t GraphicsMode READ graphicsMode WRITE setGraphicsMode)
    Q_PROPERTY(std::int16_t MousePointer READ mousePointer WRITE setMousePointer)
    Q_PROPERTY(QImage MouseIcon READ mouseIcon WRITE setMouseIcon)
    Q_PROPERTY(quintptr HWND READ hwnd STORED false)
    Q_PROPERTY(QString Container READ container STORED false)

public:
    enum VisualStateValue : std::int32_t {
        Idle = 0,
        DisabledSnapshot = 1, // only while the disabled icon is rendered
        Pressed = 2,
        Focused = 3,
        Hover = 4,
    };

    // Without an operating system to ask, the platform's version query fails, which answers as
    // a platform that draws gradients and needs no particular graphics mode.
    explicit CorvaneButton(os::OperatingSystem* system = nullptr, QWidget* parent = nullptr,
                           host::ControlHost* host = nullptr);
    ~CorvaneButton() override;

    os::OperatingSystem* operatingSystem() const { return m_system; }
    void setOperatingSystem(os::OperatingSystem* system) { m_system = system; }

    std::int32_t buttonType() const { return m_buttonType; }
    void setButtonType(std::int32_t type);
    std::int32_t buttonStyle() const { return m_buttonStyle; }
    void setButtonStyle(std::int32_t style);
    std::int32_t colorScheme() const { return m_colorScheme; }
    void setColorScheme(std::int32_t scheme);

    host::Colour backColor() const { return m_backColor; }
    void setBackColor(host::Colour colour);
    host::Colour foreColor() const { return m_foreColor; }
    void setForeColor(host::Colour colour);
    host::Colour mouseOver() const { return m_mouseOver; }
    void setMouseOver(host::Colour colour);
    host::Colour embossEngraveMid() const { return m_embossMid; }
    void setEmbossEngraveMid(host::Colour colour);
    host::Colour embossEngraveShadow() const { return m_embossShadow; }
    void setEmbossEngraveShadow(host::Colour colour);
    std::int32_t captionStyle() const { return m_captionStyle; }
    void setCaptionStyle(std::int32_t style);

    host::Colour gradientStartColor() const { return m_gradientStart; }
    void setGradientStartColor(host::Colour colour);
    host::Colour gradientStopColor() const { return m_gradientStop; }
    void setGradientStopColor(host::Colour colour);
    std::int32_t gradientOrientation() const { return m_gradientOrientation; }
    void setGradientOrientation(std::int32_t orientation);

    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    // The caption font (`TextFont`); the window's own font follows it.
    QFont textFont() const { return m_textFont; }
    void setTextFont(const QFont& font);
    std::int32_t alignment() const { return m_alignment; }
    void setAlignment(std::int32_t alignment);
    std::int32_t captionOrientation() const { return m_captionOrientation; }
    void setCaptionOrientation(std::int32_t orientation);

    QImage icon() const { return m_icon; }
    void setIcon(const QImage& icon);
    std::int32_t iconSize() const { return m_iconSize; }
    void setIconSize(std::int32_t size);
    std::int32_t iconAlignmentValue() const { return m_iconAlignment; }
    void setIconAlignmentValue(std::int32_t alignment);

    // The button's own enabled state; setting it also enables or disables the window.
    bool isButtonEnabled() const { return m_enabled; }
    void setButtonEnabled(bool enabled);
    bool showFocus() const { return m_showFocus; }
    void setShowFocus(bool show);
    bool optionButton() const { return m_optionButton; }
    void setOptionButton(bool option);
    bool value() const { return m_value; }
    void setValue(bool value);

    // The mode applied to the caption's drawing (never -1; see requestedGraphicsMode).
    std::int32_t graphicsMode() const { return m_effectiveGraphicsMode; }
    void setGraphicsMode(std::int32_t mode);
    // -1 for the platform's default, else the mode asked for.
    std::int32_t requestedGraphicsMode() const { return m_graphicsMode; }

    std::int16_t mousePointer() const { return windowMousePointer(); }
    void setMousePointer(std::int16_t pointer);
    QImage mouseIcon() const { return windowMouseIcon(); }
    void setMouseIcon(const QImage& icon);

    // The button's window handle: the widget's own address, unique among live windows.
    quintptr hwnd() const { return reinterpret_cast<quintptr>(this); }
    // The name of the window or frame holding the button, with its array index, as
    // "Panel(2)"; buttons with equal texts form one option group.
    QString container() const;

    // Repaints the button now for its current state.
    void RefreshButton();

    // The platform probe for this button's operating system.
    std::int16_t ProbePlatform(std::int16_t query) const;

    // State the painter and the interaction work on, readable for tests and tools.
    std::int32_t visualState() const { return m_visualState; }
    const ButtonPalette& buttonPalette() const { return m_palette; }
    const QRegion& region() const { return m_region; }
    bool hasIcon() const { return m_hasIcon; }
    bool isShown() const { return m_shown; }
    bool isLayoutDirty() const { return m_layoutDirty; }
    // 1-based position of the access key in the displayed caption, 0 for none.
    int accessKeyPosition() const { return m_accessKeyPosition; }
    // The caption font while one exists (between CreateCaptionFont and its release).
    const CaptionFontRecord& captionFontRecord() const { return m_captionFont.record; }
    const QFont& captionFont() const { return m_captionFont.font; }
    bool holdsCaptionFont() const { return m_captionFont.held; }
    // The graphics mode last applied by CreateCaptionFont (0 when none was applied).
    std::int32_t appliedGraphicsMode() const { return m_appliedGraphicsMode; }

    QSize sizeHint() const override { return QSize(81, 33); }
    QSize minimumSizeHint() const override { return QSize(16, 12); }

signals:
    // Raised to the host; handlers connected directly may change the arguments.
    void Click();
    // Button: 1 left, 2 right, 4 middle; Shift: 1 Shift, 2 Ctrl, 4 Alt; X, Y in pixels.
    void MouseDown(short& Button, short& Shift, float& X, float& Y);
    void MouseMove(short& Button, short& Shift, float& X, float& Y);
    void MouseUp(short& Button, short& Shift, float& X, float& Y);
    void KeyPress(short& KeyAscii);
    void KeyDown(short& KeyCode, short& Shift);
    void KeyUp(short& KeyCode, short& Shift);
    void MouseOut();

protected:
    void initProperties() override;
    void readProperties(host::PropertyReader& reader) override;
    void writeProperties(host::PropertyStore& store) const override;
    void ambientChanged(const QString& name) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Sends the property-changed notification in design mode only.
    void mark(const QString& key);
    // The custom-colour rule: true when the assignment may go on (switching to scheme 2 in
    // design mode and marking the given keys); false when it is ignored.
    bool allowCustomColour(std::initializer_list<const char*> otherKeys);
    void setGradientColour(host::Colour colour, host::Colour& end, const QString& key,
                           const QString& otherKey);
    void RebuildPalette(bool reset);
    // Region, caption layout, icon and repaint, once the button has been shown.
    void resizeSequence();
    void RebuildRegion();
    void CreateCaptionFont(bool layout);
    void releaseCaptionFont();
    void parseAccessKey();
    void showMessage(QMessageBox::Icon icon, const QString& text);

    os::OperatingSystem* m_system;

    // Public properties.
    std::int32_t m_buttonType = 2;
    std::int32_t m_buttonStyle = 0;
    std::int32_t m_colorScheme = 1;
    host::Colour m_backColor;
    host::Colour m_foreColor;
    host::Colour m_mouseOver;
    host::Colour m_embossMid;
    host::Colour m_embossShadow;
    std::int32_t m_captionStyle = 0;
    host::Colour m_gradientStart{0};
    host::Colour m_gradientStop{0x00FF0000};
    std::int32_t m_gradientOrientation = 0;
    QString m_caption;
    std::int32_t m_alignment = 1;
    std::int32_t m_captionOrientation = 0;
    QImage m_icon;
    std::int32_t m_iconSize = 2;
    std::int32_t m_iconAlignment = 0;
    bool m_enabled = true;
    bool m_showFocus = true;
    bool m_optionButton = false;
    bool m_value = false;
    std::int32_t m_graphicsMode = -1;

    // Per-instance state.
    std::int32_t m_visualState = Idle; // complemented while a selected option button paints
    std::uint8_t m_lastMouseButton = 1;
    std::uint8_t m_lastKeyCode = 0;
    bool m_hasFocus = false;
    bool m_shown = false; // first show or first repaint; size changes before it are ignored
    bool m_hoverFlag = false;
    bool m_hasIcon = false;
    bool m_clickSuppressed = false; // a right press swallows the next Click
    QRegion m_region;
    ButtonPalette m_palette;

    // One caption line as laid out: its displayed text and box in pixels.
    struct CaptionLine {
        QString text;
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
    };
    QList<CaptionLine> m_captionLines;
    QRect m_captionBlock; // bounding box of the caption lines
    QRect m_focusRect;    // focus indication around the caption block
    int m_accessKeyPosition = 0;
    QLine m_accessKeySegment; // underline of the access-key character
    QPoint m_iconPosition;

    // The caption font and the font it displaced while it is selected for drawing.
    struct CaptionFontState {
        CaptionFontRecord record;
        QFont font;
        QFont displaced;
        bool held = false;
    };
    CaptionFontState m_captionFont;
    bool m_layoutDirty = true;
    std::int32_t m_effectiveGraphicsMode = 0;
    std::int32_t m_appliedGraphicsMode = 0;
    QFont m_textFont;
    QTimer* m_timerHover; // 100 ms, stopped until the pointer moves over the button
    QImage m_picIcon;     // the prepared disabled icon

    // Painting and interaction -------------------------------------------------------------
    // Everything below is the drawing and input half of the button (ButtonPainting.cpp and
    // its companions); the half above calls only these members.
public:
    // Paints the current state; with snapshot, paints as disabled for the icon preparation.
    void PaintButton(bool snapshot = false);
    // Shows the current image at once, then blocks the GUI thread for the given seconds without
    // handling any messages.
    void WaitSeconds(double seconds);

    // What the button shows: the image it paints into, of the window's size. Pixels outside the
    // window shape are painted but not shown.
    const QImage& surface() const { return m_surface.image(); }
    // The caption as laid out: lines, their bounding block, icon position, focus rectangle and
    // access-key underline (from its start to its excluded end).
    const QList<CaptionLine>& captionLines() const { return m_captionLines; }
    QRect captionBlock() const { return m_captionBlock; }
    QRect captionFocusRect() const { return m_focusRect; }
    QPoint iconPosition() const { return m_iconPosition; }
    QLine accessKeySegment() const { return m_accessKeySegment; }
    const QImage& preparedIcon() const { return m_picIcon; }
    bool isHovered() const { return m_hoverFlag; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void accessKeyPressed(QChar key) override;

private:
    // Input settings and the hover timer's connection; run once by the constructor.
    void initInteraction();
    // Lays out the caption lines, the icon position, the focus rectangle and the access-key
    // underline for the current size and font.
    void LayoutCaption();
    // Prepares the disabled icon image against the painted face.
    void PrepareIcon();
    // Clears Value on the other option buttons of this button's group and repaints this one.
    void UncheckGroup();

    // Drawing primitives in the button's pixel conventions (see host::RetainedSurface).
    void DrawBox(int x1, int y1, int x2, int y2, host::Colour colour, bool outlineOnly);
    void BevelRings(host::Colour outerTopLeft, host::Colour outerBottomRight, host::Colour innerTopLeft,
                    host::Colour innerBottomRight, int inset, bool outerOnly);
    // Three caption passes (a colour of -1 skips its pass): c1 at -1, c2 at +1, c3 at 0.
    void DrawCaption(host::Colour c3, host::Colour c2, host::Colour c1);
    void DrawFocus();
    void paintBackground();
    void paintGradient();
    // The painters by look; the state they see may be complemented for a selected option button.
    void paintRaisedLook(bool snapshot); // types 1, 2, 4, 5, 6, 7
    void paintRoundedBlueLook(bool snapshot);
    void paintRoundedGreyLook(bool snapshot);
    void drawDisabledCaption(bool snapshot, bool etched);
    void drawEnabledCaption();
    int slantLeft() const;
    int slantRight() const;

    // Input handling, as notifications arrive; a Button of -1 is the button's own synthetic
    // press or release, which raises no mouse event.
    void handlePress(short button, short shift, float x, float y);
    void handleMove(short button, short shift, float x, float y);
    void handleRelease(short button, short shift, float x, float y);
    void clickNotification();
    void doubleClick();
    void keyDown(short keyCode, short shift);
    void keyUp(short keyCode, short shift);
    void hoverTick();
    void resetState();
    bool isSelectedOption() const { return m_optionButton && m_value; }

    host::RetainedSurface m_surface;
    bool m_clickPending = false; // a press whose release over the button makes a click
};

} // namespace controls
