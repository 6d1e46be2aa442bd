#pragma once

#include <QChar>
#include <QString>

namespace host {

// A caption's access key: "&" marks the next character, "&&" stands for a literal "&".
struct AccessKey {
    QChar character;   // as written in the caption; null when there is none
    int position = 0;  // 1-based index of that character in the displayed text; 0 for none
    QString displayed; // the caption as shown: pairs made single, the marking "&" removed
};

AccessKey FindAccessKey(const QString& caption);

} // namespace host
