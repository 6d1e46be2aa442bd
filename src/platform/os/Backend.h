#pragma once

#include "platform/os/OperatingSystem.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

// What the platform the program is built for provides beside the OperatingSystem interface.
// Each backend folder (linux/, windows/) implements these; the build picks one.
namespace os {

// The real backend of this platform.
std::unique_ptr<OperatingSystem> makeSystem();

// Replaces the regular file at path (made when missing) with contents, whole or not at all,
// never through a link another user planted in a shared folder. Empty when saved; else why
// not, in words for the user.
QString saveFileContents(const QString& path, const QByteArray& contents);

// An address written in numbers ("127.0.0.1", "::1") to its bytes in network order, IPv4 in
// the first four; false for anything else, a host name included.
bool numericAddressBytes(const QString& text, bool& ipv6, std::array<std::uint8_t, 16>& bytes);

} // namespace os
