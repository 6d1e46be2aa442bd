#include "Win32Api.h"

#include "platform/os/CommandClock.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <psapi.h>
#include <shellapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>

namespace os::win32 {

namespace {

// Closes a handle when it goes out of scope.
struct Handle {
    HANDLE value = nullptr;
    explicit Handle(HANDLE h = nullptr) : value(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~Handle() { if (value) ::CloseHandle(value); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    explicit operator bool() const { return value != nullptr; }
};

// Name look-ups and service names need Winsock started once in the process.
void startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

std::uint64_t fileTimeValue(const FILETIME& time) {
    return std::uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

std::uint64_t creationTimeOf(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return fileTimeValue(created);
}

// The handle must carry SYNCHRONIZE. Not the exit code: a process may choose STILL_ACTIVE's.
bool hasExited(HANDLE process) {
    return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

std::uint16_t portOf(DWORD networkOrder) {
    return ::ntohs(static_cast<u_short>(networkOrder & 0xffff));
}

// Calls a table query with a buffer that grows until the table fits: the table may grow
// between the call that sizes it and the one that fills it.
template <typename Query>
bool readTable(std::vector<unsigned char>& buffer, Query query) {
    DWORD size = static_cast<DWORD>(buffer.size());
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD error = query(buffer.empty() ? nullptr : buffer.data(), &size);
        if (error == NO_ERROR)
            return true;
        if (error != ERROR_INSUFFICIENT_BUFFER)
            return false;
        buffer.resize(std::size_t(size) + size / 8 + 4096);
        size = static_cast<DWORD>(buffer.size());
    }
    return false;
}

bool wanted(unsigned kinds, int state) {
    return state == MIB_TCP_STATE_LISTEN ? (kinds & TcpListening) != 0 : (kinds & TcpConnections) != 0;
}

} // namespace

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

// ---- Socket tables --------------------------------------------------------------------

namespace {

// The parts in which the four tables' rows differ: family, addresses and remote end.
void fillEnds(const MIB_TCPROW_OWNER_PID& row, TableSocket& socket) {
    std::memcpy(socket.localAddress.data(), &row.dwLocalAddr, 4);
    std::memcpy(socket.remoteAddress.data(), &row.dwRemoteAddr, 4);
    socket.remotePort = portOf(row.dwRemotePort);
    socket.state = int(row.dwState);
}
void fillEnds(const MIB_TCP6ROW_OWNER_PID& row, TableSocket& socket) {
    socket.ipv6 = true;
    std::memcpy(socket.localAddress.data(), row.ucLocalAddr, 16);
    std::memcpy(socket.remoteAddress.data(), row.ucRemoteAddr, 16);
    socket.localScope = row.dwLocalScopeId;
    socket.remoteScope = row.dwRemoteScopeId;
    socket.remotePort = portOf(row.dwRemotePort);
    socket.state = int(row.dwState);
}
void fillEnds(const MIB_UDPROW_OWNER_PID& row, TableSocket& socket) {
    socket.udp = true;
    std::memcpy(socket.localAddress.data(), &row.dwLocalAddr, 4);
}
void fillEnds(const MIB_UDP6ROW_OWNER_PID& row, TableSocket& socket) {
    socket.udp = socket.ipv6 = true;
    std::memcpy(socket.localAddress.data(), row.ucLocalAddr, 16);
    socket.localScope = row.dwLocalScopeId;
}

// Appends the rows of one table, read into buffer, that are of the kinds asked for.
template <typename Table>
void appendRows(const std::vector<unsigned char>& buffer, unsigned kinds, std::vector<TableSocket>& sockets) {
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        TableSocket socket;
        fillEnds(table->table[i], socket);
        if (!socket.udp && !wanted(kinds, socket.state))
            continue;
        socket.localPort = portOf(table->table[i].dwLocalPort);
        // A listening socket has no peer; the table's remote port is left over.
        if (socket.state == MIB_TCP_STATE_LISTEN)
            socket.remotePort = 0;
        socket.processId = table->table[i].dwOwningPid;
        sockets.push_back(socket);
    }
}

} // namespace

bool readSocketTables(unsigned kinds, std::vector<TableSocket>& sockets) {
    bool allRead = true;
    std::vector<unsigned char> buffer;
    // Reads one table into buffer and appends its rows; false when it could not be read.
    const auto read = [&](auto append, auto query) {
        if (!readTable(buffer, query))
            return false;
        append(buffer, kinds, sockets);
        return true;
    };
    const auto tcp = [](ULONG family) {
        return [family](void* data, DWORD* size) {
            return ::GetExtendedTcpTable(data, size, FALSE, family, TCP_TABLE_OWNER_PID_ALL, 0);
        };
    };
    const auto udp = [](ULONG family) {
        return [family](void* data, DWORD* size) {
            return ::GetExtendedUdpTable(data, size, FALSE, family, UDP_TABLE_OWNER_PID, 0);
        };
    };
    if (kinds & (TcpConnections | TcpListening)) {
        allRead &= read(appendRows<MIB_TCPTABLE_OWNER_PID>, tcp(AF_INET));
        allRead &= read(appendRows<MIB_TCP6TABLE_OWNER_PID>, tcp(AF_INET6));
    }
    if (kinds & UdpEndpoints) {
        allRead &= read(appendRows<MIB_UDPTABLE_OWNER_PID>, udp(AF_INET));
        allRead &= read(appendRows<MIB_UDP6TABLE_OWNER_PID>, udp(AF_INET6));
    }
    return allRead;
}

std::string numericAddress(bool ipv6, const std::array<std::uint8_t, 16>& address) {
    startWinsock();
    char text[INET6_ADDRSTRLEN] = {};
    if (!::inet_ntop(ipv6 ? AF_INET6 : AF_INET, address.data(), text, sizeof(text)))
        return {};
    return text;
}

bool parseNumericAddress(const std::string& text, bool& ipv6, std::array<std::uint8_t, 16>& bytes) {
    startWinsock();
    bytes.fill(0);
    if (::inet_pton(AF_INET, text.c_str(), bytes.data()) == 1) {
        ipv6 = false;
        return true;
    }
    ipv6 = true;
    return ::inet_pton(AF_INET6, text.c_str(), bytes.data()) == 1;
}

std::optional<std::uint16_t> servicePort(const std::string& name) {
    startWinsock();
    if (name.empty())
        return std::nullopt;
    const servent* service = ::getservbyname(name.c_str(), "tcp");
    if (!service)
        return std::nullopt;
    return ::ntohs(static_cast<u_short>(service->s_port));
}

std::string serviceName(std::uint16_t port) {
    startWinsock();
    const servent* service = ::getservbyport(static_cast<int>(::htons(port)), "tcp");
    return service && service->s_name ? std::string(service->s_name) : std::string();
}

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

// ---- Odds and ends --------------------------------------------------------------------

std::wstring errorMessage(std::uint32_t errorCode) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        errorCode, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text ? text : L"", length);
    if (text)
        ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return message;
}

std::optional<SaveFailure> saveFile(const std::wstring& path, const std::string& contents) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // A link or junction may lead anywhere another user chose; a folder or device is no file.
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return SaveFailure{0, "It is a link; the list is saved only to a file itself."};
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return SaveFailure{0, "It is not a regular file."};
    }
    // The new file is made beside the target, so that the move over it stays on one volume.
    std::wstring temporary;
    Handle file;
    for (unsigned attempt = 0; attempt < 100 && !file; ++attempt) {
        temporary = path + L".tmp-" + std::to_wstring(::GetCurrentProcessId()) + L'-' + std::to_wstring(attempt);
        file.value = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr);
        if (file.value == INVALID_HANDLE_VALUE) {
            file.value = nullptr;
            if (::GetLastError() != ERROR_FILE_EXISTS)
                return SaveFailure{::GetLastError(), {}};
        }
    }
    if (!file)
        return SaveFailure{ERROR_FILE_EXISTS, {}};
    DWORD failure = 0;
    std::size_t done = 0;
    while (done < contents.size() && !failure) {
        const DWORD chunk = DWORD(std::min<std::size_t>(contents.size() - done, 1 << 20));
        DWORD written = 0;
        if (!::WriteFile(file.value, contents.data() + done, chunk, &written, nullptr) || written == 0)
            failure = ::GetLastError() ? ::GetLastError() : ERROR_DISK_FULL;
        done += written;
    }
    if (!failure && !::FlushFileBuffers(file.value))
        failure = ::GetLastError();
    if (!::CloseHandle(file.value) && !failure)
        failure = ::GetLastError();
    file.value = nullptr;
    if (!failure && !::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failure = ::GetLastError();
    if (failure) {
        ::DeleteFileW(temporary.c_str());
        return SaveFailure{failure, {}};
    }
    return std::nullopt;
}

