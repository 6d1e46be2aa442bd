#include "platform/os/linux/ExecutableIcons.h"

namespace os::linuxbackend {

namespace {

// Without a desktop session (offscreen, bare Xvfb) Qt knows no icon theme; point it at the
// system's icons so the generic executable icon is found.
void ensureIconTheme() {
    if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor"))
        return;
    QStringList paths = QIcon::themeSearchPaths();
    if (!paths.contains(QLatin1String("/usr/share/icons"))) {
        paths.append(QStringLiteral("/usr/share/icons"));
        QIcon::setThemeSearchPaths(paths);
    }
    QIcon::setThemeName(QStringLiteral("Adwaita"));
}

} // namespace

QIcon iconForExecutable(const QString& executablePath) {
    Q_UNUSED(executablePath);
    ensureIconTheme();
    return QIcon::fromTheme(QStringLiteral("application-x-executable"));
}

} // namespace os::linuxbackend
