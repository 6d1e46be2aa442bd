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

    static std::vector<char> encode(const DumpMessage& message, unsigned sequence) {
        inet_diag_msg entry{};
        entry.idiag_state = 1; // established
        entry.id.idiag_sport = htons(std::uint16_t(message.localPort));
        entry.idiag_inode = std::uint32_t(message.localPort);
        const nlmsgerr error{-4, {}};
        const int type[] = {SOCK_DIAG_BY_FAMILY, NLMSG_DONE, NLMSG_ERROR};
        const void* payload[] = {&entry, &message.result, &error};
        const std::size_t size[] = {sizeof(entry), sizeof(message.result), sizeof(error)};
        nlmsghdr header{std::uint32_t(NLMSG_LENGTH(size[message.kind])), std::uint16_t(type[message.kind]),
                        std::uint16_t(NLM_F_MULTI | message.flags),
                        message.staleSequence ? sequence - 1 : sequence, 0};
        std::vector<char> bytes(NLMSG_SPACE(size[message.kind]));
        std::memcpy(bytes.data(), &header, sizeof(header));
        std::memcpy(bytes.data() + NLMSG_HDRLEN, payload[message.kind], size[message.kind]);
        bytes.resize(bytes.size() - std::size_t(message.cutBy));
        return bytes;
    }

protected:
    bool sendRequest(const void* request, std::size_t) override {
        struct {
            nlmsghdr header;
            inet_diag_req_v2 body;
        } sent;
        std::memcpy(&sent, request, sizeof(sent));
        m_sequence = sent.header.nlmsg_seq;
        m_family = sent.body.sdiag_family;
        m_next = 0;
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
