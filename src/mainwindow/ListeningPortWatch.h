#pragma once

#include "mainwindow/ListenerNotices.h"
#include "snapshot/ConnectionTable.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>

namespace os {
class OperatingSystem;
}

// "Notify on New Listening Ports": while on, looks once a second at the machine's listening
// TCP sockets and unconnected UDP endpoints (a cheap kernel query), and when one appears that
// was not there the second before, lists the connections once to learn its program. A program
// that listens on a port it did not listen on before in this run is announced, at most once a
// second (NoticePacer). What listened when the watch was switched on counts as known.
class ListeningPortWatch : public QObject {
    Q_OBJECT
public:
    // `announce` shows one notice; `stillWanted` is false once the window is going away.
    ListeningPortWatch(os::OperatingSystem& system, std::function<void(const QString&)> announce,
                       std::function<bool()> stillWanted, QObject* parent = nullptr);

    void setWatching(bool on);
    bool isWatching() const { return m_timer.isActive(); }
    // One look now, as the timer takes it.
    void look();

    // A listening socket: protocol, address in numbers, port; or, for what is known, the
    // program's path (its file name where none was read) in place of the address.
    struct Endpoint {
        bool udp = false;
        QString where;
        std::uint16_t port = 0;
        bool operator==(const Endpoint&) const = default;
        friend size_t qHash(const Endpoint& endpoint, size_t seed = 0) {
            return qHashMulti(seed, endpoint.udp, endpoint.where, endpoint.port);
        }
    };

private:
    void learnOwners(const QSet<Endpoint>& listening);
    void showDue();

    os::OperatingSystem& m_system;
    std::function<void(const QString&)> m_announce;
    std::function<bool()> m_stillWanted;
    ConnectionSnapshot m_snapshot; // its own: a refresh of the list may run meanwhile
    QTimer m_timer;
    QTimer m_dueTimer;
    QSet<Endpoint> m_seen;
    QSet<Endpoint> m_known;
    bool m_knowsNothingYet = true; // the first listing only learns what already listens
    bool m_looking = false;
    NoticePacer m_pacer;
};
