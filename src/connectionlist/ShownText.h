#pragma once

#include "platform/os/OperatingSystem.h"

#include <QString>

// Text that another user's process chose (its name, path, command line) as the window shows
// and copies it: control characters (tabs, line breaks) and the characters that reorder text
// ("/tmp/<right-to-left override>exe.txt" shows as "txt.exe") become U+FFFD, so what the user
// reads or pastes is what is there.
QString shownText(const QString& text);

// A process's path as shown: a path the executable link did not give is marked, for the
// process could have named itself so, as "python3 (command line)".
QString shownPath(const QString& path, os::PathSource source);
