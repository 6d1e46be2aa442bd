#include "platform/host/ControlHost.h"

#include <QApplication>
#include <QEvent>

namespace host {

ControlHost::ControlHost(HostMode mode, QObject* parent) : QObject(parent), m_mode(mode) {
    if (auto* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

bool ControlHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
        emit ambientChanged(QStringLiteral("Palette"));
    return QObject::eventFilter(watched, event);
}

ControlHost& ControlHost::runMode() {
    static ControlHost host(HostMode::Run);
    return host;
}

void ControlHost::setMode(HostMode mode) {
    if (mode == m_mode)
        return;
    m_mode = mode;
    emit ambientChanged(QStringLiteral("UserMode"));
}

QFont ControlHost::ambientFont() const {
    return m_font ? *m_font : QApplication::font();
}

void ControlHost::setAmbientFont(const QFont& font) {
    m_font = font;
    emit ambientChanged(QStringLiteral("Font"));
}

} // namespace host
