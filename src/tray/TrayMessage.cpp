#include "tray/TrayMessage.h"

namespace tray {

TrayMessageEvent::TrayMessageEvent(std::uint32_t message, std::uintptr_t firstParameter,
                                   std::uintptr_t secondParameter)
    : QEvent(eventType()), m_message(message), m_first(firstParameter), m_second(secondParameter) {}

QEvent::Type TrayMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace tray
