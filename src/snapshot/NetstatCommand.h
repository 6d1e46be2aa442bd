#pragma once

#include "platform/os/OperatingSystem.h"
#include "snapshot/Yield.h"

#include <QString>

#include <chrono>

// Limits of one run of the connection-listing command.
inline constexpr std::chrono::milliseconds NetstatTimeout{30000};
inline constexpr qsizetype NetstatOutputCap = 4 * 1024 * 1024;

// Runs the companion connection-listing command with "-o" and returns what it printed, or
// an "Error: ..." text when it could not be run or failed. Only complete lines are kept:
// output is cut after its last CRLF, so a line the command did not finish (cut by the cap,
// or by the command dying mid-line) never reaches the parser.
//
// When `failure` is given it receives why the run gave no listing (the error text, the exit
// status or the signal), and is left empty when the command ran and succeeded.
QString RunNetstatCommand(os::OperatingSystem& system, const YieldFunction& yield = {},
                          QString* failure = nullptr);
