#include "platform/widgets/ImageList.h"

namespace widgets {

ImageList::ImageList(QSize imageSize, QObject* parent) : QObject(parent), m_imageSize(imageSize) {}

void ImageList::clear() {
    if (m_images.isEmpty())
        return;
    m_images.clear();
    emit changed();
}

bool ImageList::insert(int position, const QImage& picture) {
    if (picture.isNull())
        return false;
    return insert(position, QPixmap::fromImage(picture));
}

bool ImageList::insert(int position, const QPixmap& picture) {
    if (position < 1 || position > count() + 1 || picture.isNull())
        return false;
    m_images.insert(position - 1, fitted(picture));
    emit changed();
    return true;
}

int ImageList::append(const QImage& picture) {
    return insert(count() + 1, picture) ? count() : 0;
}

QPixmap ImageList::image(int index) const {
    if (index < 1 || index > count())
        return {};
    return m_images[index - 1];
}

QPixmap ImageList::fitted(const QPixmap& picture) const {
    if (picture.size() == m_imageSize || m_imageSize.isEmpty())
        return picture;
    return picture.scaled(m_imageSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace widgets
