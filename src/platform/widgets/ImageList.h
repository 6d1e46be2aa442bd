#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QSize>

namespace widgets {

// A list of same-sized pictures addressed by 1-based position, shared by the views bound to it.
// Pictures of another size are scaled to the list's size when inserted.
class ImageList : public QObject {
    Q_OBJECT
public:
    explicit ImageList(QSize imageSize, QObject* parent = nullptr);

    QSize imageSize() const { return m_imageSize; }
    int count() const { return int(m_images.size()); }

    void clear();
    // Inserts before `position` (1..count + 1); false, and nothing inserted, for any other
    // position or a null picture.
    bool insert(int position, const QImage& picture);
    bool insert(int position, const QPixmap& picture);
    // Appends; the new image's position.
    int append(const QImage& picture);

    // The image at 1-based `index`, or a null pixmap outside 1..count.
    QPixmap image(int index) const;
    // The same image as an icon for views, or a null icon outside 1..count. It draws the
    // image itself and keeps nothing in Qt's pixmap cache: a plain QIcon(pixmap) files a copy
    // there under the pixmap's identity, and as every refresh makes new images, those copies
    // would pile up for as long as the program runs.
    QIcon icon(int index) const;

signals:
    void changed();

private:
    QPixmap fitted(const QPixmap& picture) const;

    QSize m_imageSize;
    QList<QPixmap> m_images;
};

} // namespace widgets
