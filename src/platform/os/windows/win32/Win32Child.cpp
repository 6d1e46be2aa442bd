#include "Win32Api.h"
#include "Win32Handle.h"

#include "platform/os/CommandClock.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace os::win32 {

// ---- Child commands -------------------------------------------------------------------

std::wstring quotedArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    for (auto at = argument.begin();; ++at) {
        std::size_t backslashes = 0;
        while (at != argument.end() && *at == L'\\') {
            ++at;
            ++backslashes;
        }
        if (at == argument.end()) {
            // Doubled, so that the closing quote stays a quote.
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        if (*at == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
            quoted += L'"';
        } else {
            quoted.append(backslashes, L'\\');
            quoted += *at;
        }
    }
    quoted += L'"';
    return quoted;
}

ChildResult runChild(const ChildRequest& request) {
    ChildResult result;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readRaw = nullptr, writeRaw = nullptr;
    if (!::CreatePipe(&readRaw, &writeRaw, &inheritable, 64 * 1024)) {
        result.status = ChildStatus::PipeFailed;
        result.errorCode = ::GetLastError();
        return result;
    }
    Handle readEnd(readRaw);
    Handle writeEnd(writeRaw);
    ::SetHandleInformation(readEnd.value, HANDLE_FLAG_INHERIT, 0);
    // The child reads nothing and its errors go nowhere: the window has no console to show them.
    Handle nothing(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &inheritable, OPEN_EXISTING, 0, nullptr));

    std::wstring commandLine = quotedArgument(request.program);
    for (const std::wstring& argument : request.arguments)
        commandLine += L' ' + quotedArgument(argument);
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing.value;
    startup.hStdOutput = writeEnd.value;
    startup.hStdError = nothing.value;
    PROCESS_INFORMATION started{};
    // The program is named in full as the application, so the search path is never asked.
    const BOOL ok = ::CreateProcessW(request.program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                     CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started);
    const DWORD startError = ::GetLastError();
    ::CloseHandle(writeEnd.value); // the child holds its own copy; end of output comes when it closes it
    writeEnd.value = nullptr;
    if (!ok) {
        result.status = ChildStatus::StartFailed;
        result.errorCode = startError;
        return result;
    }
    ::CloseHandle(started.hThread);
    Handle process(started.hProcess);

    CommandClock clock(request.timeout, request.yield, request.yieldInterval);
    std::vector<char> chunk(64 * 1024);
    int delay = 1;
    for (;;) {
        // Checked on every pass: a child that keeps the pipe full never lets the wait run out.
        clock.yieldWhenDue();
        if (clock.expired()) {
            result.status = ChildStatus::TimedOut;
            result.errorCode = WAIT_TIMEOUT;
            break;
        }
        DWORD available = 0;
        if (!::PeekNamedPipe(readEnd.value, nullptr, 0, nullptr, &available, nullptr)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_BROKEN_PIPE) { // broken: every writer is gone, the output is whole
                result.status = ChildStatus::ReadFailed;
                result.errorCode = error;
            }
            break;
        }
        if (available == 0) {
            // An anonymous pipe cannot be waited on: look again shortly, sooner when a yield
            // or the deadline is nearer.
            ::Sleep(DWORD(std::min(delay, std::max(clock.sliceMilliseconds(), 1))));
            delay = std::min(delay * 2, 10);
            continue;
        }
        delay = 1;
        DWORD length = 0;
        if (!::ReadFile(readEnd.value, chunk.data(), std::min<DWORD>(available, DWORD(chunk.size())), &length,
                        nullptr)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_BROKEN_PIPE) {
                result.status = ChildStatus::ReadFailed;
                result.errorCode = error;
            }
            break;
        }
        // Past the cap the pipe is still drained, so the child never blocks on a full pipe.
        std::size_t keep = length;
        const std::size_t room = request.outputCap - std::min(request.outputCap, result.output.size());
        if (keep > room) {
            result.truncated = true;
            keep = room;
        }
        result.output.append(chunk.data(), keep);
    }

    while (result.status == ChildStatus::Finished) {
        const DWORD waited = ::WaitForSingleObject(process.value, DWORD(std::min(clock.sliceMilliseconds(), 20)));
        if (waited == WAIT_OBJECT_0) {
            DWORD code = 0;
            ::GetExitCodeProcess(process.value, &code);
            result.exitCode = code;
            break;
        }
        clock.yieldWhenDue();
        if (clock.expired()) {
            result.status = ChildStatus::TimedOut;
            result.errorCode = WAIT_TIMEOUT;
        }
    }
    if (result.status != ChildStatus::Finished) {
        ::TerminateProcess(process.value, 1);
        ::WaitForSingleObject(process.value, 5000);
    }
    return result;
}

} // namespace os::win32
