#pragma once

#include "platform/os/OperatingSystem.h"
#include "snapshot/Yield.h"

#include <QString>

#include <chrono>

// Limits of one run of the connection-listing command.
inline constexpr std::chrono::milliseconds NetstatTimeout{30000};
inline constexpr qsizetype NetstatOutputCap = 4 * 1024 * 1024;

// Runs the companion connection-listing command with "-o" and returns what it printed, or
// an "Error: ..." text when it could not be run. Output beyond the cap is dropped at a
// line end, so a line is never kept half.
QString RunNetstatCommand(os::OperatingSystem& system, const YieldFunction& yield = {});
