#pragma once

#include "platform/os/ConnectionRecorder.h"

#include <atomic>
#include <thread>

namespace os::linuxbackend {

// Records TCP sockets as the kernel destroys them: it joins the socket diagnostics' multicast
// groups for IPv4 and IPv6 TCP destruction, which any user may join, and each notice carries
// the socket's ends, its cookie, its owner's user id and its final tcp_info. A connection
// shorter than one sample is counted to the byte.
class DestroyRecorder : public ConnectionRecorder {
public:
    using ConnectionRecorder::ConnectionRecorder;
    ~DestroyRecorder() override;

    void start() override;
    void stop() override;
    bool countsBytes() const override { return true; }

private:
    void run(int netlink, int wake);

    std::thread m_thread;
    int m_wake = -1; // written to end the thread
};

} // namespace os::linuxbackend
