#include "platform/host/FileDialogService.h"

#include <QFileDialog>

namespace host {
namespace {
FileDialogService::Observer& observer() {
    static FileDialogService::Observer instance;
    return instance;
}
} // namespace

QString FileDialogService::getSaveFileName(const SaveFileRequest& request) {
    if (observer())
        return observer()(request);
    // The static call uses the desktop's own dialog where the platform offers one; it also
    // asks before replacing an existing file.
    return QFileDialog::getSaveFileName(request.parent, request.title, request.suggestedPath, request.filter);
}

void FileDialogService::setObserver(Observer newObserver) {
    observer() = std::move(newObserver);
}

} // namespace host
