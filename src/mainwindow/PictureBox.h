#pragma once

#include <QIcon>
#include <QImage>
#include <QWidget>

// A hidden drawing surface of fixed pixel size. What is drawn on it stays as its picture
// until the next clear, and the picture is what the process-icon lists receive.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(QSize pixelSize, QWidget* parent = nullptr);

    void clear();
    // Draws the icon at (0, 0) over what is there, keeping its transparency.
    void drawIcon(const QIcon& icon);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};
