#include "mainwindow/ListenerNotices.h"

#include "connectionlist/ShownText.h"

QString listenerNoticeText(const NewListener& listener) {
    const QString address =
        listener.address.contains(QLatin1Char(':')) && !listener.address.startsWith(QLatin1Char('['))
            ? QLatin1Char('[') + listener.address + QLatin1Char(']')
            : listener.address;
    const QString user = listener.user.isEmpty() ? QStringLiteral("unknown") : listener.user;
    return shownText(QStringLiteral("%1 (process %2, user %3) now listens on %4 %5:%6")
                         .arg(listener.fileName, QString::number(listener.processId), user,
                              listener.udp ? QStringLiteral("UDP") : QStringLiteral("TCP"), address,
                              QString::number(listener.port)));
}

std::optional<QString> NoticePacer::add(const QString& text, Clock::time_point now) {
    if (m_waiting.empty() && (!m_lastShown || now - *m_lastShown >= Spacing)) {
        m_lastShown = now;
        return text;
    }
    m_waiting.push_back(text);
    return std::nullopt;
}

std::optional<QString> NoticePacer::due(Clock::time_point now) {
    if (m_waiting.empty() || (m_lastShown && now - *m_lastShown < Spacing))
        return std::nullopt;
    QString text = m_waiting.front();
    if (const std::size_t more = m_waiting.size() - 1; more > 0)
        text += more == 1 ? QStringLiteral("\n(and 1 more new listening port)")
                          : QStringLiteral("\n(and %1 more new listening ports)").arg(more);
    m_waiting.clear();
    m_lastShown = now;
    return text;
}

std::optional<NoticePacer::Clock::time_point> NoticePacer::nextDue() const {
    if (m_waiting.empty())
        return std::nullopt;
    return m_lastShown ? *m_lastShown + Spacing : Clock::time_point{};
}