std::optional<std::array<std::uint8_t, 4>> lookUpHostName(const std::string& name) {
    startWinsock();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (name.empty() || ::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0)
        return std::nullopt;
    std::optional<std::array<std::uint8_t, 4>> address;
    for (addrinfo* entry = found; entry && !address; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET)
            continue;
        std::array<std::uint8_t, 4> bytes;
        std::memcpy(bytes.data(), &reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr, 4);
        address = bytes;
    }
    ::freeaddrinfo(found);
    return address;
}

std::optional<std::string> lookUpAddress(const std::array<std::uint8_t, 4>& address) {
    startWinsock();
    sockaddr_in ipv4{};
    ipv4.sin_family = AF_INET;
    std::memcpy(&ipv4.sin_addr, address.data(), 4);
    char name[NI_MAXHOST];
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&ipv4), sizeof(ipv4), name, sizeof(name), nullptr, 0,
                      NI_NAMEREQD) != 0)
        return std::nullopt;
    return std::string(name);
}

std::optional<std::array<std::uint32_t, 3>> kernelVersion() {
    using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto call = ntdll ? reinterpret_cast<RtlGetVersionCall>(
                                  reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
                            : nullptr;
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!call || call(&version) != 0)
        return std::nullopt;
    return std::array<std::uint32_t, 3>{version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion};
}

void* executableIconHandle(const std::wstring& path, bool large) {
    HICON icon = nullptr;
    if (!path.empty()) {
        const UINT found = large ? ::ExtractIconExW(path.c_str(), 0, &icon, nullptr, 1)
                                 : ::ExtractIconExW(path.c_str(), 0, nullptr, &icon, 1);
        if (found && icon)
            return icon;
    }
    // No icon of its own, or no file to read: the shell's icon for a program.
    const UINT size = large ? SHGFI_LARGEICON : SHGFI_SMALLICON;
    SHFILEINFOW info{};
    if (!path.empty() && ::SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON | size) && info.hIcon)
        return info.hIcon;
    info = {};
    if (::SHGetFileInfoW(L".exe", FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                         SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | size))
        return info.hIcon;
    return nullptr;
}

void destroyIconHandle(void* icon) {
    if (icon)
        ::DestroyIcon(static_cast<HICON>(icon));
}

std::wstring executableFolder() {
    std::wstring path(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    path.resize(length);
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring widen(const std::string& text) {
    if (text.empty())
        return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(std::size_t(std::max(length, 0)), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

std::string narrow(const std::wstring& text) {
    if (text.empty())
        return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(std::size_t(std::max(length, 0)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), length, nullptr, nullptr);
    return bytes;
}

} // namespace os::win32
