#pragma once

// Runs code as the unprivileged user "nobody", for tests (run as root) of what a normal user
// may see.

#include <QByteArray>
#include <QFile>

#include <functional>
#include <optional>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

struct OtherUser {
    uid_t uid;
    gid_t gid;
};

// Nothing when this process cannot become another user.
inline std::optional<OtherUser> unprivilegedUser() {
    const passwd* entry = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
    if (!entry || entry->pw_uid == 0)
        return std::nullopt;
    return OtherUser{entry->pw_uid, entry->pw_gid};
}

// A child process that became the user and runs body, which ends it (exec or _exit). Its
// standard output is the read end `output`, a pipe of pipeSize bytes when given.
struct ChildAs {
    pid_t pid = -1;
    int output = -1;

    // `asRoot` runs first, before the child gives up root (a private mount, for instance).
    ChildAs(const OtherUser& user, const std::function<void()>& body, int pipeSize = 0,
            const std::function<bool()>& asRoot = {}) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return;
        if (pipeSize > 0)
            ::fcntl(ends[0], F_SETPIPE_SZ, pipeSize);
        pid = ::fork();
        if (pid == 0) {
            ::dup2(ends[1], STDOUT_FILENO);
            if ((!asRoot || asRoot()) && ::setgroups(0, nullptr) == 0 && ::setgid(user.gid) == 0 &&
                ::setuid(user.uid) == 0)
                body();
            ::_exit(127);
        }
        ::close(ends[1]);
        output = ends[0];
    }
    ~ChildAs() { finish(); }

    // Everything the child prints, once it has ended; exitCode -1 when a signal ended it.
    QByteArray finish(int* exitCode = nullptr) {
        QByteArray text;
        QFile pipe;
        if (output >= 0 && pipe.open(output, QIODevice::ReadOnly, QFile::AutoCloseHandle))
            text = pipe.readAll();
        output = -1;
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid && exitCode)
            *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid = -1;
        return text;
    }
};

// A body that runs program with one argument.
inline std::function<void()> execute(const QByteArray& program, const QByteArray& argument) {
    return [program, argument] {
        ::execl(program.constData(), program.constData(), argument.constData(), nullptr);
    };
}

} // namespace testsupport
