#include "platform/os/Backend.h"

#include "platform/os/linux/FileSaving.h"
#include "platform/os/linux/LinuxSystem.h"

#include <arpa/inet.h>

namespace os {

std::unique_ptr<OperatingSystem> makeSystem() {
    return std::make_unique<LinuxSystem>();
}

QString saveFileContents(const QString& path, const QByteArray& contents) {
    return linuxbackend::saveFileContents(path, contents);
}

bool numericAddressBytes(const QString& text, bool& ipv6, std::array<std::uint8_t, 16>& bytes) {
    const QByteArray latin = text.toLatin1();
    bytes.fill(0);
    if (::inet_pton(AF_INET, latin.constData(), bytes.data()) == 1) {
        ipv6 = false;
        return true;
    }
    ipv6 = true;
    // A link-local address carries its zone ("fe80::1%lo"); the bytes are the address's own.
    const qsizetype zone = latin.indexOf('%');
    return ::inet_pton(AF_INET6, (zone < 0 ? latin : latin.left(zone)).constData(), bytes.data()) == 1;
}

} // namespace os
