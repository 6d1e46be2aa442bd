#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QToolBar>

class QAction;

namespace widgets {

class ImageList;

// What a click hands over: the button's 1-based position among all buttons and separators,
// its caption and its image index.
struct ToolbarButton {
    int index = 0;
    QString caption;
    int image = 0; // 1-based into the toolbar's image list, 0 for none
    bool separator = false;
};

// A row of captioned buttons with pictures from an image list, and separators. One click
// notification serves every button; handlers tell buttons apart by their caption.
class Toolbar : public QToolBar {
    Q_OBJECT
public:
    explicit Toolbar(QWidget* parent = nullptr);

    void setImageList(ImageList* list);
    ImageList* imageList() const { return m_images; }

    // The new button's position. An "&" in the caption marks the next character as the
    // button's access key ("&&" shows one "&"); the caption handed over is the one shown.
    int addButton(const QString& caption, int image = 0);
    int addSeparator();

    int buttonCount() const { return int(m_buttons.size()); }
    // The button at 1-based `index`; a default (index 0) one outside 1..count.
    ToolbarButton button(int index) const;

    // The widget that shows the button at `index`; null for a separator or outside 1..count.
    QWidget* buttonWidget(int index) const;

    // The action behind the button at `index` (to switch it off, with a tooltip saying why);
    // null for a separator or outside 1..count.
    QAction* buttonAction(int index) const;

    // Clicks the button at `index` as the user would; false when it is no clickable button.
    bool click(int index);

signals:
    void buttonClick(const widgets::ToolbarButton& button);

private:
    void refreshImages();

    struct Entry {
        ToolbarButton button;
        QAction* action = nullptr;
    };
    QList<Entry> m_buttons;
    QPointer<ImageList> m_images;
};

} // namespace widgets
