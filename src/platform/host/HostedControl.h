#pragma once

#include "platform/host/ControlHost.h"
#include "platform/host/PropertyStore.h"

#include <QPointer>
#include <QWidget>

class QShortcut;

namespace host {

// Base of every control class: the notifications a host sends an instance, in lifecycle order
// (initialisation in the constructor; then either `create()` for a brand-new instance or
// `load()` with its store; size changes and first display as Qt events; `save()` when a design
// is saved; the destructor), and the services the instance may use (mode flag, ambient values,
// property-changed notification, access keys). Events to the host are each control's own Qt
// signals; a parameter passed by reference may be changed by a directly connected handler.
class HostedControl : public QWidget {
    Q_OBJECT
public:
    explicit HostedControl(QWidget* parent = nullptr, ControlHost* host = nullptr);

    // A host destroyed before its controls leaves them with the program's run-mode host.
    ControlHost& host() const { return m_host ? *m_host : ControlHost::runMode(); }
    void setHost(ControlHost* host);
    bool isRunMode() const { return host().isRunMode(); }

    // The instance's name as the host displays it (its object name, else its class name).
    QString displayName() const;
    QFont ambientFont() const { return host().ambientFont(); }

    // Creation hook of a brand-new instance, which has no stored values.
    void create() { initProperties(); }
    // Hands the instance its stored values.
    void load(const PropertyStore& store);
    // Writes the instance's values into a fresh store.
    PropertyStore save() const;

    // Registers the access key (Alt + character) of the instance on its window.
    void setAccessKey(QChar key);
    QChar accessKey() const { return m_accessKey; }

signals:
    // Sent with a store key on every accepted property assignment.
    void propertyChanged(const QString& key);

protected:
    virtual void initProperties() {}
    virtual void readProperties(PropertyReader& reader) = 0;
    virtual void writeProperties(PropertyStore& store) const = 0;
    virtual void accessKeyPressed() {}
    virtual void ambientChanged(const QString& name) { Q_UNUSED(name); }

    void notifyPropertyChanged(const QString& key) { emit propertyChanged(key); }

private:
    QPointer<ControlHost> m_host;
    QShortcut* m_shortcut = nullptr;
    QChar m_accessKey;
    QMetaObject::Connection m_ambientConnection;
};

} // namespace host
