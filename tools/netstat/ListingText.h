#pragma once

// The listing's text, as the system's netstat prints it and the program's parser reads it:
// shared by the companion command of each platform. Plain C++.

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace listing {

inline constexpr char Heading[] = "\r\nActive Connections\r\n\r\n"
                                  "  Proto  Local Address          Foreign Address        State           PID\r\n";

// Heads the connections of another network namespace, after the machine's own:
// "Active Connections in net:[4026532281] of process 4242", the process it was read through.
inline constexpr char NamespaceTitle[] = "Active Connections in net:[";
inline constexpr char NamespaceProcess[] = "] of process ";

// State words in the system's TCP state numbering (1 closed ... 12 delete-tcb).
inline const char* stateWord(int state) {
    static const char* const words[] = {
        "",           "CLOSED",     "LISTENING", "SYN_SENT", "SYN_RECEIVED", "ESTABLISHED", "FIN_WAIT_1",
        "FIN_WAIT_2", "CLOSE_WAIT", "CLOSING",   "LAST_ACK", "TIME_WAIT",    "DELETE_TCB"};
    return state >= 1 && state <= 12 ? words[state] : words[0];
}

inline void appendPadded(std::string& out, std::string_view text, std::size_t width) {
    out += text;
    // At least one space always separates two columns, however long the text.
    out.append(text.size() < width ? width - text.size() : 1, ' ');
}

inline void appendNumber(std::string& out, std::uint32_t number) {
    char digits[10];
    const auto end = std::to_chars(digits, digits + sizeof(digits), number).ptr;
    out.append(digits, std::size_t(end - digits));
}

// One CRLF-ended line. A UDP endpoint has no foreign address and no state:
// "UDP 0.0.0.0:5353 *:* 812". The owner is a process id, or a mark where none can be given.
inline void appendLine(std::string& out, bool udp, std::string_view local, std::string_view foreign,
                       int state, std::string_view owner) {
    out += udp ? "  UDP    " : "  TCP    ";
    appendPadded(out, local, 23);
    appendPadded(out, udp ? std::string_view("*:*") : foreign, 23);
    if (!udp)
        appendPadded(out, stateWord(state), 16);
    out += owner;
    out += "\r\n";
}

inline void appendNamespaceHeading(std::string& out, std::uint64_t inode, std::uint32_t processId) {
    out += "\r\n";
    out += NamespaceTitle;
    out += std::to_string(inode);
    out += NamespaceProcess;
    appendNumber(out, processId);
    const std::string_view heading(Heading);
    out += heading.substr(heading.find("\r\n\r\n")); // the column header under its own title
}

inline void appendLine(std::string& out, bool udp, std::string_view local, std::string_view foreign,
                       int state, std::uint32_t processId) {
    std::string owner;
    appendNumber(owner, processId);
    appendLine(out, udp, local, foreign, state, std::string_view(owner));
}

} // namespace listing
