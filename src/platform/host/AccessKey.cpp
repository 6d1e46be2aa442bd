#include "platform/host/AccessKey.h"

namespace host {

AccessKey FindAccessKey(const QString& caption) {
    AccessKey key;
    const QChar amp = QLatin1Char('&');
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption.at(i);
        if (c != amp) {
            key.displayed += c;
            continue;
        }
        const bool hasNext = i + 1 < caption.size();
        if (hasNext && caption.at(i + 1) == amp) {
            key.displayed += amp;
            ++i;
            continue;
        }
        // Only the first single "&" marks; a later one, like a trailing one, is dropped.
        if (hasNext && key.character.isNull()) {
            key.character = caption.at(i + 1);
            key.position = int(key.displayed.size()) + 1;
        }
    }
    return key;
}

} // namespace host
