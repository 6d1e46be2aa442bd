#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// Rows of texts as comma-separated values in UTF-8: a field that holds a comma, a quote or a
// line break is quoted, with its quotes doubled, and every line ends with CR LF. A field that
// a spreadsheet would run as a formula (it starts with = + - @) is written after an apostrophe,
// so that opening a saved list cannot run what a program's or host's name smuggled into it.
QByteArray csvTable(const QList<QStringList>& rows);
