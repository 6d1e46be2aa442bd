#pragma once

#include <cstdint>
#include <string>
#include <vector>

// TCP port -> service name from the services database, read once in one pass, so that
// thousands of ports cost one read of the database rather than one each.
class ServiceNames {
public:
    // Empty when the port has no service name.
    const std::string& nameOf(std::uint16_t port);

private:
    void load();
    bool m_loaded = false;
    // Per port, where its name is in m_names (0: the empty name), a table small enough to
    // stay in the cache while thousands of rows are written.
    std::vector<std::uint16_t> m_index;
    std::vector<std::string> m_names{std::string()};
};
