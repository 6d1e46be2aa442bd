#include "platform/os/TrafficSampler.h"

#include "platform/os/ConnectionDigest.h"

std::size_t std::hash<os::ConnectionEnds>::operator()(const os::ConnectionEnds& ends) const noexcept {
    // Every field that tells two connections apart, mixed a word at a time: a sample of tens of
    // thousands of connections is hashed three times over on its way to the list.
    return std::size_t(os::connectionHash(ends.ipv6 ? 6 : 4, 0, ends.localPort, ends.remotePort, ends.localAddress,
                                          ends.remoteAddress));
}
