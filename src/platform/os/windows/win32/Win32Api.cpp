#include "Win32Api.h"

#include "platform/os/CommandClock.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <psapi.h>
#include <shellapi.h>
#include <winternl.h>

#include "Win32Handle.h"

#include <algorithm>
#include <cstring>

namespace os::win32 {

namespace {

// Name look-ups and service names need Winsock started once in the process.
void startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

std::uint16_t portOf(DWORD networkOrder) {
    return ::ntohs(static_cast<u_short>(networkOrder & 0xffff));
}

// Calls a table query with a buffer that grows until the table fits: the table may grow
// between the call that sizes it and the one that fills it.
template <typename Query>
// The error of the last attempt; NO_ERROR when the table was read.
DWORD readTable(std::vector<unsigned char>& buffer, Query query) {
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD error = ERROR_INSUFFICIENT_BUFFER;
    for (int attempt = 0; attempt < 8; ++attempt) {
        error = query(buffer.empty() ? nullptr : buffer.data(), &size);
        if (error != ERROR_INSUFFICIENT_BUFFER)
            return error;
        buffer.resize(std::size_t(size) + size / 8 + 4096);
        size = static_cast<DWORD>(buffer.size());
    }
    return error;
}

bool wanted(unsigned kinds, int state) {
    return state == MIB_TCP_STATE_LISTEN ? (kinds & TcpListening) != 0 : (kinds & TcpConnections) != 0;
}

} // namespace

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

bool readSocketTables(unsigned kinds, std::vector<TableSocket>& sockets, std::uint32_t* errorCode) {
    bool allRead = true;
    std::vector<unsigned char> buffer;
    // Reads one table into buffer and appends its rows; false when it could not be read.
    const auto read = [&](auto append, auto query) {
        const DWORD error = readTable(buffer, query);
        if (error != NO_ERROR) {
            if (errorCode && allRead)
                *errorCode = error;
            return false;
        }
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
