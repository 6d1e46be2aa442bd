#include "platform/host/FileDialogService.h"

#include "platform/host/MessageBoxService.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace host {
namespace {
FileDialogService::Observer& observer() {
    static FileDialogService::Observer instance;
    return instance;
}
} // namespace

QString withDefaultSuffix(const QString& path, const QString& suffix) {
    if (path.isEmpty() || suffix.isEmpty() || QFileInfo(path).fileName().contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + suffix;
}

QString FileDialogService::getSaveFileName(const SaveFileRequest& request) {
    if (observer())
        return withDefaultSuffix(observer()(request), request.defaultSuffix);
    // The desktop's own dialog where the platform offers one. Qt's own adds the suffix before
    // it asks whether to replace a file of that name.
    QFileDialog dialog(request.parent, request.title, request.suggestedPath, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().constFirst();
    const QString path = withDefaultSuffix(chosen, request.defaultSuffix);
    // A desktop dialog that ignored the suffix asked about another name than the one written.
    if (path != chosen && QFileInfo::exists(path) &&
        MessageBoxService::show({request.parent, QMessageBox::Warning, request.title,
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(QDir::toNativeSeparators(path)),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No}) != QMessageBox::Yes)
        return QString();
    return path;
}

void FileDialogService::setObserver(Observer newObserver) {
    observer() = std::move(newObserver);
}

} // namespace host
