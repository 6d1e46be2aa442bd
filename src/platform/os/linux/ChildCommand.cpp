#include "platform/os/linux/ChildCommand.h"

#include "platform/os/CommandClock.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace os::linuxbackend {

namespace {

// Reaps the child, waiting at most until the deadline, and notes how it ended; false when it
// is still running.
bool reapBefore(pid_t child, CommandClock& clock, CommandResult& result) {
    int delay = 1;
    for (;;) {
        int status = 0;
        pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            if (WIFEXITED(status))
                result.exitCode = WEXITSTATUS(status);
            else if (WIFSIGNALED(status))
                result.signal = WTERMSIG(status);
            return true;
        }
        if (done < 0 && errno != EINTR)
            return true; // reaped elsewhere (SIGCHLD ignored): how it ended cannot be known
        clock.yieldWhenDue();
        if (clock.expired())
            return false;
        ::usleep(static_cast<useconds_t>(std::min(delay, std::max(clock.sliceMilliseconds(), 1)) * 1000));
        delay = std::min(delay * 2, 20);
    }
}

void killAndReap(pid_t child) {
    ::kill(child, SIGKILL);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// One pipe the runner reads while the child runs, kept up to a cap and drained past it, so the
// child never blocks on a full pipe.
struct Drain {
    int fd = -1;
    QByteArray* kept = nullptr;
    qsizetype cap = 0;
    bool* truncated = nullptr;
};

// Reads what is there; false at end of file or on a failure (errno set, 0 at end of file).
bool drainOnce(Drain& drain) {
    char chunk[64 * 1024];
    ssize_t length = ::read(drain.fd, chunk, sizeof(chunk));
    if (length < 0 && (errno == EINTR || errno == EAGAIN))
        return true;
    if (length <= 0) {
        if (length == 0)
            errno = 0;
        return false;
    }
    qsizetype room = drain.cap - drain.kept->size();
    if (length > room) {
        if (drain.truncated)
            *drain.truncated = true;
        length = room;
    }
    if (length > 0)
        drain.kept->append(chunk, length);
    return true;
}

void closeIfOpen(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

CommandResult runChildCommand(const CommandRequest& request) {
    CommandResult result;
    int outputEnds[2] = {-1, -1}, errorEnds[2] = {-1, -1}, inputEnds[2] = {-1, -1};
    const bool keepErrors = request.errorCap > 0, giveInput = !request.input.isEmpty();
    if (::pipe2(outputEnds, O_CLOEXEC) != 0 || (keepErrors && ::pipe2(errorEnds, O_CLOEXEC) != 0) ||
        (giveInput && ::pipe2(inputEnds, O_CLOEXEC) != 0)) {
        result.status = CommandStatus::PipeFailed;
        result.errorCode = errno;
        result.failedCall = "pipe2";
        for (int fd : {outputEnds[0], outputEnds[1], errorEnds[0], errorEnds[1], inputEnds[0], inputEnds[1]})
            if (fd >= 0)
                ::close(fd);
        return result;
    }

    const QByteArray program = request.program.toLocal8Bit();
    std::vector<QByteArray> argumentBytes{program};
    for (const QString& argument : request.arguments)
        argumentBytes.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : argumentBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (giveInput)
        posix_spawn_file_actions_adddup2(&actions, inputEnds[0], STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputEnds[1], STDOUT_FILENO);
    if (keepErrors)
        posix_spawn_file_actions_adddup2(&actions, errorEnds[1], STDERR_FILENO);
    // A child that ends without reading all its input must not end the program with SIGPIPE:
    // the program ignores it, and the child gets it back as it was.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (giveInput) {
        ::signal(SIGPIPE, SIG_IGN);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    }
    pid_t child = 0;
    // By absolute path only: posix_spawn (not posix_spawnp) never searches PATH.
    int spawnError = ::posix_spawn(&child, program.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    // The child holds its own copies; end of file comes when it closes them.
    closeIfOpen(outputEnds[1]);
    closeIfOpen(errorEnds[1]);
    closeIfOpen(inputEnds[0]);
    if (spawnError != 0) {
        closeIfOpen(outputEnds[0]);
        closeIfOpen(errorEnds[0]);
        closeIfOpen(inputEnds[1]);
        result.status = CommandStatus::StartFailed;
        result.errorCode = spawnError;
        result.failedCall = "posix_spawn";
        return result;
    }
    if (giveInput)
        ::fcntl(inputEnds[1], F_SETFL, O_NONBLOCK);

    CommandClock clock(request.timeout, request.yield, request.yieldInterval);
    Drain output{outputEnds[0], &result.output, std::max<qsizetype>(request.outputCap, 0), &result.truncated};
    Drain errors{errorEnds[0], &result.errorOutput, request.errorCap, nullptr};
    qsizetype written = 0;
    while (output.fd >= 0 || errors.fd >= 0) {
        // Checked on every pass: a child that keeps the pipe full never lets poll time out.
        clock.yieldWhenDue();
        if (clock.expired()) {
            result.status = CommandStatus::TimedOut;
            result.errorCode = ETIMEDOUT;
            result.failedCall = "poll";
            break;
        }
        pollfd watch[3] = {{output.fd, POLLIN, 0}, {errors.fd, POLLIN, 0}, {inputEnds[1], POLLOUT, 0}};
        int ready = ::poll(watch, 3, clock.sliceMilliseconds());
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            result.status = CommandStatus::ReadFailed;
            result.errorCode = errno;
            result.failedCall = "poll";
            break;
        }
        if (watch[2].revents) {
            // A child that stopped reading its input (or never did) gets the rest no more.
            const ssize_t sent = watch[2].revents & POLLOUT
                                     ? ::write(inputEnds[1], request.input.constData() + written,
                                               std::size_t(request.input.size() - written))
                                     : -1;
            if (sent > 0)
                written += sent;
            if ((sent < 0 && errno != EAGAIN && errno != EINTR) || written >= request.input.size())
                closeIfOpen(inputEnds[1]);
        }
        if (watch[1].revents && !drainOnce(errors))
            closeIfOpen(errors.fd);
        if (watch[0].revents && !drainOnce(output)) {
            if (errno != 0) {
                result.status = CommandStatus::ReadFailed;
                result.errorCode = errno;
                result.failedCall = "read";
                break;
            }
            closeIfOpen(output.fd);
        }
    }
    closeIfOpen(output.fd);
    closeIfOpen(errors.fd);
    closeIfOpen(inputEnds[1]);

    if (result.status == CommandStatus::Finished && !reapBefore(child, clock, result)) {
        result.status = CommandStatus::TimedOut;
        result.errorCode = ETIMEDOUT;
        result.failedCall = "waitpid";
    }
    if (result.status != CommandStatus::Finished)
        killAndReap(child);
    return result;
}

} // namespace os::linuxbackend
