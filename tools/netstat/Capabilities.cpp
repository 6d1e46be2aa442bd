#include "Capabilities.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

bool readCapabilities(__user_cap_data_struct (&data)[_LINUX_CAPABILITY_U32S_3]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool setEffectiveToPermitted(bool effective) {
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (!readCapabilities(data))
        return false;
    for (__user_cap_data_struct& word : data) {
        word.effective = effective ? word.permitted : 0;
        word.inheritable = 0;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

bool lowerCapabilities() {
    return setEffectiveToPermitted(false);
}

bool raiseCapabilities() {
    return setEffectiveToPermitted(true);
}

bool dropCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3]{};
    // Lowering capabilities is always allowed, so a failure here means something is wrong
    // with the kernel interface itself; the caller then prints nothing.
    if (::syscall(SYS_capset, &header, none) != 0)
        return false;
    // Ambient capabilities cannot outlive the permitted set, but clear them explicitly so the
    // state read back below is the whole truth.
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);

    __user_cap_data_struct left[_LINUX_CAPABILITY_U32S_3]{};
    if (!readCapabilities(left))
        return false;
    for (const __user_cap_data_struct& word : left)
        if (word.effective || word.permitted || word.inheritable)
            return false;
    return true;
}
