#pragma once

#include "platform/os/OperatingSystem.h"
#include "snapshot/Yield.h"

#include <QString>

#include <chrono>

// Limits of one run of the connection-listing command.
inline constexpr std::chrono::milliseconds NetstatTimeout{30000};
// Room for 200,000 connections at 256 bytes a line: a numeric line takes under 150, the
// rest is for host names. Output beyond it is cut, and the cut is reported.
inline constexpr qsizetype NetstatListedConnections = 200000;
inline constexpr qsizetype NetstatOutputCap = NetstatListedConnections * 256;
// How often the window yields while it waits for the command: the promise is once per 20 ms,
// and a busy machine wakes a waiting process a few milliseconds late.
inline constexpr std::chrono::milliseconds NetstatYieldInterval{15};

// Runs the companion connection-listing command with "-o" and returns what it printed, or
// an "Error: ..." text when it could not be run or failed. Only complete lines are kept:
// output is cut after its last CRLF, so a line the command did not finish (cut by the cap,
// or by the command dying mid-line) never reaches the parser.
//
// `yield` runs while the command runs (at least every NetstatYieldInterval) and once after it.
// When `failure` is given it receives why the run gave no listing (the error text, the exit
// status or the signal), and is left empty when the command ran and succeeded. When `cut` is
// given it says whether the listing was cut by the cap: it then holds only the first
// connections, and must not be taken for all of them.
//
// `all` adds "-a" (the listening TCP sockets and the UDP endpoints), `numeric` adds "-n"
// (numbers, no names); without them the command runs with "-o" alone.
// `namespaces` adds the option that lists the other network namespaces' connections after the
// machine's own.
struct NetstatOptions {
    bool all = false;
    bool numeric = false;
    bool namespaces = false;
};
QString RunNetstatCommand(os::OperatingSystem& system, const YieldFunction& yield = {},
                          QString* failure = nullptr, bool* cut = nullptr, NetstatOptions options = {});
