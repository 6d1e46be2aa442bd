#pragma once

#include "platform/os/linux/sockets/TcpSocketTable.h"

#include <cstring>
#include <map>
#include <vector>

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>

namespace testsupport {

// One message of a scripted netlink reply.
struct DumpMessage {
    enum Kind { Socket, Done, Error } kind = Socket;
    int localPort = 0;          // Socket: the socket's local port (its identity in tests)
    int result = 0;             // Done: the result the final message carries
    std::uint16_t flags = 0;    // extra header flags (NLM_F_DUMP_INTR)
    bool staleSequence = false; // answers an earlier request
    int cutBy = 0;              // bytes missing from its end
};

inline DumpMessage socketMessage(int port) {
    return {DumpMessage::Socket, port};
}
inline DumpMessage doneMessage(int result = 0) {
    return {DumpMessage::Done, 0, result};
}

// One reply: its messages, or a receive that fails.
struct DumpReply {
    std::vector<DumpMessage> messages;
    bool receiveFails = false;
};

// A netlink dumper that answers from a script per address family instead of the kernel.
class ScriptedDumper : public os::sockets::NetlinkTcpDumper {
public:
    std::map<int, std::vector<DumpReply>> replies; // by family, in order
    int requests = 0;

    static std::vector<char> encode(const DumpMessage& message, unsigned sequence) {
        nlmsghdr header{};
        std::vector<char> payload;
        if (message.kind == DumpMessage::Socket) {
            inet_diag_msg entry{};
            entry.idiag_state = 1; // established
            entry.id.idiag_sport = htons(std::uint16_t(message.localPort));
            entry.idiag_inode = std::uint32_t(message.localPort);
            payload.assign(reinterpret_cast<const char*>(&entry), reinterpret_cast<const char*>(&entry + 1));
            header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
        } else if (message.kind == DumpMessage::Done) {
            payload.assign(reinterpret_cast<const char*>(&message.result),
                           reinterpret_cast<const char*>(&message.result + 1));
            header.nlmsg_type = NLMSG_DONE;
        } else {
            nlmsgerr error{};
            error.error = -4;
            payload.assign(reinterpret_cast<const char*>(&error), reinterpret_cast<const char*>(&error + 1));
            header.nlmsg_type = NLMSG_ERROR;
        }
        header.nlmsg_len = std::uint32_t(NLMSG_LENGTH(payload.size()));
        header.nlmsg_flags = std::uint16_t(NLM_F_MULTI | message.flags);
        header.nlmsg_seq = message.staleSequence ? sequence - 1 : sequence;
        std::vector<char> bytes(NLMSG_SPACE(payload.size()));
        std::memcpy(bytes.data(), &header, sizeof(header));
        std::memcpy(bytes.data() + NLMSG_HDRLEN, payload.data(), payload.size());
        bytes.resize(bytes.size() - std::size_t(message.cutBy));
        return bytes;
    }

protected:
    bool sendRequest(const void* request, std::size_t) override {
        nlmsghdr header;
        std::memcpy(&header, request, sizeof(header));
        inet_diag_req_v2 body;
        std::memcpy(&body, static_cast<const char*>(request) + NLMSG_HDRLEN, sizeof(body));
        m_sequence = header.nlmsg_seq;
        m_family = body.sdiag_family;
        m_next = 0;
        ++requests;
        return true;
    }

    long receiveReply(char* buffer, std::size_t size) override {
        std::vector<DumpReply>& script = replies[m_family];
        if (m_next >= script.size() || script[m_next].receiveFails)
            return -1;
        std::vector<char> bytes;
        for (const DumpMessage& message : script[m_next++].messages) {
            const std::vector<char> one = encode(message, m_sequence);
            bytes.insert(bytes.end(), one.begin(), one.end());
        }
        if (bytes.size() > size)
            return -1;
        std::memcpy(buffer, bytes.data(), bytes.size());
        return long(bytes.size());
    }

private:
    unsigned m_sequence = 0;
    int m_family = 0;
    std::size_t m_next = 0;
};

} // namespace testsupport
