#pragma once

// A tiny memory disk mounted over a test's folder (as root), to see what a full disk does.

#include <QFile>
#include <QString>

#include <sys/mount.h>

namespace testsupport {

class SmallDisk {
public:
    SmallDisk(const QString& folder, int bytes) : m_folder(QFile::encodeName(folder)), m_bytes(bytes) {}
    ~SmallDisk() {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }

    bool mount() {
        const QByteArray options = "size=" + QByteArray::number(m_bytes) + ",mode=0700";
        m_mounted = ::mount("tavren-test", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                            options.constData()) == 0;
        return m_mounted;
    }

    // Writes a file until the disk has no room left.
    bool fill(const QString& file) {
        QFile filler(file);
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size()) {
        }
        return filler.size() > 0;
    }

private:
    QByteArray m_folder;
    int m_bytes;
    bool m_mounted = false;
};

} // namespace testsupport
