#include "platform/host/HostedControl.h"

#include "platform/host/Colours.h"
#include "platform/host/ControlArrays.h"
#include "platform/host/MousePointers.h"

#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QShortcut>

namespace host {

HostedControl::HostedControl(QWidget* parent, ControlHost* host) : QWidget(parent) {
    setHost(host);
    watchContainer();
}

void HostedControl::setHost(ControlHost* host) {
    if (!host)
        host = &ControlHost::runMode();
    if (m_host == host)
        return;
    disconnect(m_ambientConnection);
    m_host = host;
    m_ambientConnection = connect(host, &ControlHost::ambientChanged, this,
                                  [this](const QString& name) { ambientChanged(name); });
}

QString HostedControl::displayName() const {
    return objectName().isEmpty()
               ? QString::fromLatin1(metaObject()->className()).section(QLatin1String("::"), -1)
               : objectName();
}

QString HostedControl::ambientDisplayName() const {
    return hostDisplayName(this);
}

QString HostedControl::ownName() const {
    return QString::fromLatin1(metaObject()->className()).section(QLatin1String("::"), -1);
}

namespace {
QPalette containerPalette(const QWidget* container) {
    return container ? container->palette() : QApplication::palette();
}
} // namespace

Colour HostedControl::containerBackColour() const {
    const QWidget* container = parentWidget();
    return fromQColor(
        containerPalette(container).color(container ? container->backgroundRole() : QPalette::Window));
}

Colour HostedControl::containerTextColour() const {
    const QWidget* container = parentWidget();
    return fromQColor(
        containerPalette(container).color(container ? container->foregroundRole() : QPalette::WindowText));
}

void HostedControl::setWindowMousePointer(std::int16_t code) {
    m_mousePointer = code;
    applyMousePointer();
}

void HostedControl::setWindowMouseIcon(const QImage& icon) {
    m_mouseIcon = icon;
    applyMousePointer();
}

void HostedControl::applyMousePointer() {
    if (const auto cursor = cursorForPointer(m_mousePointer, m_mouseIcon))
        setCursor(*cursor);
    else
        unsetCursor();
}

// The container's colours reach the control as ambient changes: the parent widget is watched
// for palette changes, and the one it has now replaces the one it had.
void HostedControl::watchContainer() {
    QWidget* container = parentWidget();
    if (m_watchedContainer == container)
        return;
    if (m_watchedContainer)
        m_watchedContainer->removeEventFilter(this);
    m_watchedContainer = container;
    if (container)
        container->installEventFilter(this);
    m_containerBack = containerBackColour();
    m_containerText = containerTextColour();
}

bool HostedControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_watchedContainer && event->type() == QEvent::PaletteChange) {
        const Colour back = containerBackColour();
        const Colour text = containerTextColour();
        const bool backChanged = back != m_containerBack;
        const bool textChanged = text != m_containerText;
        m_containerBack = back;
        m_containerText = text;
        if (backChanged)
            ambientChanged(QStringLiteral("BackColor"));
        if (textChanged)
            ambientChanged(QStringLiteral("ForeColor"));
    }
    return QWidget::eventFilter(watched, event);
}

void HostedControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ParentChange)
        watchContainer();
    QWidget::changeEvent(event);
}

void HostedControl::load(const PropertyStore& store) {
    PropertyReader reader(store);
    readProperties(reader);
}

PropertyStore HostedControl::save() const {
    PropertyStore store;
    writeProperties(store);
    return store;
}

void HostedControl::setAccessKey(QChar key) {
    delete m_shortcut;
    m_shortcut = nullptr;
    m_accessKey = key;
    if (key.isNull())
        return;
    // The shortcut lives on the control but answers anywhere in its window.
    m_shortcut = new QShortcut(QKeySequence(Qt::ALT | QKeySequence(QString(key.toUpper()))[0].key()), this);
    m_shortcut->setContext(Qt::WindowShortcut);
    connect(m_shortcut, &QShortcut::activated, this, [this, key] { accessKeyPressed(key); });
}

} // namespace host
