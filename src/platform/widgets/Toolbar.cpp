#include "platform/widgets/Toolbar.h"

#include "platform/host/AccessKey.h"
#include "platform/widgets/ImageList.h"

#include <QAction>
#include <QLayout>

namespace widgets {

Toolbar::Toolbar(QWidget* parent) : QToolBar(parent) {
    setMovable(false);
    setFloatable(false);
    // Captions beside their pictures, and no margin around the row: the bar then fits the
    // height the window leaves it above the list with the usual desktop fonts.
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    if (layout())
        layout()->setContentsMargins(0, 0, 0, 0);
}

void Toolbar::setImageList(ImageList* list) {
    if (m_images == list)
        return;
    if (m_images)
        disconnect(m_images, nullptr, this, nullptr);
    m_images = list;
    if (list) {
        setIconSize(list->imageSize());
        connect(list, &ImageList::changed, this, &Toolbar::refreshImages);
    }
    refreshImages();
}

int Toolbar::addButton(const QString& caption, int image) {
    Entry entry;
    // Handlers see the caption as shown; the button shows, and answers, its access key.
    const QString shown = host::FindAccessKey(caption).displayed;
    entry.button = ToolbarButton{buttonCount() + 1, shown, image, false};
    entry.action = addAction(shown);
    entry.action->setIconText(caption);
    // Each button is a stop of the window's tab order, so the keyboard reaches every command.
    if (QWidget* button = widgetForAction(entry.action))
        button->setFocusPolicy(Qt::TabFocus);
    const ToolbarButton handed = entry.button;
    connect(entry.action, &QAction::triggered, this, [this, handed] { emit buttonClick(handed); });
    m_buttons.append(entry);
    refreshImages();
    return buttonCount();
}

int Toolbar::addSeparator() {
    Entry entry;
    entry.button = ToolbarButton{buttonCount() + 1, QString(), 0, true};
    entry.action = QToolBar::addSeparator();
    m_buttons.append(entry);
    return buttonCount();
}

ToolbarButton Toolbar::button(int index) const {
    if (index < 1 || index > buttonCount())
        return {};
    return m_buttons[index - 1].button;
}

QWidget* Toolbar::buttonWidget(int index) const {
    if (index < 1 || index > buttonCount() || m_buttons[index - 1].button.separator)
        return nullptr;
    return widgetForAction(m_buttons[index - 1].action);
}

QAction* Toolbar::buttonAction(int index) const {
    if (index < 1 || index > buttonCount() || m_buttons[index - 1].button.separator)
        return nullptr;
    return m_buttons[index - 1].action;
}

bool Toolbar::click(int index) {
    if (index < 1 || index > buttonCount() || m_buttons[index - 1].button.separator)
        return false;
    m_buttons[index - 1].action->trigger();
    return true;
}

void Toolbar::refreshImages() {
    for (const Entry& entry : m_buttons) {
        if (entry.button.separator)
            continue;
        const QPixmap image = m_images ? m_images->image(entry.button.image) : QPixmap();
        entry.action->setIcon(image.isNull() ? QIcon() : QIcon(image));
    }
}

} // namespace widgets
