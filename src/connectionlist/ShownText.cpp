#include "connectionlist/ShownText.h"

#include <QStringList>
#include <QStringView>

namespace {

// Characters that are invisible, or look like a space, though they are none of the text's
// letters: the Hangul and braille fillers, the combining grapheme joiner, Khmer's inherent
// vowels, Mongolian and other variation selectors.
bool isFiller(char32_t code) {
    return code == 0x115F || code == 0x1160 || code == 0x3164 || code == 0xFFA0 || code == 0x2800 ||
           code == 0x034F || code == 0x17B4 || code == 0x17B5 || (code >= 0x180B && code <= 0x180F) ||
           (code >= 0xFE00 && code <= 0xFE0F) || (code >= 0xE0100 && code <= 0xE01EF);
}

// Control characters (tab, line breaks, C1), format characters (the marks, embeddings,
// overrides and isolates that reorder text, zero-width ones, tags), every space but the
// ordinary one, line and paragraph separators and fillers: each can make a text read as
// another, or push a fake cell into view.
bool hidesOrFakesText(char32_t code) {
    if (code >= 0x20 && code < 0x7f)
        return false; // printable ASCII, nearly every character of a listing: no table look-up
    switch (QChar::category(code)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate: // one without its pair
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return isFiller(code);
    }
}


// Calls visit(code, at, length) for each code point of the text; an unpaired surrogate is one
// of its own.
template <typename Visit> void forEachCodePoint(const QString& text, Visit visit) {
    for (qsizetype at = 0; at < text.size();) {
        char32_t code = text[at].unicode();
        qsizetype length = 1;
        if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[at], text[at + 1]);
            length = 2;
        }
        visit(code, at, length);
        at += length;
    }
}

// Each character of the text, as itself when it is printable ASCII, else as its code.
QStringList codedPieces(const QString& text) {
    QStringList pieces;
    forEachCodePoint(text, [&pieces](char32_t code, qsizetype, qsizetype) {
        pieces << (code >= 0x20 && code < 0x7f
                       ? QString(QChar(char16_t(code)))
                       : QStringLiteral("U+") + QString::number(uint(code), 16).toUpper().rightJustified(4, QLatin1Char('0')));
    });
    return pieces;
}

} // namespace

QString shownText(const QString& text) {
    QString shown;
    qsizetype copied = 0; // text before this index that needs no change yet
    forEachCodePoint(text, [&](char32_t code, qsizetype at, qsizetype length) {
        if (!hidesOrFakesText(code))
            return;
        if (shown.isNull())
            shown.reserve(text.size());
        shown += QStringView(text).mid(copied, at - copied);
        shown += QChar(QChar::ReplacementCharacter);
        copied = at + length;
    });
    if (shown.isNull())
        return text;
    shown += QStringView(text).mid(copied);
    return shown;
}

QString codedText(const QString& text) {
    return codedPieces(text).join(QString());
}

QString codedPathLines(const QString& path, int width) {
    constexpr QChar LeftToRightIsolate(0x2066), PopDirectionalIsolate(0x2069);
    QStringList lines;
    QString line;
    for (const QString& piece : codedPieces(path)) {
        if (!line.isEmpty() && line.size() + piece.size() > width) {
            // Broken after a folder's separator where the line has one, else where it is full.
            const qsizetype separator = line.lastIndexOf(QLatin1Char('/'));
            lines << line.left(separator > 0 ? separator + 1 : line.size());
            line = separator > 0 ? line.mid(separator + 1) : QString();
        }
        line += piece;
    }
    if (!line.isEmpty())
        lines << line;
    for (QString& each : lines)
        each = LeftToRightIsolate + each + PopDirectionalIsolate;
    return lines.join(QLatin1Char('\n'));
}

QString shownPath(const QString& path, os::PathSource source) {
    const QString shown = shownText(path);
    if (path.isEmpty())
        return shown;
    switch (source) {
    case os::PathSource::ExecutableLink:
        break;
    case os::PathSource::CommandLine:
        return shown + QStringLiteral(" (command line)");
    case os::PathSource::ProcessName:
        return shown + QStringLiteral(" (process name)");
    }
    return shown;
}
