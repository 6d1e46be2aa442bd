#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// Reverse look-ups of many addresses at once: they run in parallel, and whatever has not
// answered by the deadline stays numeric. Threads still waiting then are left behind; the
// command ends its process right after printing, so they cannot hold it up.
struct HostAddress {
    int family = 0;
    std::array<std::uint8_t, 16> bytes{};
    bool operator==(const HostAddress&) const = default;
};

// One name per address, in the same order; an empty name where no answer came in time.
std::vector<std::string> lookUpHostNames(const std::vector<HostAddress>& addresses,
                                         std::chrono::milliseconds deadline, bool* allAnswered = nullptr);

// Whether a name a reverse look-up gave may be printed as the host: printable ASCII without
// the listing's separators, and nothing that reads as an address. Otherwise the numeric
// address is printed.
bool printableHostName(const char* name);
