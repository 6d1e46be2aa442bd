#pragma once

#include "platform/host/ControlHost.h"
#include "platform/host/PropertyStore.h"

#include <QImage>

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
    // The host's display name of the instance: its object name, with "(index)" for an element
    // of a control array; empty when the instance has no name.
    QString ambientDisplayName() const;
    // The name of the control class itself.
    QString ownName() const;
    QFont ambientFont() const { return host().ambientFont(); }

    // Background and text colours of the window the control sits in (its parent widget), as
    // that window's own drawing gives them; the application's window colours without a parent.
    Colour containerBackColour() const;
    Colour containerTextColour() const;

    // The pointer shape of the control's window by its code (0 default, 1 arrow, 2 cross,
    // 3 I-beam, ... 99 the custom pointer from the mouse icon); an unknown code shows the
    // default pointer but reads back as set.
    std::int16_t windowMousePointer() const { return m_mousePointer; }
    void setWindowMousePointer(std::int16_t code);
    QImage windowMouseIcon() const { return m_mouseIcon; }
    void setWindowMouseIcon(const QImage& icon);

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
    // The user typed the registered access key (the character as registered).
    virtual void accessKeyPressed(QChar key) { Q_UNUSED(key); }
    // An ambient value of the host changed: "UserMode", "Font", "BackColor", "ForeColor" or
    // "Palette". The container's colours count as ambient: a palette change of the parent
    // widget arrives as "BackColor" and / or "ForeColor".
    virtual void ambientChanged(const QString& name) { Q_UNUSED(name); }

    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

    void notifyPropertyChanged(const QString& key) { emit propertyChanged(key); }

private:
    void watchContainer();
    void applyMousePointer();

    QPointer<ControlHost> m_host;
    QShortcut* m_shortcut = nullptr;
    QChar m_accessKey;
    QMetaObject::Connection m_ambientConnection;
    QPointer<QWidget> m_watchedContainer;
    Colour m_containerBack;
    Colour m_containerText;
    std::int16_t m_mousePointer = 0;
    QImage m_mouseIcon;
};

} // namespace host
