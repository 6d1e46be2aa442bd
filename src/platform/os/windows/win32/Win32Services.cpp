#include "Win32Api.h"

#include <windows.h>
#include <winsvc.h>

#include <algorithm>

namespace os::win32 {

std::unordered_map<std::uint32_t, std::wstring> servicesByProcess() {
    std::unordered_map<std::uint32_t, std::wstring> services;
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
    if (!manager)
        return services;
    std::vector<unsigned char> buffer(64 * 1024);
    DWORD resume = 0;
    for (;;) {
        DWORD needed = 0, count = 0;
        const BOOL done =
            ::EnumServicesStatusExW(manager, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_ACTIVE,
                                    buffer.data(), DWORD(buffer.size()), &needed, &count, &resume, nullptr);
        const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
        if (!done && error != ERROR_MORE_DATA)
            break;
        const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
        // Several services may share one host process: named together, in the manager's order,
        // as the system's task list shows them.
        for (DWORD i = 0; i < count; ++i) {
            const DWORD processId = entries[i].ServiceStatusProcess.dwProcessId;
            if (processId == 0 || !entries[i].lpServiceName)
                continue;
            std::wstring& names = services[processId];
            if (!names.empty())
                names += L", ";
            names += entries[i].lpServiceName;
        }
        if (done)
            break;
        if (count == 0) // the buffer holds not even one entry: make room for what it needs
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
    }
    ::CloseServiceHandle(manager);
    return services;
}

} // namespace os::win32
