#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace host {

// Every file dialog of the program goes through here, so tests can answer it instead of
// blocking on a modal window.
struct SaveFileRequest {
    QWidget* parent = nullptr;
    QString title;
    QString suggestedPath;
    QString filter; // as QFileDialog takes it: "CSV files (*.csv);;All files (*)"
    // Added, after a dot, to a chosen file name that has no suffix of its own ("csv").
    QString defaultSuffix;
};

// The path with ".suffix" added when its file name holds no dot ("list" becomes "list.csv";
// "list.txt", "list." and ".csv" stay as typed), as the file dialog itself does.
QString withDefaultSuffix(const QString& path, const QString& suffix);

class FileDialogService {
public:
    using Observer = std::function<QString(const SaveFileRequest&)>;

    // The desktop's dialog for a file to save to: the chosen path, or empty when cancelled.
    // With an observer installed the observer answers instead and nothing is shown.
    static QString getSaveFileName(const SaveFileRequest& request);

    // Installs an observer for tests; an empty one restores the real dialog.
    static void setObserver(Observer observer);
};

} // namespace host
