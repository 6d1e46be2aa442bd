#pragma once

// What the files of the Win32 calls share among themselves; not for their callers.

#include <windows.h>

#include <cstdint>

namespace os::win32 {

// Closes a handle when it goes out of scope.
struct Handle {
    HANDLE value = nullptr;
    explicit Handle(HANDLE h = nullptr) : value(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~Handle() { if (value) ::CloseHandle(value); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    explicit operator bool() const { return value != nullptr; }
};

inline std::uint64_t fileTimeValue(const FILETIME& time) {
    return std::uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

inline std::uint64_t creationTimeOf(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return fileTimeValue(created);
}

// The handle must carry SYNCHRONIZE. Not the exit code: a process may choose STILL_ACTIVE's.
inline bool hasExited(HANDLE process) {
    return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

} // namespace os::win32
