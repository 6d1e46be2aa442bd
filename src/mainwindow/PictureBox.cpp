#include "mainwindow/PictureBox.h"

#include <QPainter>

PictureBox::PictureBox(QSize pixelSize, QWidget* parent)
    : QWidget(parent), m_picture(pixelSize, QImage::Format_ARGB32_Premultiplied) {
    m_picture.fill(Qt::transparent);
    setFixedSize(pixelSize);
}

void PictureBox::clear() {
    m_picture.fill(Qt::transparent);
    update();
}

void PictureBox::drawIcon(const QIcon& icon) {
    {
        QPainter painter(&m_picture);
        icon.paint(&painter, m_picture.rect());
    }
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter(this).drawImage(0, 0, m_picture);
}
