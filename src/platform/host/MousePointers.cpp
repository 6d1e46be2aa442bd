#include "platform/host/MousePointers.h"

#include <QPixmap>

namespace host {

std::optional<QCursor> cursorForPointer(std::int16_t code, const QImage& mouseIcon) {
    switch (code) {
    case ArrowPointer:
    case IconPointer: // no own shape here; the arrow is the nearest
        return QCursor(Qt::ArrowCursor);
    case CrossPointer:
        return QCursor(Qt::CrossCursor);
    case IBeamPointer:
        return QCursor(Qt::IBeamCursor);
    case SizePointer:
    case SizeAllPointer:
        return QCursor(Qt::SizeAllCursor);
    case SizeNESWPointer:
        return QCursor(Qt::SizeBDiagCursor);
    case SizeNSPointer:
        return QCursor(Qt::SizeVerCursor);
    case SizeNWSEPointer:
        return QCursor(Qt::SizeFDiagCursor);
    case SizeWEPointer:
        return QCursor(Qt::SizeHorCursor);
    case UpArrowPointer:
        return QCursor(Qt::UpArrowCursor);
    case HourglassPointer:
        return QCursor(Qt::WaitCursor);
    case NoDropPointer:
        return QCursor(Qt::ForbiddenCursor);
    case ArrowHourglassPointer:
        return QCursor(Qt::BusyCursor);
    case ArrowQuestionPointer:
        return QCursor(Qt::WhatsThisCursor);
    case CustomPointer:
        if (mouseIcon.isNull())
            return std::nullopt;
        return QCursor(QPixmap::fromImage(mouseIcon));
    default:
        return std::nullopt;
    }
}

} // namespace host
