#pragma once

#include "platform/host/HostedControl.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

namespace os {
class OperatingSystem;
}

namespace controls {

// A control without a visible surface that turns host names into dotted IPv4 addresses and
// back through the operating system's resolver. Lookups block the calling thread until the
// resolver answers, but never longer than the lookup time limit: a resolver that has not
// answered by then counts as not knowing the name. Without an operating system to ask, every
// lookup fails as unknown. The operating system is asked from a thread of the lookup's own,
// so it must outlive every lookup (the program's lives for the whole run).
class DNS : public host::HostedControl {
    Q_OBJECT
public:
    // Raised for an unresolvable name; the number every caller can test for.
    static constexpr std::int32_t CantResolveNumber = 9001;

    explicit DNS(os::OperatingSystem* system = nullptr, QWidget* parent = nullptr,
                 host::ControlHost* host = nullptr);
    ~DNS() override;

    static constexpr std::chrono::milliseconds DefaultLookupTimeLimit{5000};

    os::OperatingSystem* operatingSystem() const { return m_system; }
    void setLookupTimeLimit(std::chrono::milliseconds limit) { m_lookupTimeLimit = limit; }
    void setOperatingSystem(os::OperatingSystem* system) { m_system = system; }

    // The host name of a dotted address, or an empty text when it is not an address or the
    // resolver knows no name for it. Raises ResolveCompleted in every case.
    QString AddressToName(const QString& strIP);

    // The dotted address of a host name (the text itself when it already is a dotted
    // address), or nothing when it cannot be resolved. Raises ResolveCompleted in every case.
    std::optional<QString> NameToAddress(const QString& strName);

    // Four decimal numbers of 0 to 255 joined by exactly three dots; the last one written
    // plainly (no sign, leading zero or space); the broadcast address is not accepted.
    static bool IsDottedAddress(const QString& text);

    // The address as the resolver takes it: the first number in the lowest byte. Only
    // meaningful for text that IsDottedAddress accepts.
    static std::int32_t AddressValue(const QString& text);

    // The fixed extent of the control, in twips.
    static constexpr int FixedExtentTwips = 705;

    void setVisible(bool visible) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // Description is passed by reference: a directly connected handler may change it.
    void Error(qint32 Number, QString& Description);
    void ResolveCompleted();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void readProperties(host::PropertyReader& reader) override;
    void writeProperties(host::PropertyStore& store) const override;

private:
    void startUp();
    void cleanUp();
    void raiseError(std::int32_t number, QString description);

    os::OperatingSystem* m_system;
    std::chrono::milliseconds m_lookupTimeLimit = DefaultLookupTimeLimit;
};

} // namespace controls
