#include "mainwindow/CsvTable.h"

namespace {

bool startsLikeFormula(const QString& field) {
    if (field.isEmpty())
        return false;
    const QChar first = field.front();
    return first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-') ||
           first == QLatin1Char('@') || first == QLatin1Char('\t') || first == QLatin1Char('\r');
}

QString csvField(const QString& text) {
    QString field = startsLikeFormula(text) ? QLatin1Char('\'') + text : text;
    if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
        field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'))) {
        field.replace(QLatin1Char('"'), QLatin1String("\"\""));
        field = QLatin1Char('"') + field + QLatin1Char('"');
    }
    return field;
}

} // namespace

QByteArray csvTable(const QList<QStringList>& rows) {
    QString text;
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                text += QLatin1Char(',');
            text += csvField(row[i]);
        }
        text += QLatin1String("\r\n");
    }
    return text.toUtf8();
}
