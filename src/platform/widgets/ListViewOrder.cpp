#include "platform/widgets/ListViewOrder.h"

#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListViewModel.h"

#include <optional>

namespace widgets {
namespace {

// The number a text starts with ("443 (Https)" gives 443); none when it starts otherwise.
std::optional<qint64> leadingNumber(const QString& text) {
    qint64 number = 0;
    qsizetype digits = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        // Ports have five digits at most; longer runs only need to stay ordered, not exact.
        if (number < (qint64(1) << 50))
            number = number * 10 + (c.unicode() - '0');
        ++digits;
    }
    return digits > 0 ? std::optional<qint64>(number) : std::nullopt;
}

} // namespace

ListViewOrder::ListViewOrder(ListViewModel& rows, QObject* parent)
    : QSortFilterProxyModel(parent), m_rows(rows) {
    setSourceModel(&rows);
}

void ListViewOrder::setFilterText(const QString& text) {
    if (text == m_filterText)
        return;
    m_filterText = text;
    invalidateFilter();
}

bool ListViewOrder::textLess(const QString& left, const QString& right, bool numeric) {
    if (numeric) {
        const std::optional<qint64> a = leadingNumber(left);
        const std::optional<qint64> b = leadingNumber(right);
        if (a && b && *a != *b)
            return *a < *b;
        if (a.has_value() != b.has_value())
            return a.has_value();
    }
    return QString::compare(left, right, Qt::CaseInsensitive) < 0;
}

bool ListViewOrder::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    if (m_filterText.isEmpty() || sourceParent.isValid())
        return true;
    for (const QString& text : m_rows.row(sourceRow).texts)
        if (text.contains(m_filterText, Qt::CaseInsensitive))
            return true;
    return false;
}

bool ListViewOrder::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const int column = left.column();
    if (column < 0 || column >= ListRow::ColumnCount)
        return false;
    const bool numeric = column < m_rows.columns().size() && m_rows.columns()[column].numeric;
    return textLess(m_rows.row(left.row()).texts[column], m_rows.row(right.row()).texts[column], numeric);
}

} // namespace widgets
