#pragma once

#include "controls/check/CheckImages.h"
#include "platform/host/HostedControl.h"

#include <QPixmap>

#include <array>
#include <cstdint>

class QTimer;

namespace controls {

class BoxPicture;
class CaptionPart;

// A three-valued check box (0 no value, 1 checked, 2 greyed) whose box is one of twelve fixed
// pictures chosen by value and look (idle, pointer over it, pressed, disabled). The caption is a
// system check box's text; a 10 ms timer follows the pointer for the hover look.
//
// Parts, found by object name: "Picture1" (the box), "Check1" (the caption), "Timer1".
class Check : public host::HostedControl {
    Q_OBJECT
    Q_PROPERTY(std::int32_t Value READ value WRITE setValue)
    Q_PROPERTY(bool Enabled READ isCheckEnabled WRITE setCheckEnabled)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)

public:
    explicit Check(QWidget* parent = nullptr, host::ControlHost* host = nullptr);
    ~Check() override;

    // Reading the value puts the resting picture back (a hover look returns on the next tick).
    std::int32_t value();
    // Any number is kept; only 0, 1 and 2 have a picture.
    void setValue(std::int32_t value);
    // The value as it stands, leaving the picture alone.
    std::int32_t shownValue() const { return m_value; }
    // A press and release as Space makes them, for assistive technology.
    void clickAsKeyboardDoes();

    // The control's own enabled state. It is not the widget's: a disabled box keeps its
    // caption focusable, it only ignores the mouse and shows the disabled look and colour.
    bool isCheckEnabled() const { return m_enabled; }
    void setCheckEnabled(bool enabled);

    QString caption() const;
    void setCaption(const QString& caption);
    QFont captionFont() const;
    void setCaptionFont(const QFont& font);
    host::Colour backColor() const;
    void setBackColor(host::Colour colour);
    host::Colour foreColor() const { return m_foreColor; }
    void setForeColor(host::Colour colour);
    host::Colour disabledColor() const { return m_disabledColor; }
    void setDisabledColor(host::Colour colour);

    // The box picture shown now (none before the first assignment).
    std::optional<CheckImage> shownImage() const;
    // The caption's text colour now, which lags the fields until the next layout or enabling.
    host::Colour captionColour() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Raised only while enabled. Handlers connected directly may change the arguments.
    void Click();
    void DblClick();
    // Button: 1 left, 2 right, 4 middle; Shift: 1 Shift, 2 Ctrl, 4 Alt; X, Y in twips from
    // the top left of the part pressed.
    void MouseDown(short& Button, short& Shift, float& X, float& Y);

protected:
    void initProperties() override;
    void readProperties(host::PropertyReader& reader) override;
    void writeProperties(host::PropertyStore& store) const override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void press(short button, short shift, float x, float y);
    // Shows the pressed picture and moves the value on, as a press does after MouseDown.
    void push();
    void spaceKey(bool down);
    void release(short button);
    void doubleClick();
    void hoverTick();
    void layoutParts();

    void showLook(CheckLook look);
    void showRestingImage();
    void startTimerInRunMode();
    void applyOwnBackground(host::Colour colour);
    // Tells assistive technology that the checked state may have moved.
    void announceValue(std::int32_t before);

    BoxPicture* m_picture;
    CaptionPart* m_caption;
    QTimer* m_timer;
    std::array<QPixmap, 12> m_images;

    std::int32_t m_value = 0;
    bool m_enabled = false;
    host::Colour m_foreColor{0};
    host::Colour m_disabledColor{0x00C0C0C0};
    host::Colour m_ownBackColor; // the control's own window, behind the caption
    bool m_shownOnce = false;
    bool m_spaceDown = false;
    // Hover polling stopped only because the control is hidden; it resumes when shown again.
    bool m_hoverPaused = false;
};

} // namespace controls
