#pragma once

#include <QCache>
#include <QHash>
#include <QIcon>
#include <QString>
#include <QStringList>

namespace os {

// Maps executables to the icons their desktop entries name. The entries are read once, by
// readEntries() or else on the first lookup, so asking for the icons of thousands of rows
// costs one hash lookup each.
class DesktopEntryIndex {
public:
    // Reads the desktop entries of these folders (default: the standard application folders).
    explicit DesktopEntryIndex(QStringList applicationFolders = {});

    // Reads the desktop entries unless they were read already. Touches no GUI object, so it
    // may run on another thread as long as nothing else uses the index meanwhile.
    void readEntries();

    // The icon name or file an entry gives for the executable (canonical path), or empty.
    QString iconNameFor(const QString& executablePath);

    // The executable's icon: its desktop entry's icon, else the theme icon named like the
    // executable, else the generic executable icon. The icons of the last ResolvedIconsKept
    // executables asked for are kept, so the same program gets the same icon object (and the
    // renderings Qt keeps for it) at each refresh, while programs that came and went in the
    // past are let go.
    QIcon iconFor(const QString& executablePath);
    static constexpr int ResolvedIconsKept = 128;
    int resolvedIconCount() const { return int(m_resolved.size()); }

    // Resolves an entry's Icon= value: an absolute file, a theme name, or a pixmap by that name.
    static QIcon iconFromName(const QString& name);

    // The program an Exec= line starts: its first word, unquoted; field codes and env
    // assignments are skipped.
    static QString programOfExec(const QString& exec);

private:
    void addEntry(const QString& file);

    QStringList m_folders;
    bool m_built = false;
    QHash<QString, QString> m_iconByExecutable; // canonical path -> Icon= value
    QCache<QString, QIcon> m_resolved{ResolvedIconsKept}; // executable path -> icon
};

} // namespace os
