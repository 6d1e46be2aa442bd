#pragma once

#include <optional>

// Answers --help and --version, and refuses arguments the program does not take, before the
// toolkit needs a display. Returns the exit status when the program should end here.
std::optional<int> answerCommandLine(int argc, char** argv);
