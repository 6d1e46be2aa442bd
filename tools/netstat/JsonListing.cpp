#include "JsonListing.h"

#include "ListingText.h"

#include <cstdio>
#include <unordered_map>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <unistd.h>

using os::sockets::TcpSocket;

std::vector<std::string> ownerProgramPaths(const std::vector<ListedConnection>& connections,
                                           const std::string& procRoot) {
    std::unordered_map<std::int32_t, std::string> known;
    std::vector<std::string> paths(connections.size());
    const int proc = ::open(procRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0)
        return paths;
    for (std::size_t i = 0; i < connections.size(); ++i) {
        const std::int32_t processId = connections[i].processId;
        if (processId <= 0)
            continue;
        auto [it, added] = known.try_emplace(processId);
        if (added) {
            char target[4096];
            const std::string link = std::to_string(processId) + "/exe";
            const ssize_t length = ::readlinkat(proc, link.c_str(), target, sizeof(target));
            if (length > 0 && std::size_t(length) < sizeof(target))
                it->second.assign(target, std::size_t(length));
        }
        paths[i] = it->second;
    }
    ::close(proc);
    return paths;
}

namespace {

// The length of the UTF-8 sequence at `at` and its code point; 0 for bytes that are none.
std::size_t readUtf8(std::string_view text, std::size_t at, char32_t& point) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xe  ? 3
                         : (lead >> 3) == 0x1e ? 4
                                               : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    point = length == 1 ? lead : lead & (0x7f >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xc0) != 0x80)
            return 0;
        point = (point << 6) | (byte(at + i) & 0x3f);
    }
    // Overlong forms, surrogates and points past the last are no characters.
    static constexpr char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < Least[length] || (point >= 0xd800 && point <= 0xdfff) || point > 0x10ffff)
        return 0;
    return length;
}

// Characters that would reorder or hide what a terminal shows: line and paragraph separators
// and the direction formatting characters.
bool isFormatting(char32_t point) {
    return point == 0x2028 || point == 0x2029 || point == 0x200e || point == 0x200f || point == 0x061c ||
           (point >= 0x202a && point <= 0x202e) || (point >= 0x2066 && point <= 0x2069);
}

void appendEscape(std::string& out, char32_t point) {
    char escape[16];
    std::snprintf(escape, sizeof(escape), "\\u%04x", unsigned(point));
    out += escape;
}

void appendAddress(std::string& out, const char* name, const TcpSocket& socket,
                   const std::array<std::uint8_t, 16>& address, std::uint16_t port) {
    char text[INET6_ADDRSTRLEN];
    ::inet_ntop(socket.family, address.data(), text, sizeof(text));
    out += ",\"";
    out += name;
    out += "_address\":\"";
    out += text;
    out += "\",\"";
    out += name;
    out += "_port\":";
    listing::appendNumber(out, port);
}

void appendField(std::string& out, const char* name, std::uint64_t value) {
    out += ",\"";
    out += name;
    out += "\":";
    out += std::to_string(value);
}

void appendTrafficInfo(std::string& out, const TcpSocket& socket) {
    const os::sockets::TcpTrafficInfo& info = socket.traffic;
    if (socket.protocol == IPPROTO_UDP || !info.known) {
        out += ",\"tcp_info\":null";
        return;
    }
    out += ",\"tcp_info\":{\"rtt_us\":";
    out += std::to_string(info.smoothedRoundTrip);
    appendField(out, "rttvar_us", info.roundTripVariance);
    appendField(out, "bytes_sent", info.wireBytesSent);
    appendField(out, "bytes_acked", info.bytesAcked);
    appendField(out, "bytes_received", info.wireBytesReceived);
    appendField(out, "bytes_retrans", info.bytesRetransmitted);
    appendField(out, "segs_out", info.segmentsOut);
    appendField(out, "segs_in", info.segmentsIn);
    appendField(out, "total_retrans", info.totalRetransmits);
    out += '}';
}

} // namespace

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t at = 0; at < text.size();) {
        char32_t point = 0;
        const std::size_t length = readUtf8(text, at, point);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
            continue;
        }
        if (point == '"' || point == '\\') {
            out += '\\';
            out += char(point);
        } else if (point < 0x20 || point == 0x7f || (point >= 0x80 && point < 0xa0) || isFormatting(point)) {
            appendEscape(out, point);
        } else {
            out.append(text, at, length);
        }
        at += length;
    }
    out += '"';
}

std::string formatJsonListing(const std::vector<ListedConnection>& connections,
                              const std::vector<std::string>& programs, bool trafficInfo) {
    std::string out;
    out.reserve(connections.size() * (trafficInfo ? 400 : 220));
    for (std::size_t i = 0; i < connections.size(); ++i) {
        const TcpSocket& socket = connections[i].socket;
        const bool udp = socket.protocol == IPPROTO_UDP;
        out += udp ? "{\"protocol\":\"udp\"" : "{\"protocol\":\"tcp\"";
        out += socket.family == AF_INET6 ? ",\"ip_version\":6" : ",\"ip_version\":4";
        appendAddress(out, "local", socket, socket.localAddress, socket.localPort);
        appendAddress(out, "remote", socket, socket.remoteAddress, socket.remotePort);
        out += ",\"state\":";
        // A UDP endpoint has no state, as in the text listing.
        if (udp) {
            out += "null";
        } else {
            out += '"';
            out += listing::stateWord(os::sockets::systemTcpState(socket.state));
            out += '"';
        }
        out += ",\"process_id\":";
        out += connections[i].processId > 0 ? std::to_string(connections[i].processId) : "null";
        appendField(out, "user_id", socket.userId);
        out += ",\"program\":";
        if (i < programs.size() && !programs[i].empty())
            appendJsonString(out, programs[i]);
        else
            out += "null";
        if (trafficInfo)
            appendTrafficInfo(out, socket);
        out += "}\n";
    }
    return out;
}
