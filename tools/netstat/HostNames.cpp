#include "HostNames.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

constexpr std::size_t MaximumThreads = 32;

struct LookupState {
    std::vector<HostAddress> addresses;
    std::vector<std::string> names;
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable answered;
    std::size_t finished = 0;
};

bool isLoopback(const HostAddress& address) {
    if (address.family == AF_INET)
        return address.bytes[0] == 127;
    static const std::array<std::uint8_t, 16> ipv6Loopback{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return address.bytes == ipv6Loopback;
}

// The test suite sets this so that no look-up ever leaves the machine, whatever other
// connections the machine running the tests happens to have.
bool loopbackLookupsOnly() {
    const char* value = std::getenv("TAVREN_NETSTAT_LOOPBACK_LOOKUPS_ONLY");
    return value && *value && std::strcmp(value, "0") != 0;
}

} // namespace

bool printableHostName(const char* name) {
    if (!*name)
        return false;
    // A name is printed before ":port" and read back up to its first colon or space; control
    // bytes would reach a terminal raw, and bytes past ASCII as look-alikes of other names.
    for (const char* at = name; *at; ++at) {
        const unsigned char c = static_cast<unsigned char>(*at);
        if (c <= ' ' || c >= 0x7f || c == ':' || c == '[' || c == ']' || c == '%')
            return false;
    }
    // Whoever answers the reverse look-up may name an address "10.20.30.40" (or "10.1", or
    // "0x7f.1", which the C library reads as addresses too): it would pass for the
    // connection's own.
    in_addr ignored{};
    return ::inet_aton(name, &ignored) == 0;
}

namespace {

std::string reverseLookUp(const HostAddress& address) {
    if (!isLoopback(address) && loopbackLookupsOnly())
        return {};
    sockaddr_storage storage{};
    socklen_t length;
    if (address.family == AF_INET) {
        auto* ipv4 = reinterpret_cast<sockaddr_in*>(&storage);
        ipv4->sin_family = AF_INET;
        std::memcpy(&ipv4->sin_addr, address.bytes.data(), 4);
        length = sizeof(sockaddr_in);
    } else {
        auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&storage);
        ipv6->sin6_family = AF_INET6;
        std::memcpy(&ipv6->sin6_addr, address.bytes.data(), 16);
        length = sizeof(sockaddr_in6);
    }
    char name[NI_MAXHOST];
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&storage), length, name, sizeof(name), nullptr, 0,
                      NI_NAMEREQD) != 0)
        return {};
    return printableHostName(name) ? name : std::string();
}

void work(const std::shared_ptr<LookupState>& state) {
    for (;;) {
        const std::size_t index = state->next.fetch_add(1);
        if (index >= state->addresses.size())
            return;
        std::string name = reverseLookUp(state->addresses[index]);
        std::lock_guard lock(state->mutex);
        state->names[index] = std::move(name);
        ++state->finished;
        state->answered.notify_one();
    }
}

} // namespace

std::vector<std::string> lookUpHostNames(const std::vector<HostAddress>& addresses,
                                         std::chrono::milliseconds deadline, bool* allAnswered) {
    auto state = std::make_shared<LookupState>();
    state->addresses = addresses;
    state->names.resize(addresses.size());
    const std::size_t threads = std::min(addresses.size(), MaximumThreads);
    for (std::size_t i = 0; i < threads; ++i)
        std::thread(work, state).detach();

    std::unique_lock lock(state->mutex);
    const bool all =
        state->answered.wait_for(lock, deadline, [&] { return state->finished == addresses.size(); });
    if (allAnswered)
        *allAnswered = all;
    return state->names;
}
