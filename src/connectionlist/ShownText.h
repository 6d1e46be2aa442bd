#pragma once

#include "platform/os/OperatingSystem.h"

#include <QString>

// Text that another user's process chose (its name, path, command line) as the window shows
// and copies it: control characters (tabs, line breaks), the characters that reorder text
// ("/tmp/<right-to-left override>exe.txt" shows as "txt.exe"), invisible format characters,
// fillers and every space but the ordinary one become U+FFFD, so what the user reads or pastes
// is what is there.
QString shownText(const QString& text);

// A process's path as shown: a path the executable link did not give is marked, for the
// process could have named itself so, as "python3 (command line)".
QString shownPath(const QString& path, os::PathSource source);

// A path as a confirmation shows it before acting on it: every character that is not
// printable ASCII written as its code ("/usr∕lib" as "/usrU+2215lib"), so that no
// look-alike passes for a slash or a letter; cut into lines of at most `width` characters
// (a code is never split), each in a left-to-right isolate, so that no text around it
// reorders it. Whole: nothing is left out however long it is.
QString codedPathLines(const QString& path, int width);
// The same codes, in one line.
QString codedText(const QString& text);
