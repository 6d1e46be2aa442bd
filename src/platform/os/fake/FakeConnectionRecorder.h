#pragma once

#include "platform/os/ConnectionRecorder.h"

namespace os {

// Hands over the closed connections a test feeds it, as the real recorders' threads do.
class FakeConnectionRecorder : public ConnectionRecorder {
public:
    void start() override { m_running = true; }
    void stop() override { m_running = false; }
    bool countsBytes() const override { return m_countsBytes; }
    bool isRunning() const { return m_running; }

    void setCountsBytes(bool counts) { m_countsBytes = counts; }
    void feed(std::vector<ClosedSocket> sockets, std::uint64_t lost = 0) { deliver(sockets, lost); }

private:
    bool m_running = false;
    bool m_countsBytes = true;
};

} // namespace os
