#include "controls/check/CheckParts.h"

#include "platform/host/Colours.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace controls {

BoxPicture::BoxPicture(QWidget* parent) : QWidget(parent) {
    setFixedSize(CheckImageSize, CheckImageSize);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void BoxPicture::setPicture(CheckImage image, const QPixmap& pixmap) {
    if (m_image == image)
        return; // assigned again on every hover tick; repaint only on a change
    m_image = image;
    m_pixmap = pixmap;
    update();
}

void BoxPicture::paintEvent(QPaintEvent*) {
    if (m_pixmap.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_pixmap);
}

CaptionPart::CaptionPart(QWidget* parent) : QCheckBox(parent) {
    setBackgroundRole(QPalette::Window); // a button would fill with the button colour
    setAutoFillBackground(true);
    setBackColour(m_back);
    setTextColour(m_text);
}

void CaptionPart::setBackColour(host::Colour colour) {
    m_back = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, host::resolveColour(colour));
    setPalette(p);
}

void CaptionPart::setTextColour(host::Colour colour) {
    m_text = colour;
    QPalette p = palette();
    const QColor resolved = host::resolveColour(colour);
    p.setColor(QPalette::WindowText, resolved);
    p.setColor(QPalette::ButtonText, resolved);
    setPalette(p);
}

void CaptionPart::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The text sits where the style puts a check box's text; the box itself is left out.
    QStyleOptionButton label = option;
    label.rect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    painter.drawControl(QStyle::CE_CheckBoxLabel, label);
    // The focus shows however it came (not only after a Tab, as some styles have it): a dotted
    // frame round the text, every other pixel inverted.
    if (hasFocus()) {
        QPen dots(Qt::white, 0);
        dots.setDashPattern({1, 1});
        painter.setPen(dots);
        painter.setBrush(Qt::NoBrush);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        const QRect frame = style()->subElementRect(QStyle::SE_CheckBoxFocusRect, &option, this);
        painter.drawRect(frame.adjusted(0, 0, -1, -1));
    }
}

} // namespace controls
