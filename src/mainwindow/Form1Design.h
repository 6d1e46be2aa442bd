#pragma once

#include "snapshot/ConnectionTable.h"

#include <QString>
#include <QStringList>
#include <Qt>

#include <array>
#include <chrono>
#include <cstdint>

// The main window's design values. Geometry is in twips, column widths in HIMETRIC.
namespace form1design {

// Booleans shared with the other windows are 16-bit, true with all bits set.
inline constexpr std::int16_t True16 = -1;
inline constexpr std::int16_t False16 = 0;

inline const QString Caption = QStringLiteral("Tavren NetStat");

// Client area and its place on the screen.
inline constexpr double ClientLeft = 450, ClientTop = 855, ClientWidth = 12075, ClientHeight = 4260;

struct TwipsRect {
    double left, top, width, height;
};
inline constexpr TwipsRect Toolbar1 = {0, 0, 12075, 540};
inline constexpr TwipsRect ListView1 = {0, 600, 12015, 3135};
inline constexpr TwipsRect StatusBar1 = {0, 3975, 12075, 285};
inline constexpr TwipsRect Progbar = {1200, 3960, 2055, 255};

inline constexpr int ProgbarLook = 2;
inline constexpr int ProgbarMax = 10;
inline constexpr int Timer1Interval = 3000; // milliseconds; disabled at design
// Longest time rows of gone connections stay shown when no refresh comes first.
inline constexpr std::chrono::milliseconds GoneRowLifetime{3000};

// Status panels: panel 1 fixed, panel 2 stretching but never narrower than this.
inline constexpr double Panel1Width = 2000;
inline constexpr double Panel2Minimum = 1500;

// Resize layout: the list is this much narrower than the client area, as designed (12075 -
// 12015); it begins below the toolbar at its design top and ends where the status bar begins.
inline constexpr double ListRightMargin = 60;
// Below this width the status panels would overlap (panel 2 keeps its minimum).
inline constexpr double MinimumClientWidth = 3000;
inline constexpr double ProgbarHeightInset = 80;
inline constexpr double ProgbarTopInset = 50;

// Toolbar buttons in order: caption and picture; an empty caption is a separator. "&" marks
// each button's access key, which the handler does not see.
struct ToolbarEntry {
    const char* caption;
    const char* picture;
};
inline constexpr std::array<ToolbarEntry, 8> ToolbarButtons = {{
    {"&Refresh", ":/mainwindow/pictures/refresh.png"},
    {"&Terminate", ":/mainwindow/pictures/terminate.png"},
    {"", nullptr},
    {"&Options", ":/mainwindow/pictures/options.png"},
    {"S&ysTray", ":/mainwindow/pictures/systray.png"},
    {"E&xit", ":/mainwindow/pictures/exit.png"},
    {"", nullptr},
    {"&About", ":/mainwindow/pictures/about.png"},
}};
inline constexpr int ToolbarImageSize = 16;

inline constexpr std::array<const char*, 3> WindowIconPictures = {":/mainwindow/pictures/window16.png",
                                                                  ":/mainwindow/pictures/window32.png",
                                                                  ":/mainwindow/pictures/window48.png"};

// Status texts of the refresh.
inline const QString LoadingText = QStringLiteral("Loading...");
inline const QString WebAddress = QStringLiteral("www.tavren-netstat.example");
inline const QString VisitText = QStringLiteral("Please Visit ") + WebAddress;
inline const QString LastRefreshedText = QStringLiteral("Last Refreshed: ");
// "1 connection", "2 connections": every count the window says.
inline QString connectionsText(int count) {
    return count == 1 ? QStringLiteral("1 connection") : QStringLiteral("%1 connections").arg(count);
}

// The message panel's text when the list shows fewer connections than there are.
inline QString shownOfTotalText(int shown, int total) {
    return QStringLiteral("Showing %1 of %2").arg(shown).arg(connectionsText(total));
}

// The message panel's text when the listing was longer than the command runner keeps.
inline QString listingCutText(int listed) {
    return QStringLiteral("Showing the first %1: the listing was too long").arg(connectionsText(listed));
}

// The message panel's note on the connections whose owners the listing could not name, each
// kind counted by its own name; empty when there are none. Its tooltip says why for each.
inline QString ownerlessText(const OwnerlessCounts& counts) {
    QStringList notes;
    if (counts.otherUsers > 0)
        notes << QStringLiteral("%1 of other users %2 not shown")
                     .arg(connectionsText(counts.otherUsers),
                          counts.otherUsers == 1 ? QStringLiteral("is") : QStringLiteral("are"));
    if (counts.closing > 0)
        notes << (counts.closing == 1 ? QStringLiteral("1 closing socket not shown")
                                      : QStringLiteral("%1 closing sockets not shown").arg(counts.closing));
    if (counts.notFoundInTime > 0)
        notes << QStringLiteral("owners of %1 not found in time").arg(connectionsText(counts.notFoundInTime));
    return notes.join(QStringLiteral("; "));
}
inline QString ownerlessTip(const OwnerlessCounts& counts) {
    QStringList tips;
    if (counts.otherUsers > 0)
        tips << QStringLiteral(
            "The programs behind some connections belong to other users, whose processes you may not inspect.\n"
            "To see them, install the Tavren NetStat package, which grants its listing command the right\n"
            "to read every socket's owner, or run the program as root.");
    if (counts.closing > 0)
        tips << QStringLiteral("Closing sockets (time-wait and the like) are held by no program any more.");
    if (counts.notFoundInTime > 0)
        tips << QStringLiteral("Some processes hold so many files that their owners could not all be read in time;\n"
                               "those connections are listed with the file \"Unknown\".");
    return tips.join(QStringLiteral("\n\n"));
}

} // namespace form1design
