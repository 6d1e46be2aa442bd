#include "controls/dns/DNS.h"

#include "platform/host/Units.h"
#include "platform/os/OperatingSystem.h"

#include <QResizeEvent>

#include <array>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace controls {

namespace {

constexpr int MaxHostNameLength = 255;

// A run of decimal digits and its value, capped so long runs cannot overflow; nothing when
// the text holds anything else (an empty part, a sign, a space).
std::optional<int> decimalValue(QStringView part) {
    if (part.isEmpty())
        return std::nullopt;
    int value = 0;
    for (QChar c : part) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = std::min(value * 10 + (c.unicode() - '0'), 1000);
    }
    return value;
}

std::array<std::uint8_t, 4> addressBytes(const QString& dotted) {
    const auto value = static_cast<std::uint32_t>(DNS::AddressValue(dotted));
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// The resolver hands back a C string in a fixed buffer: the name ends at its first NUL, is
// at most 255 characters long and loses its surrounding spaces (spaces only).
QString hostNameFromEntry(const QString& raw) {
    const qsizetype nul = raw.indexOf(QChar(0));
    QString name = nul >= 0 ? raw.left(nul) : raw;
    name.truncate(MaxHostNameLength);
    qsizetype first = 0;
    qsizetype last = name.size();
    while (first < last && name.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && name.at(last - 1) == QLatin1Char(' '))
        --last;
    return name.mid(first, last - first);
}

// Runs a lookup on a thread of its own and waits for it at most `limit`. The resolver can take
// as long as it likes (a dead name server); past the limit the lookup counts as unanswered and
// its thread is left to finish on its own, holding nothing of the caller's but the shared
// result slot.
template <typename Result>
std::optional<Result> lookUpWithin(std::function<std::optional<Result>()> lookUp,
                                   std::chrono::milliseconds limit) {
    struct Slot {
        std::mutex mutex;
        std::condition_variable answered;
        bool done = false;
        std::optional<Result> result;
    };
    auto slot = std::make_shared<Slot>();
    try {
        std::thread([slot, lookUp = std::move(lookUp)] {
            std::optional<Result> result = lookUp();
            std::lock_guard<std::mutex> lock(slot->mutex);
            slot->result = std::move(result);
            slot->done = true;
            slot->answered.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return std::nullopt; // no thread to be had: the lookup fails as an unanswered one
    }
    std::unique_lock<std::mutex> lock(slot->mutex);
    if (!slot->answered.wait_for(lock, limit, [&] { return slot->done; }))
        return std::nullopt;
    return std::move(slot->result);
}

} // namespace

DNS::DNS(os::OperatingSystem* system, QWidget* parent, host::ControlHost* host)
    : HostedControl(parent, host), m_system(system) {
    startUp();
    resize(sizeHint());
}

DNS::~DNS() {
    cleanUp();
}

// The system resolver here needs no session: start-up cannot fail and clean-up has nothing
// to release. Both stay as the one place where a platform whose resolver keeps a session
// opens and closes it for the lifetime of the instance.
void DNS::startUp() {}
void DNS::cleanUp() {}

bool DNS::IsDottedAddress(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    // Every part before the last dot must be a number of 0 to 255 (leading zeros allowed).
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const auto value = decimalValue(parts.at(i));
        if (!value || *value > 255)
            return false;
    }
    if (parts.size() != 4)
        return false;
    // The last one must be written plainly: its decimal form is exactly the part.
    const QString& last = parts.at(3);
    const auto value = decimalValue(last);
    if (!value || *value > 255 || QString::number(*value) != last)
        return false;
    return text != QLatin1String("255.255.255.255");
}

std::int32_t DNS::AddressValue(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    std::uint32_t value = 0;
    for (qsizetype i = 0; i < std::min<qsizetype>(parts.size(), 4); ++i)
        value |= static_cast<std::uint32_t>(decimalValue(parts.at(i)).value_or(0) & 0xFF) << (8 * i);
    // A fourth number of 128 or more gives the negative value with the same bit pattern.
    return static_cast<std::int32_t>(value);
}

QString DNS::AddressToName(const QString& strIP) {
    QString result;
    if (IsDottedAddress(strIP) && m_system) {
        os::OperatingSystem* system = m_system;
        const std::array<std::uint8_t, 4> address = addressBytes(strIP);
        const auto name = lookUpWithin<QString>([system, address] { return system->lookUpAddress(address); },
                                                m_lookupTimeLimit);
        if (name)
            result = hostNameFromEntry(*name);
    }
    emit ResolveCompleted();
    return result;
}

std::optional<QString> DNS::NameToAddress(const QString& strName) {
    std::optional<QString> result;
    if (IsDottedAddress(strName)) {
        result = strName;
    } else {
        std::optional<std::array<std::uint8_t, 4>> address;
        if (os::OperatingSystem* system = m_system) {
            address = lookUpWithin<std::array<std::uint8_t, 4>>(
                [system, strName] { return system->lookUpHostName(strName); }, m_lookupTimeLimit);
        }
        if (address) {
            QStringList numbers;
            for (std::uint8_t byte : *address)
                numbers << QString::number(unsigned{byte});
            result = numbers.join(QLatin1Char('.'));
        } else {
            raiseError(CantResolveNumber, QStringLiteral("Can't resolve hst"));
        }
    }
    emit ResolveCompleted();
    return result;
}

void DNS::raiseError(std::int32_t number, QString description) {
    emit Error(number, description);
}

void DNS::setVisible(bool visible) {
    // Nothing to see while the program runs; a design shows where the instance sits.
    HostedControl::setVisible(visible && !isRunMode());
}

QSize DNS::sizeHint() const {
    const int side = host::twipsToPixels(FixedExtentTwips);
    return {side, side};
}

void DNS::resizeEvent(QResizeEvent* event) {
    HostedControl::resizeEvent(event);
    if (event->size() != sizeHint())
        resize(sizeHint());
}

// The control designs no properties of its own.
void DNS::readProperties(host::PropertyReader&) {}
void DNS::writeProperties(host::PropertyStore&) const {}

} // namespace controls
