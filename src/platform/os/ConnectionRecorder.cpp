#include "platform/os/ConnectionRecorder.h"

namespace os {

ConnectionRecorder::Batch ConnectionRecorder::take() {
    Batch batch;
    std::lock_guard lock(m_mutex);
    batch.sockets.swap(m_queue);
    batch.dropped = m_dropped;
    m_dropped = 0;
    return batch;
}

QString ConnectionRecorder::failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

void ConnectionRecorder::setFailure(const QString& failure) {
    std::lock_guard lock(m_mutex);
    m_failure = failure;
}

void ConnectionRecorder::deliver(std::vector<ClosedSocket>& sockets, std::uint64_t lost) {
    if (sockets.empty() && lost == 0)
        return;
    bool wasEmpty;
    {
        std::lock_guard lock(m_mutex);
        wasEmpty = m_queue.empty() && m_dropped == 0;
        const std::size_t room = QueueBound - std::min(QueueBound, m_queue.size());
        const std::size_t kept = std::min(room, sockets.size());
        m_queue.insert(m_queue.end(), std::make_move_iterator(sockets.begin()),
                       std::make_move_iterator(sockets.begin() + std::ptrdiff_t(kept)));
        m_dropped += sockets.size() - kept + lost;
    }
    sockets.clear();
    if (wasEmpty)
        emit closed();
}

} // namespace os
