#include "platform/widgets/HeaderSortArrow.h"

#include <QHeaderView>
#include <QStyleOptionHeader>

namespace widgets {

void HeaderSortArrow::apply(QHeaderView* header) {
    auto* style = new HeaderSortArrow;
    style->setParent(header);
    header->setStyle(style);
}

void HeaderSortArrow::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const {
    const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
    if (element != CE_Header || !header) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The section, then its text below the arrow's room (every section alike, sorted or not),
    // then the arrow centred in that room.
    QStyleOptionHeader plain = *header;
    plain.sortIndicator = QStyleOptionHeader::None;
    QProxyStyle::drawControl(CE_HeaderSection, &plain, painter, widget);
    QStyleOptionHeader label = plain;
    label.rect = subElementRect(SE_HeaderLabel, &plain, widget).adjusted(0, Room, 0, 0);
    QProxyStyle::drawControl(CE_HeaderLabel, &label, painter, widget);
    if (header->sortIndicator == QStyleOptionHeader::None)
        return;
    QStyleOptionHeader arrow = *header;
    arrow.rect = QRect(header->rect.center().x() - Room, header->rect.top() + 1, 2 * Room, Room);
    drawPrimitive(PE_IndicatorHeaderArrow, &arrow, painter, widget);
}

QSize HeaderSortArrow::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                        const QWidget* widget) const {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_HeaderSection)
        result.rheight() += Room;
    return result;
}

} // namespace widgets
