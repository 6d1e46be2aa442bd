#pragma once

#include <QEvent>

#include <cstdint>

namespace tray {

// The message the tray icon sends its window, and the mouse codes it carries.
constexpr std::uint32_t TrayCallbackMessage = 1025;

enum MouseCode : std::uint32_t {
    MouseMove = 512,
    LeftButtonDownCode = 513,
    LeftButtonUpCode = 514,
    LeftButtonDoubleClickCode = 515,
    RightButtonDownCode = 516,
    RightButtonUpCode = 517,
    RightButtonDoubleClickCode = 518,
    MiddleButtonDownCode = 519,
    MiddleButtonUpCode = 520,
    MiddleButtonDoubleClickCode = 521,
};

// A window message as the tray integration delivers it to a window: the message number and
// its two parameters. Messages other than the tray callback may travel this way too; the tray
// procedure lets them pass as it does every event it does not handle.
class TrayMessageEvent : public QEvent {
public:
    TrayMessageEvent(std::uint32_t message, std::uintptr_t firstParameter, std::uintptr_t secondParameter);

    static QEvent::Type eventType();

    std::uint32_t message() const { return m_message; }
    std::uintptr_t firstParameter() const { return m_first; }
    std::uintptr_t secondParameter() const { return m_second; }

private:
    std::uint32_t m_message;
    std::uintptr_t m_first;
    std::uintptr_t m_second;
};

} // namespace tray
