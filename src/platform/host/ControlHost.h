#pragma once

#include <QFont>
#include <QObject>

#include <optional>

namespace host {

enum class HostMode { Run, Design };

// What a window hosting controls tells them: whether a design is being edited or the program
// runs, and the ambient font. The program's windows use the process-wide run-mode host; tests
// and the gallery make design-mode hosts of their own.
class ControlHost : public QObject {
    Q_OBJECT
public:
    explicit ControlHost(HostMode mode = HostMode::Run, QObject* parent = nullptr);

    static ControlHost& runMode();

    HostMode mode() const { return m_mode; }
    bool isRunMode() const { return m_mode == HostMode::Run; }
    void setMode(HostMode mode);

    // The host's font; unset, the application's font.
    QFont ambientFont() const;
    void setAmbientFont(const QFont& font);

    // Tells the controls that an ambient value changed ("BackColor", "ForeColor", "Palette",
    // ...). A change of the application's palette is announced as "Palette" by itself.
    void notifyAmbientChanged(const QString& name) { emit ambientChanged(name); }

signals:
    // Names the ambient value that changed: "UserMode", "Font", "BackColor", "ForeColor" or
    // "Palette".
    void ambientChanged(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HostMode m_mode;
    std::optional<QFont> m_font;
};

} // namespace host
