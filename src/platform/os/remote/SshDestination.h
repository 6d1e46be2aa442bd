#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace os::remote {

// Another host as the user names it: [user@]host[:port], an IPv6 address in brackets when it
// has a port ("[::1]:2222").
struct SshDestination {
    QString user; // empty: ssh's own choice (the configuration, else the local user name)
    QString host;
    std::optional<std::uint16_t> port; // nothing: ssh's own choice
    // As the window's title names it.
    QString shownName() const { return host; }
    // As the user wrote it, for messages that tell the user what to type.
    QString written() const;
};

// Reads a destination, or says why it is refused. It goes to ssh as arguments of their own,
// never through a shell; even so nothing reaches ssh that it could read as an option (a
// leading "-") or that a shell or ssh's own tokens could split (spaces, control characters).
struct DestinationCheck {
    std::optional<SshDestination> destination;
    QString refusal;
};
DestinationCheck readDestination(const QString& text);

} // namespace os::remote
