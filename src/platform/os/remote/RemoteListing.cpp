#include "platform/os/remote/RemoteListing.h"

#include "platform/os/Backend.h"
#include "platform/os/OperatingSystem.h"

#include <QVarLengthArray>

#include <charconv>

namespace os::remote {

namespace {

// A socket line with its figures is about a kilobyte; one far longer is no line of ss.
constexpr qsizetype LineLimit = 16 * 1024;
constexpr qsizetype CommandLineLimit = 64 * 1024;

enum class Section { None, SsTcp, SsUdp, Netstat, Other };

using Fields = QVarLengthArray<QByteArrayView, 16>;

Fields splitFields(QByteArrayView line) {
    Fields fields;
    qsizetype i = 0;
    const qsizetype size = line.size();
    while (i < size) {
        while (i < size && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const qsizetype start = i;
        while (i < size && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            fields.append(line.sliced(start, i - start));
    }
    return fields;
}

template <typename Number> std::optional<Number> number(QByteArrayView text) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.isEmpty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

// ss's state words, and the listing's, in the TcpState numbering.
int ssState(QByteArrayView word) {
    static const std::pair<const char*, int> words[] = {
        {"ESTAB", TcpEstablished},   {"SYN-SENT", TcpSynSent},     {"SYN-RECV", TcpSynReceived},
        {"FIN-WAIT-1", TcpFinWait1}, {"FIN-WAIT-2", TcpFinWait2},  {"TIME-WAIT", TcpTimeWait},
        {"CLOSE", TcpClosed},        {"CLOSE-WAIT", TcpCloseWait}, {"LAST-ACK", TcpLastAck},
        {"LISTEN", TcpListen},       {"CLOSING", TcpClosing}};
    for (const auto& [text, state] : words)
        if (word == QByteArrayView(text))
            return state;
    return 0;
}

int listingState(QByteArrayView word) {
    static const char* const words[] = {
        "",           "CLOSED",     "LISTENING", "SYN_SENT", "SYN_RECEIVED", "ESTABLISHED", "FIN_WAIT_1",
        "FIN_WAIT_2", "CLOSE_WAIT", "CLOSING",   "LAST_ACK", "TIME_WAIT",    "DELETE_TCB"};
    for (int state = TcpClosed; state <= TcpDeleteTcb; ++state)
        if (word == QByteArrayView(words[state]))
            return state;
    return 0;
}

// "127.0.0.1:22", "[::1]:631", "127.0.0.1%lo:53", "*:22", "0.0.0.0:*": the address in numbers
// (without its interface) and the port, "*" being none (0). False for anything else.
bool readEnd(QByteArrayView text, QString& address, std::uint16_t& port, bool& ipv6) {
    const qsizetype colon = text.lastIndexOf(':');
    if (colon <= 0)
        return false;
    QByteArrayView host = text.first(colon);
    const QByteArrayView portText = text.sliced(colon + 1);
    if (portText == "*") {
        port = 0;
    } else if (const auto value = number<std::uint16_t>(portText)) {
        port = *value;
    } else {
        return false;
    }
    if (host.startsWith('[') && host.endsWith(']'))
        host = host.sliced(1, host.size() - 2);
    if (const qsizetype scope = host.indexOf('%'); scope > 0)
        host = host.first(scope);
    if (host == "*") {
        address.clear(); // any address; the family follows the other end
        return true;
    }
    std::array<std::uint8_t, 16> bytes;
    address = QString::fromLatin1(host.data(), host.size());
    return numericAddressBytes(address, ipv6, bytes);
}

bool readEnds(QByteArrayView local, QByteArrayView remote, RemoteSocket& socket) {
    bool localIpv6 = false, remoteIpv6 = false;
    if (!readEnd(local, socket.localAddress, socket.localPort, localIpv6) ||
        !readEnd(remote, socket.remoteAddress, socket.remotePort, remoteIpv6))
        return false;
    const bool ipv6 = socket.localAddress.isEmpty() ? remoteIpv6 : localIpv6;
    const QString any = ipv6 ? QStringLiteral("::") : QStringLiteral("0.0.0.0");
    if (socket.localAddress.isEmpty())
        socket.localAddress = any;
    if (socket.remoteAddress.isEmpty())
        socket.remoteAddress = any;
    return true;
}

// "users:(("sshd",pid=812,fd=3),...)": the first owner's id. A process chooses its own name,
// so the id is read from the first ",pid=" after the list's start, as the script reads it.
std::int32_t ownerOf(QByteArrayView token) {
    const qsizetype at = token.indexOf(",pid=");
    if (at < 0)
        return 0;
    QByteArrayView digits = token.sliced(at + 5);
    qsizetype length = 0;
    while (length < digits.size() && digits[length] >= '0' && digits[length] <= '9')
        ++length;
    if (length == digits.size() || digits[length] != ',')
        return 0;
    const auto value = number<std::int32_t>(digits.first(length));
    return value && *value > 0 ? *value : 0;
}

// A socket line of ss -tanpie or -uanpe: state, queues, both ends, then the owners, the
// timer, uid, inode and more as "name:value" tokens.
bool readSsLine(const Fields& fields, bool udp, RemoteSocket& socket) {
    if (fields.size() < 5)
        return false;
    socket.udp = udp;
    socket.state = udp ? 0 : ssState(fields[0]);
    if ((!udp && socket.state == 0) || (udp && fields[0] != "UNCONN" && fields[0] != "ESTAB"))
        return false;
    if (!number<std::uint64_t>(fields[1]) || !number<std::uint64_t>(fields[2]) ||
        !readEnds(fields[3], fields[4], socket))
        return false;
    bool inodeSeen = false;
    // A process name may hold spaces, so the owner list may span several fields: the owner is
    // read from the joined rest of the line.
    for (qsizetype i = 5; i < fields.size(); ++i) {
        const QByteArrayView field = fields[i];
        if (field.startsWith("users:((")) {
            const QByteArrayView rest(field.data(),
                                      fields.back().data() + fields.back().size() - field.data());
            socket.processId = ownerOf(rest);
            // An owner list without an owner, or not closed, is a line cut by a line end in a
            // process's name: its owner is not guessed.
            if (socket.processId == 0 || !rest.contains("))"))
                return false;
        } else if (field.startsWith("ino:")) {
            const auto inode = number<std::uint64_t>(field.sliced(4));
            inodeSeen = inode.has_value();
            socket.held = inode.value_or(0) != 0;
        }
    }
    // Without -e's inode a socket counts as held unless it is a time-wait one, which no
    // process holds.
    if (!inodeSeen)
        socket.held = socket.state != TcpTimeWait;
    socket.held |= socket.processId != 0;
    return true;
}

// The indented line of -i below a socket line: its figures.
bool readFigures(const Fields& fields, TrafficFigures& figures) {
    for (const QByteArrayView field : fields) {
        if (field.startsWith("bytes_acked:")) {
            figures.bytesSent = number<std::uint64_t>(field.sliced(12)).value_or(0);
        } else if (field.startsWith("bytes_received:")) {
            figures.bytesReceived = number<std::uint64_t>(field.sliced(15)).value_or(0);
        } else if (field.startsWith("rtt:")) {
            // "rtt:0.019/0.009": smoothed and variance, in milliseconds.
            QByteArrayView value = field.sliced(4);
            value = value.first(value.indexOf('/') < 0 ? value.size() : value.indexOf('/'));
            bool ok = false;
            const double milliseconds = QByteArray(value.data(), value.size()).toDouble(&ok);
            if (ok && milliseconds >= 0 && milliseconds < 4e6)
                figures.roundTripMicroseconds = std::uint32_t(milliseconds * 1000 + 0.5);
        } else if (field.startsWith("retrans:")) {
            // "retrans:0/3": in flight now, and all the socket ever made.
            const QByteArrayView value = field.sliced(8);
            const qsizetype slash = value.indexOf('/');
            if (slash >= 0)
                figures.retransmits = number<std::uint32_t>(value.sliced(slash + 1)).value_or(0);
        }
    }
    return true;
}

// "  TCP    127.0.0.1:22   127.0.0.1:5555   ESTABLISHED   1234": the companion's numeric lines.
bool readNetstatLine(const Fields& fields, RemoteSocket& socket) {
    if (fields.size() < 4 || (fields[0] != "TCP" && fields[0] != "UDP"))
        return false;
    socket.udp = fields[0] == "UDP";
    if (socket.udp ? fields.size() != 4 : fields.size() != 5)
        return false;
    if (!readEnds(fields[1], fields[2], socket))
        return false;
    socket.state = socket.udp ? 0 : listingState(fields[3]);
    const auto owner = number<std::int32_t>(fields.back());
    if ((!socket.udp && socket.state == 0) || !owner || *owner < 0)
        return false;
    socket.processId = *owner;
    socket.held = socket.processId != 0 || socket.state != TcpTimeWait;
    return true;
}

// A path or argument list as the script wrote it: line ends there became BEL, and readlink's
// own line end the last of them.
QString pathText(QByteArrayView value) {
    if (value.endsWith('\a'))
        value.chop(1);
    return QString::fromLocal8Bit(value.data(), value.size());
}

std::optional<QString> commandLineText(QByteArrayView value) {
    QByteArray line(value.data(), std::min(value.size(), CommandLineLimit));
    const bool cut = value.size() >= CommandLineLimit;
    while (line.endsWith('\x01'))
        line.chop(1);
    if (line.isEmpty())
        return std::nullopt;
    line.replace('\x01', ' ');
    QString text = QString::fromLocal8Bit(line);
    return cut ? text + QChar(0x2026) : text;
}

class Reader {
public:
    Reader(QByteArrayView marker, RemoteListing& listing) : m_marker(marker), m_listing(listing) {}

    void line(QByteArrayView line) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (m_listing.complete) {
            ++m_listing.droppedLines; // nothing comes after the end
            return;
        }
        if (line.size() > m_marker.size() && line.startsWith(m_marker) && line[m_marker.size()] == ' ') {
            if (!markerLine(line.sliced(m_marker.size() + 1)))
                ++m_listing.droppedLines;
            return;
        }
        if (!m_listing.recognised)
            return; // a greeting of the login shell before the script ran
        if (!contentLine(line))
            ++m_listing.droppedLines;
    }

private:
    bool markerLine(QByteArrayView line) {
        const qsizetype space = line.indexOf(' ');
        const QByteArrayView kind = space < 0 ? line : line.first(space);
        const QByteArrayView value = space < 0 ? QByteArrayView() : line.sliced(space + 1);
        if (kind == "tavren-remote") {
            if (m_listing.recognised)
                return false; // the first line once only
            m_listing.recognised = value == "1";
            return m_listing.recognised;
        }
        if (!m_listing.recognised)
            return false;
        m_pendingSocket = false;
        if (kind == "end") {
            m_listing.complete = true;
            return true;
        }
        if (kind == "failed") {
            m_listing.failedSteps << QString::fromLatin1(value.first(std::min<qsizetype>(value.size(), 64)));
            return true;
        }
        m_section = Section::Other;
        if (kind == "ss")
            m_section = value == "tcp" ? Section::SsTcp : value == "udp" ? Section::SsUdp : Section::Other;
        else if (kind == "netstat")
            m_section = Section::Netstat;
        if (m_section != Section::Other)
            return true;
        const Fields fields = splitFields(value);
        if (fields.isEmpty())
            return false;
        if (kind == "user") {
            const auto userId = number<std::uint32_t>(fields[0]);
            if (fields.size() != 2 || !userId)
                return false;
            m_listing.userNames.insert(*userId, QString::fromLocal8Bit(fields[1].data(), fields[1].size()));
            return true;
        }
        const auto processId = number<std::int32_t>(fields[0]);
        if (!processId || *processId <= 0)
            return false;
        if (kind == "process") {
            const auto start = fields.size() > 1 ? number<std::uint64_t>(fields[1]) : std::nullopt;
            if (fields.size() < 2 || fields.size() > 3 || !start)
                return false;
            RemoteProcess& process = m_listing.processes[*processId];
            process.startTime = *start;
            if (fields.size() == 3)
                process.userId = number<std::uint32_t>(fields[2]);
            m_process = *processId;
            return true;
        }
        // exe and cmdline belong to the process just announced; the value is all the rest.
        if (*processId != m_process || (kind != "exe" && kind != "cmdline"))
            return false;
        const qsizetype digits = fields[0].size();
        const QByteArrayView text = value.size() > digits ? value.sliced(digits + 1) : QByteArrayView();
        RemoteProcess& process = m_listing.processes[*processId];
        if (kind == "exe")
            process.executable = pathText(text);
        else
            process.commandLine = commandLineText(text);
        return true;
    }

    bool contentLine(QByteArrayView line) {
        if (line.size() > LineLimit)
            return m_pendingSocket = false;
        const Fields fields = splitFields(line);
        if (fields.isEmpty())
            return true;
        switch (m_section) {
        case Section::SsTcp:
        case Section::SsUdp: {
            if (line.front() == '\t' || line.front() == ' ') {
                if (!m_pendingSocket)
                    return false;
                m_pendingSocket = false;
                TrafficFigures figures;
                readFigures(fields, figures);
                m_listing.sockets.back().figures = figures;
                return true;
            }
            if (fields[0] == "State" || fields[0] == "Netid")
                return m_pendingSocket = false, true; // the heading
            RemoteSocket socket;
            m_pendingSocket = readSsLine(fields, m_section == Section::SsUdp, socket);
            if (m_pendingSocket)
                m_listing.sockets.push_back(std::move(socket));
            return m_pendingSocket;
        }
        case Section::Netstat: {
            if (fields[0] == "Active" || fields[0] == "Proto")
                return true; // the title and the heading
            RemoteSocket socket;
            if (!readNetstatLine(fields, socket))
                return false;
            m_listing.sockets.push_back(std::move(socket));
            return true;
        }
        case Section::None:
        case Section::Other:
            return false;
        }
        return false;
    }

    QByteArrayView m_marker;
    RemoteListing& m_listing;
    Section m_section = Section::None;
    bool m_pendingSocket = false; // the last line was a socket that may get its figures
    std::int32_t m_process = 0;
};

} // namespace

ConnectionEnds RemoteSocket::ends() const {
    ConnectionEnds ends;
    bool remoteIpv6 = false;
    numericAddressBytes(localAddress, ends.ipv6, ends.localAddress);
    numericAddressBytes(remoteAddress, remoteIpv6, ends.remoteAddress);
    ends.localPort = localPort;
    ends.remotePort = remotePort;
    return ends;
}

RemoteListing parseRemoteListing(QByteArrayView output, QByteArrayView marker) {
    RemoteListing listing;
    if (marker.isEmpty())
        return listing;
    Reader reader(marker, listing);
    qsizetype start = 0;
    while (start < output.size()) {
        qsizetype end = output.indexOf('\n', start);
        if (end < 0) {
            // A last line without its end was cut: it is not read.
            ++listing.droppedLines;
            listing.complete = false;
            break;
        }
        reader.line(output.sliced(start, end - start));
        start = end + 1;
    }
    return listing;
}

} // namespace os::remote
