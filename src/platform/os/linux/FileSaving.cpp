#include "platform/os/linux/FileSaving.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os::linuxbackend {

namespace {

const QString ForeignLinkText = QStringLiteral(
    "It is a link that another user placed in a shared folder; the list is not saved through it.");
const QString NotRegularText = QStringLiteral("It is not a regular file.");
constexpr int MostLinks = 40; // as many as the kernel follows in one path

// The link would lead the user's file wherever another user chose: it lies in a sticky folder
// anyone may write to, and neither the user nor the folder's owner made it.
bool isForeignLinkInSharedFolder(const struct stat& link, const struct stat& folder) {
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return shared && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid;
}

struct SaveTarget {
    QByteArray path; // absolute, without links; the file may not exist yet
    QString refusal;
};

QByteArray readLink(const QByteArray& path) {
    QByteArray target(4096, Qt::Uninitialized);
    const ssize_t length = ::readlink(path.constData(), target.data(), target.size());
    if (length <= 0 || length >= target.size())
        return {};
    target.truncate(length);
    return target;
}

// Walks the path one name at a time, following each link only where the rule allows it.
SaveTarget resolveLinks(const QByteArray& absolutePath) {
    QList<QByteArray> pending = absolutePath.split('/');
    QByteArray walked; // "" is the root
    int links = 0;
    while (!pending.isEmpty()) {
        const QByteArray name = pending.takeFirst();
        if (name.isEmpty() || name == ".")
            continue;
        if (name == "..") {
            walked.truncate(std::max<qsizetype>(0, walked.lastIndexOf('/')));
            continue;
        }
        const QByteArray next = walked + '/' + name;
        struct stat entry;
        if (::lstat(next.constData(), &entry) != 0) {
            const bool last = std::all_of(pending.begin(), pending.end(), [](const QByteArray& rest) {
                return rest.isEmpty() || rest == ".";
            });
            if (errno == ENOENT && last)
                return {next, {}};
            return {{}, errorText(errno)};
        }
        if (!S_ISLNK(entry.st_mode)) {
            walked = next;
            continue;
        }
        struct stat folder;
        if (::stat(walked.isEmpty() ? "/" : walked.constData(), &folder) != 0)
            return {{}, errorText(errno)};
        if (isForeignLinkInSharedFolder(entry, folder))
            return {{}, ForeignLinkText};
        const QByteArray target = readLink(next);
        if (++links > MostLinks || target.isEmpty())
            return {{}, errorText(target.isEmpty() ? ENAMETOOLONG : ELOOP)};
        if (target.startsWith('/'))
            walked.clear();
        pending = target.split('/') + pending;
    }
    return {walked.isEmpty() ? QByteArray("/") : walked, {}};
}

// Opens a new file beside target under a name no one else holds.
int openBeside(const QByteArray& target, QByteArray& temporary) {
    const qsizetype slash = target.lastIndexOf('/');
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target.left(slash + 1) + '.' + target.mid(slash + 1) + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".part";
        const int file =
            ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (file >= 0 || errno != EEXIST)
            return file;
    }
    return -1;
}

// errno of the first step that failed; 0 when every byte reached the disk.
int writeWhole(int file, const QByteArray& contents) {
    for (qsizetype done = 0; done < contents.size();) {
        const ssize_t written = ::write(file, contents.constData() + done, size_t(contents.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : ENOSPC;
        done += written;
    }
    if (::fsync(file) != 0 && errno != EINVAL) // EINVAL: a file system that keeps nothing to sync
        return errno;
    return 0;
}

} // namespace

QString errorText(int errorCode) {
    char buffer[256];
    return QString::fromLocal8Bit(::strerror_r(errorCode, buffer, sizeof(buffer)));
}

QString saveFileContents(const QString& path, const QByteArray& contents) {
    const SaveTarget target = resolveLinks(QFile::encodeName(QFileInfo(path).absoluteFilePath()));
    if (!target.refusal.isEmpty())
        return target.refusal;
    struct stat existing;
    const bool exists = ::lstat(target.path.constData(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return NotRegularText;

    QByteArray temporary;
    const int file = openBeside(target.path, temporary);
    if (file < 0)
        return errorText(errno);
    int failure = 0;
    if (exists && ::fchmod(file, existing.st_mode & 07777) != 0)
        failure = errno;
    if (!failure)
        failure = writeWhole(file, contents);
    if (::close(file) != 0 && !failure)
        failure = errno;
    if (!failure && ::rename(temporary.constData(), target.path.constData()) != 0)
        failure = errno;
    if (failure) {
        ::unlink(temporary.constData());
        return errorText(failure);
    }
    return {};
}

} // namespace os::linuxbackend
