#include "Win32Api.h"

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include "Win32Handle.h"

#include <algorithm>
#include <cstring>

namespace os::win32 {

// ---- Processes ------------------------------------------------------------------------

std::vector<std::uint32_t> processIds() {
    std::vector<DWORD> ids(1024);
    for (;;) {
        DWORD bytes = 0;
        if (!::EnumProcesses(ids.data(), DWORD(ids.size() * sizeof(DWORD)), &bytes))
            return {};
        // A full buffer may have cut the list: try again with more room.
        if (bytes < ids.size() * sizeof(DWORD)) {
            ids.resize(bytes / sizeof(DWORD));
            return {ids.begin(), ids.end()};
        }
        ids.resize(ids.size() * 2);
    }
}

std::wstring processImagePath(std::uint32_t processId) {
    Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process)
        return {};
    std::wstring path(32768, L'\0');
    DWORD length = DWORD(path.size());
    if (!::QueryFullProcessImageNameW(process.value, 0, path.data(), &length))
        return {};
    path.resize(length);
    return path;
}

std::uint64_t processCreationTime(std::uint32_t processId) {
    Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    return process ? creationTimeOf(process.value) : 0;
}

std::wstring processOwner(std::uint32_t processId) {
    Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE tokenRaw = nullptr;
    if (!process || !::OpenProcessToken(process.value, TOKEN_QUERY, &tokenRaw))
        return {};
    Handle token(tokenRaw);
    DWORD size = 0;
    ::GetTokenInformation(token.value, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size ? size : 1);
    if (!size || !::GetTokenInformation(token.value, TokenUser, user.data(), size, &size))
        return {};
    const SID* sid = static_cast<const SID*>(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
    wchar_t name[256], domain[256];
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    if (!::LookupAccountSidW(nullptr, const_cast<SID*>(sid), name, &nameLength, domain, &domainLength, &use))
        return {};
    return domainLength ? std::wstring(domain) + L'\\' + name : std::wstring(name);
}

std::optional<std::wstring> processCommandLine(std::uint32_t processId) {
    // Not every header declares this call, so it is looked up by name; the kind of answer
    // asked for (60: the command line) needs no access to the process's memory.
    using QueryProcessCall = LONG(NTAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
    static const QueryProcessCall query = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll ? reinterpret_cast<QueryProcessCall>(
                           reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryInformationProcess")))
                     : nullptr;
    }();
    constexpr ULONG ProcessCommandLineInformation = 60;
    constexpr LONG InfoLengthMismatch = LONG(0xC0000004), BufferTooSmall = LONG(0xC0000023);
    // A command line has at most 32767 characters; an answer much larger is not one.
    constexpr ULONG LargestAnswer = 256 * 1024;
    Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!query || !process)
        return std::nullopt;
    // The answer is a counted text with its characters behind it. Most fit the first try; a
    // longer one is asked for again at the size the first answer names.
    ULONG size = 4096;
    for (int attempt = 0; attempt < 3 && size <= LargestAnswer; ++attempt) {
        std::vector<std::uint64_t> answer((size + 7) / 8); // aligned for the counted text
        size = ULONG(answer.size() * sizeof(std::uint64_t));
        ULONG needed = 0;
        const LONG status = query(process.value, ProcessCommandLineInformation, answer.data(), size, &needed);
        if (status == InfoLengthMismatch || status == BufferTooSmall) {
            size = std::max(needed, size * 2);
            continue;
        }
        if (status < 0)
            return std::nullopt;
        const auto* counted = reinterpret_cast<const UNICODE_STRING*>(answer.data());
        const auto* first = reinterpret_cast<const char*>(answer.data());
        const auto* characters = reinterpret_cast<const char*>(counted->Buffer);
        // The characters must lie inside the answer; an empty line may point nowhere.
        if (characters < first + sizeof(UNICODE_STRING) || counted->Length > size ||
            std::size_t(characters - first) > size - counted->Length)
            return std::nullopt;
        std::wstring line(counted->Buffer, counted->Length / sizeof(wchar_t));
        const auto blank = line.find_first_not_of(L" \t\r\n");
        if (blank == std::wstring::npos)
            return std::nullopt;
        line.erase(line.find_last_not_of(L" \t\r\n") + 1);
        line.erase(0, blank);
        return line;
    }
    return std::nullopt;
}

EndResult endProcess(std::uint32_t processId, std::optional<std::uint64_t> creationTime) {
    EndResult result;
    // Id 0 is the idle process; no row ever means it.
    if (processId == 0) {
        result.errorCode = ERROR_INVALID_PARAMETER;
        return result;
    }
    // The open handle pins the identity: the id cannot pass to a newer process while it is held.
    Handle process(::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                 processId));
    if (!process) {
        result.errorCode = ::GetLastError();
        result.alreadyEnded = creationTime.has_value() && result.errorCode == ERROR_INVALID_PARAMETER;
        return result;
    }
    // An ended process lives on as long as someone holds a handle to it; it is not ended twice.
    if ((creationTime && creationTimeOf(process.value) != *creationTime) || hasExited(process.value)) {
        result.alreadyEnded = true;
        result.errorCode = ERROR_INVALID_PARAMETER;
        return result;
    }
    if (!::TerminateProcess(process.value, 1)) {
        result.errorCode = ::GetLastError();
        return result;
    }
    result.ended = true;
    return result;
}

bool processHasEnded(std::uint32_t processId, std::uint64_t creationTime) {
    Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId));
    if (!process)
        return ::GetLastError() == ERROR_INVALID_PARAMETER; // denied: it is there, only closed to us
    return creationTimeOf(process.value) != creationTime || hasExited(process.value);
}

} // namespace os::win32
