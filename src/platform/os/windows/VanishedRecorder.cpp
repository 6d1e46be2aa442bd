#include "platform/os/windows/VanishedRecorder.h"

#include "platform/os/windows/win32/Win32Api.h"

#include <unordered_map>

namespace os::windowsbackend {

VanishedRecorder::~VanishedRecorder() {
    stop();
}

void VanishedRecorder::start() {
    if (m_thread.joinable())
        return;
    m_stopping = false;
    m_thread = std::thread(&VanishedRecorder::run, this);
}

void VanishedRecorder::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void VanishedRecorder::run() {
    std::unordered_map<ConnectionEnds, std::uint32_t> before; // ends -> owning process
    bool first = true;
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        lock.unlock();
        std::vector<win32::TableSocket> table;
        // A table that could not be read says nothing of what closed.
        if (win32::readSocketTables(win32::TcpConnections, table)) {
            std::unordered_map<ConnectionEnds, std::uint32_t> now;
            for (const win32::TableSocket& socket : table)
                if (socket.state != 11) // time-wait: the connection has already closed
                    now[{socket.ipv6, socket.localAddress, socket.remoteAddress, socket.localPort,
                         socket.remotePort}] = socket.processId;
            std::vector<ClosedSocket> vanished;
            const auto closedAt = std::chrono::system_clock::now();
            for (const auto& [ends, processId] : before)
                if (!now.contains(ends)) {
                    ClosedSocket& entry = vanished.emplace_back();
                    entry.ends = ends;
                    entry.processId = std::int32_t(processId & 0x7fffffffu);
                    entry.closedAt = closedAt;
                }
            if (!first)
                deliver(vanished);
            first = false;
            before.swap(now);
        }
        lock.lock();
        m_wake.wait_for(lock, std::chrono::seconds(1), [this] { return m_stopping; });
    }
}

} // namespace os::windowsbackend
