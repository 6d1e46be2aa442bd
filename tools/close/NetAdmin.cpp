#include "NetAdmin.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

bool raiseNetAdmin() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    const unsigned word = CAP_TO_INDEX(CAP_NET_ADMIN);
    const unsigned bit = CAP_TO_MASK(CAP_NET_ADMIN);
    if (!(data[word].permitted & bit))
        return false;
    for (__user_cap_data_struct& each : data) {
        each.effective = 0;
        each.inheritable = 0;
    }
    data[word].effective = bit;
    return ::syscall(SYS_capset, &header, data) == 0;
}
