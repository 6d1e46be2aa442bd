#include "mainwindow/ListeningPortWatch.h"

#include "connectionlist/ConnectionLister.h"
#include "platform/os/OperatingSystem.h"

#include <QCoreApplication>
#include <QPointer>

ListeningPortWatch::ListeningPortWatch(os::OperatingSystem& system,
                                       std::function<void(const QString&)> announce,
                                       std::function<bool()> stillWanted, QObject* parent)
    : QObject(parent), m_system(system), m_announce(std::move(announce)),
      m_stillWanted(std::move(stillWanted)) {
    m_timer.setInterval(NoticePacer::Spacing);
    connect(&m_timer, &QTimer::timeout, this, &ListeningPortWatch::look);
    m_dueTimer.setSingleShot(true);
    connect(&m_dueTimer, &QTimer::timeout, this, &ListeningPortWatch::showDue);
}

void ListeningPortWatch::setWatching(bool on) {
    if (on == isWatching())
        return;
    if (!on) {
        m_timer.stop();
        return;
    }
    // What listens now is no news: only what comes after it is.
    m_seen.clear();
    m_knowsNothingYet = true;
    m_timer.start();
    look();
}

void ListeningPortWatch::look() {
    if (m_looking || !isWatching() || !m_stillWanted())
        return;
    QSet<Endpoint> listening;
    for (const os::SocketEndpoint& endpoint : m_system.listeningEndpoints())
        listening.insert({endpoint.udp, endpoint.localAddress, endpoint.localPort});
    const bool somethingNew = !m_seen.contains(listening) || m_knowsNothingYet;
    m_seen = listening;
    if (somethingNew)
        learnOwners(listening);
}

void ListeningPortWatch::learnOwners(const QSet<Endpoint>& listening) {
    QPointer<ListeningPortWatch> alive(this);
    const auto wanted = [alive] { return alive && alive->isWatching() && alive->m_stillWanted(); };
    connectionlist::ConnectionLister::Callbacks callbacks;
    // The window keeps answering while the command runs; no second look starts meanwhile.
    callbacks.pacedYield = [] {};
    callbacks.commandYield = [wanted] {
        if (wanted())
            QCoreApplication::processEvents();
    };
    callbacks.stillWanted = wanted;
    callbacks.stageDone = [wanted](int) { return wanted(); };
    m_looking = true;
    connectionlist::ConnectionLister lister(m_system, m_snapshot);
    const std::optional<connectionlist::Listing> listing = lister.list({{true, true}, true}, callbacks);
    if (!alive)
        return;
    m_looking = false;
    if (!listing || !listing->failure.isEmpty())
        return; // the next new listener tries again
    for (const connectionlist::ConnectionRow& row : listing->rows) {
        const bool listens = row.key.udp || row.state == os::TcpListen;
        // The listing prints a UDP endpoint alike whether it has a peer or not: the kernel's
        // answer tells the unconnected ones.
        if (!listens || !row.localPort ||
            !listening.contains({row.key.udp, row.localAddressText, *row.localPort}))
            continue;
        const QString program = row.programPath.isEmpty() ? row.fileName : row.programPath;
        const Endpoint programPort{row.key.udp, program, *row.localPort};
        if (m_known.contains(programPort))
            continue;
        m_known.insert(programPort);
        if (m_knowsNothingYet)
            continue;
        const QString text = listenerNoticeText(
            {row.fileName, row.processId, row.user, row.key.udp, row.localAddressText, *row.localPort});
        if (const std::optional<QString> now = m_pacer.add(text, NoticePacer::Clock::now()))
            m_announce(*now);
    }
    m_knowsNothingYet = false;
    showDue();
}

void ListeningPortWatch::showDue() {
    const auto now = NoticePacer::Clock::now();
    if (const std::optional<QString> text = m_pacer.due(now))
        m_announce(*text);
    if (const auto next = m_pacer.nextDue())
        m_dueTimer.start(std::max<std::chrono::milliseconds>(
            std::chrono::ceil<std::chrono::milliseconds>(*next - now), std::chrono::milliseconds(1)));
}
