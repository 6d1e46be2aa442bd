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

} // namespace

CommandResult runChildCommand(const CommandRequest& request) {
    CommandResult result;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        result.status = CommandStatus::PipeFailed;
        result.errorCode = errno;
        result.failedCall = "pipe2";
        return result;
    }
    const int readEnd = pipeEnds[0], writeEnd = pipeEnds[1];

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
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDOUT_FILENO);
    pid_t child = 0;
    // By absolute path only: posix_spawn (not posix_spawnp) never searches PATH.
    int spawnError = ::posix_spawn(&child, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(writeEnd); // the child holds its own copy; end of file comes when it closes it
    if (spawnError != 0) {
        ::close(readEnd);
        result.status = CommandStatus::StartFailed;
        result.errorCode = spawnError;
        result.failedCall = "posix_spawn";
        return result;
    }

    CommandClock clock(request.timeout, request.yield, request.yieldInterval);
    const qsizetype cap = std::max<qsizetype>(request.outputCap, 0);
    char chunk[64 * 1024];
    pollfd watch{readEnd, POLLIN, 0};
    for (;;) {
        // Checked on every pass: a child that keeps the pipe full never lets poll time out.
        clock.yieldWhenDue();
        if (clock.expired()) {
            result.status = CommandStatus::TimedOut;
            result.errorCode = ETIMEDOUT;
            result.failedCall = "poll";
            break;
        }
        int ready = ::poll(&watch, 1, clock.sliceMilliseconds());
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            result.status = CommandStatus::ReadFailed;
            result.errorCode = errno;
            result.failedCall = "poll";
            break;
        }
        if (ready == 0)
            continue; // a yield is due, or the deadline passed: the next pass tells which
        ssize_t length = ::read(readEnd, chunk, sizeof(chunk));
        if (length < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (length < 0) {
            result.status = CommandStatus::ReadFailed;
            result.errorCode = errno;
            result.failedCall = "read";
            break;
        }
        if (length == 0)
            break;
        // Past the cap the pipe is still drained, so the child never blocks on a full pipe.
        qsizetype room = cap - result.output.size();
        if (length > room) {
            result.truncated = true;
            length = room;
        }
        if (length > 0)
            result.output.append(chunk, length);
    }
    ::close(readEnd);

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
