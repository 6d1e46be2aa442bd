#pragma once

#include "platform/os/OperatingSystem.h"
#include "platform/os/remote/SshDestination.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace os::remote {

struct SshSettings {
    SshDestination destination;
    QString configFile; // ssh's -F; empty: the user's own configuration
    // A refresh that takes longer (a host that stopped answering) fails, and the next one
    // connects anew.
    std::chrono::milliseconds timeout{20000};
};

// What one run of a script on the other host gave.
struct SshAnswer {
    QByteArray output;
    bool truncated = false; // longer than the cap: only its beginning is kept
    QString failure;        // empty when ssh and the script ran; else why not, for the status bar
};

// The system's OpenSSH client, never a shell: one master connection per window, kept in a
// control socket in the user's private runtime folder, so that a refresh costs a session on
// it rather than a handshake. Strict host keys and no prompts: a refresh never waits for the
// user, and a host whose key is unknown or changed is refused.
class SshTransport {
public:
    explicit SshTransport(SshSettings settings);
    // Tells the master to end and removes its control socket.
    ~SshTransport();
    SshTransport(const SshTransport&) = delete;
    SshTransport& operator=(const SshTransport&) = delete;

    // Runs a POSIX shell script there ("sh -s", the script on its standard input). Safe to
    // call from any thread; `yield` runs on the caller's while ssh runs.
    // `timeout` overrides the settings' limit.
    SshAnswer run(const QByteArray& script, qsizetype outputCap, const std::function<void()>& yield,
                  std::optional<std::chrono::milliseconds> timeout = std::nullopt) const;

    const SshSettings& settings() const { return m_settings; }
    // What ssh is given to run `command` there over this window's master connection.
    QStringList arguments(const QStringList& command = {QStringLiteral("sh"), QStringLiteral("-s")}) const;
    const QString& controlPath() const { return m_controlPath; }

    // Control sockets that a program which ended without closing its windows left behind:
    // their masters are told to end and the sockets removed.
    static void removeLeftControlSockets();

private:
    QString failureOf(const CommandResult& result) const;

    SshSettings m_settings;
    QString m_controlPath; // empty when no private folder could be had
    QString m_folderProblem;
};

// The system's ssh client, by its absolute path.
inline constexpr char SshProgram[] = "/usr/bin/ssh";

} // namespace os::remote
