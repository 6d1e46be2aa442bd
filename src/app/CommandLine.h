#pragma once

#include <optional>
#include <string>
#include <vector>

// What the command line asks for beyond the toolkit's options.
struct ProgramOptions {
    std::vector<std::string> hosts; // one window each; none: this machine
    std::string sshConfig;          // ssh's configuration file for those; empty: the user's own
};

// Answers --help and --version, and refuses arguments the program does not take, before the
// toolkit needs a display. Returns the exit status when the program should end here.
std::optional<int> answerCommandLine(int argc, char** argv, ProgramOptions& options);

// Prints a refusal of an argument as every other one is refused; returns the exit status.
int refuseArgument(const char* what, const char* argument);
