#include "platform/host/HostedControl.h"

#include <QKeySequence>
#include <QShortcut>

namespace host {

HostedControl::HostedControl(QWidget* parent, ControlHost* host) : QWidget(parent) {
    setHost(host);
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
    connect(m_shortcut, &QShortcut::activated, this, [this] { accessKeyPressed(); });
}

} // namespace host
