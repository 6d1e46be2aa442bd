#pragma once

#include <QProxyStyle>

class QHeaderView;

namespace widgets {

// Draws a header's sort arrow above the section's text, in room the header adds to its height,
// instead of beside it: narrow columns keep their whole caption.
class HeaderSortArrow : public QProxyStyle {
    Q_OBJECT
public:
    // The style lives with the header.
    static void apply(QHeaderView* header);

    // The height the arrow takes above the text, in pixels.
    static constexpr int Room = 6;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
};

} // namespace widgets
