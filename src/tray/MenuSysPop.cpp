#include "tray/MenuSysPop.h"

#include <QMenu>

namespace tray {

QMenu* createMenuSysPop(QWidget* parent) {
    auto* menu = new QMenu(QStringLiteral("MenuSysPop"), parent);
    menu->setObjectName(QStringLiteral("MenuSysPop"));
    menu->addAction(QStringLiteral("View"))->setObjectName(QStringLiteral("OpenConMon"));
    menu->addSeparator()->setObjectName(QStringLiteral("Seperator3"));
    menu->addAction(QStringLiteral("Exit"))->setObjectName(QStringLiteral("ExitProg1"));
    return menu;
}

} // namespace tray
