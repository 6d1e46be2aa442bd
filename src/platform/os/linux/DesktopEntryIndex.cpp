#include "platform/os/linux/DesktopEntryIndex.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

namespace os {
namespace {

// Theme lookups need a theme and the system icon folders, which offscreen and bare X sessions
// do not configure.
void ensureIconTheme() {
    static const bool done = [] {
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString& dir :
             {QStringLiteral("/usr/share/icons"), QStringLiteral("/usr/local/share/icons")})
            if (!paths.contains(dir))
                paths << dir;
        QIcon::setThemeSearchPaths(paths);
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        if (QIcon::fallbackThemeName().isEmpty())
            QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
        return true;
    }();
    Q_UNUSED(done);
}

// Only absolute paths: a bare process name (shown where the path is closed to the user) would
// otherwise be resolved against the program's working folder.
QString canonical(const QString& path) {
    if (!QDir::isAbsolutePath(path))
        return path;
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? path : resolved;
}

} // namespace

DesktopEntryIndex::DesktopEntryIndex(QStringList applicationFolders)
    : m_folders(std::move(applicationFolders)) {
    if (m_folders.isEmpty())
        m_folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
}

QString DesktopEntryIndex::programOfExec(const QString& exec) {
    // Split like a shell would for the simple quoting desktop entries use.
    QStringList words;
    QString word;
    bool quoted = false, inWord = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
            word += exec.at(++i);
            inWord = true;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;
        } else if (c.isSpace() && !quoted) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;

    for (const QString& w : std::as_const(words)) {
        if (w == QLatin1String("env"))
            continue;
        if (w.contains(QLatin1Char('=')) && !w.startsWith(QLatin1Char('/')))
            continue; // VAR=value
        if (w.startsWith(QLatin1Char('%')))
            continue;
        return w;
    }
    return {};
}

void DesktopEntryIndex::addEntry(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&f);
    bool inMain = false;
    QString exec, tryExec, icon;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            if (inMain)
                break; // only the main group names the program
            inMain = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMain)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Exec"))
            exec = value;
        else if (key == QLatin1String("TryExec"))
            tryExec = value;
        else if (key == QLatin1String("Icon"))
            icon = value;
    }
    if (icon.isEmpty())
        return;
    for (const QString& program : {tryExec, programOfExec(exec)}) {
        if (program.isEmpty())
            continue;
        const QString path =
            program.startsWith(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
        if (path.isEmpty())
            continue;
        const QString key = canonical(path);
        if (!m_iconByExecutable.contains(key))
            m_iconByExecutable.insert(key, icon);
    }
}

void DesktopEntryIndex::readEntries() {
    if (m_built)
        return;
    m_built = true;
    for (const QString& folder : std::as_const(m_folders)) {
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            addEntry(it.next());
    }
}

QString DesktopEntryIndex::iconNameFor(const QString& executablePath) {
    readEntries();
    return m_iconByExecutable.value(canonical(executablePath));
}

QIcon DesktopEntryIndex::iconFromName(const QString& name) {
    ensureIconTheme();
    if (name.startsWith(QLatin1Char('/'))) {
        QIcon icon(name);
        if (!icon.isNull() && !icon.availableSizes().isEmpty())
            return icon;
        return {};
    }
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    for (const char* suffix : {".png", ".svg", ".xpm"}) {
        const QString file = QStringLiteral("/usr/share/pixmaps/") + name + QLatin1String(suffix);
        if (QFileInfo::exists(file))
            return QIcon(file);
    }
    return {};
}

QIcon DesktopEntryIndex::iconFor(const QString& executablePath) {
    if (const QIcon* cached = m_resolved.object(executablePath))
        return *cached;

    QIcon icon;
    if (const QString name = iconNameFor(executablePath); !name.isEmpty())
        icon = iconFromName(name);
    if (icon.isNull())
        icon = iconFromName(QFileInfo(executablePath).fileName());
    if (icon.isNull())
        icon = iconFromName(QStringLiteral("application-x-executable"));
    m_resolved.insert(executablePath, new QIcon(icon));
    return icon;
}

} // namespace os
