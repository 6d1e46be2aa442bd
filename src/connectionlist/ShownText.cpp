#include "connectionlist/ShownText.h"

#include <algorithm>

namespace {

bool reordersOrBreaksText(QChar c) {
    const char16_t code = c.unicode();
    if (code >= 0x20 && code < 0x7f)
        return false; // printable ASCII, nearly every character of a listing: no table look-up
    return c.category() == QChar::Other_Control ||               // C0, DEL and C1: tab, CR, LF, NEL
           code == 0x2028 || code == 0x2029 ||                   // line and paragraph separators
           code == 0x061C || code == 0x200E || code == 0x200F || // implicit direction marks
           (code >= 0x202A && code <= 0x202E) ||                 // embeddings and overrides
           (code >= 0x2066 && code <= 0x2069);                   // isolates
}

} // namespace

QString shownText(const QString& text) {
    if (std::none_of(text.cbegin(), text.cend(), reordersOrBreaksText))
        return text;
    QString shown = text;
    std::replace_if(shown.begin(), shown.end(), reordersOrBreaksText, QChar(QChar::ReplacementCharacter));
    return shown;
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
