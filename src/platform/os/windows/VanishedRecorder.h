#pragma once

#include "platform/os/ConnectionRecorder.h"

#include <condition_variable>
#include <thread>

namespace os::windowsbackend {

// Windows tells of no closed connection, nor of the bytes one moved: this reads the TCP table
// once a second on a thread of its own and records the connections that left it since, with
// their owning process and no byte counts. One shorter than a second is never seen.
class VanishedRecorder : public ConnectionRecorder {
public:
    using ConnectionRecorder::ConnectionRecorder;
    ~VanishedRecorder() override;

    void start() override;
    void stop() override;
    bool countsBytes() const override { return false; }

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace os::windowsbackend
