#pragma once

#include "controls/check/CheckImages.h"
#include "platform/host/Colours.h"

#include <QCheckBox>
#include <QPixmap>
#include <QWidget>

#include <optional>

namespace controls {

// `Picture1`: shows one box picture at its natural 13 x 13 size.
class BoxPicture : public QWidget {
    Q_OBJECT
public:
    explicit BoxPicture(QWidget* parent = nullptr);

    void setPicture(CheckImage image, const QPixmap& pixmap);
    // The picture shown, none before the first assignment.
    std::optional<CheckImage> picture() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<CheckImage> m_image;
    QPixmap m_pixmap;
};

// `Check1`: a system check box used for its caption only. Its own box is never painted (the
// picture lies over where it would be) and its own check state is never read.
class CaptionPart : public QCheckBox {
    Q_OBJECT
public:
    explicit CaptionPart(QWidget* parent = nullptr);

    host::Colour backColour() const { return m_back; }
    void setBackColour(host::Colour colour);
    host::Colour textColour() const { return m_text; }
    void setTextColour(host::Colour colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    host::Colour m_back = host::systemColour(host::ButtonFace); // as a new system check box
    host::Colour m_text{0};
};

} // namespace controls
