#include "platform/widgets/ImageList.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace widgets {

namespace {

// One picture, drawn as it is (scaled to the size asked for); selected and disabled looks are
// made by the style at each drawing, as small as the picture is, and kept nowhere.
class PictureIconEngine : public QIconEngine {
public:
    explicit PictureIconEngine(QPixmap picture) : m_picture(std::move(picture)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        return m_picture.size().boundedTo(size);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        QPixmap shown = m_picture.size().boundedTo(size) == m_picture.size()
                            ? m_picture
                            : m_picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (mode == QIcon::Normal || !QApplication::style())
            return shown;
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, shown, &option);
    }
    QIconEngine* clone() const override { return new PictureIconEngine(m_picture); }
    bool isNull() override { return m_picture.isNull(); }

private:
    QPixmap m_picture;
};

} // namespace

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

QIcon ImageList::icon(int index) const {
    const QPixmap picture = image(index);
    return picture.isNull() ? QIcon() : QIcon(new PictureIconEngine(picture));
}

QPixmap ImageList::fitted(const QPixmap& picture) const {
    if (picture.size() == m_imageSize || m_imageSize.isEmpty())
        return picture;
    return picture.scaled(m_imageSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace widgets
