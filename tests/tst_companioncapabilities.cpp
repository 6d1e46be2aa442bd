// links:
// Run as root: a copy of the companion command given the package's file capabilities, run as
// the unprivileged user "nobody", sees the owner of the test's own root-owned loopback
// connections, holds nothing once it prints, and without the grant sees owner 0.
#include "support/OtherUser.h"

#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>

using testsupport::ChildAs;

class CompanionCapabilitiesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void ownersSeenByANormalUser_data();
    void ownersSeenByANormalUser();

private:
    QString copyOfCompanion(const QString& name, bool granted);

    QTemporaryDir m_folder;
    QString m_setcap;
    testsupport::OtherUser m_user{};
};

namespace {

constexpr char Grant[] = "cap_dac_read_search,cap_sys_ptrace+ep";
constexpr quint64 DacReadSearch = 1ull << 2, SysPtrace = 1ull << 19;
// The listing of this many connections outgrows the smallest pipe, so the command is
// caught alive in the middle of writing it.
constexpr int Connections = 60, PipeSize = 4096;

// "CapEff" and its like from a /proc/PID/status text.
std::optional<quint64> capabilities(const QByteArray& status, const QByteArray& field) {
    for (const QByteArray& line : status.split('\n')) {
        bool ok = false;
        const quint64 value = line.mid(field.size() + 1).trimmed().toULongLong(&ok, 16);
        if (line.startsWith(field + ':') && ok)
            return value;
    }
    return std::nullopt;
}

} // namespace

QString CompanionCapabilitiesTest::copyOfCompanion(const QString& name, bool granted) {
    const QString copy = m_folder.filePath(name);
    if (!QFile::copy(name == "probe" ? "/bin/cat" : TAVREN_BINARY_DIR "/bin/tavren-netstat-cli", copy))
        return {};
    QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ReadOther | QFile::ExeOther);
    if (granted && QProcess::execute(m_setcap, {Grant, copy}) != 0)
        return {};
    return copy;
}

void CompanionCapabilitiesTest::initTestCase() {
    const auto user = testsupport::unprivilegedUser();
    if (!user)
        QSKIP("needs root and the user \"nobody\": it grants a copy of the companion command file "
              "capabilities and runs it as that unprivileged user");
    m_user = *user;
    m_setcap = QStandardPaths::findExecutable("setcap", {"/usr/sbin", "/sbin", "/usr/bin"});
    if (m_setcap.isEmpty())
        QSKIP("setcap is missing (Debian package libcap2-bin, which scripts/setup installs)");
    QVERIFY(m_folder.isValid());
    QVERIFY(QFile::setPermissions(m_folder.path(), QFile::permissions(m_folder.path()) | QFile::ExeOther));

    // Can a file here hold capabilities, and do they take effect when it runs?
    const QString probe = copyOfCompanion("probe", true);
    if (probe.isEmpty())
        QSKIP("this file system does not keep file capabilities: setcap failed on a file in the temporary "
              "folder");
    ChildAs cat(m_user, testsupport::execute(probe.toLocal8Bit(), "/proc/self/status"));
    const quint64 effective = capabilities(cat.finish(), "CapEff").value_or(0);
    if ((effective & (DacReadSearch | SysPtrace)) != (DacReadSearch | SysPtrace))
        QSKIP(
            qPrintable(QStringLiteral("file capabilities have no effect here: a copy of cat given %1 ran as "
                                      "nobody with CapEff=%2 (a nosuid mount of the temporary folder, or a "
                                      "kernel that ignores file capabilities, such as a sandbox kernel)")
                           .arg(Grant)
                           .arg(effective, 16, 16, QLatin1Char('0'))));
}

void CompanionCapabilitiesTest::ownersSeenByANormalUser_data() {
    QTest::addColumn<bool>("granted");
    QTest::addColumn<bool>("hidepid"); // /proc hides other users' processes from the user
    QTest::newRow("with the grant: this process owns them") << true << false;
    QTest::newRow("without it: owner 0") << false << false;
    QTest::newRow("with the grant where /proc hides them: owner 0") << true << true;
}

void CompanionCapabilitiesTest::ownersSeenByANormalUser() {
    QFETCH(bool, granted);
    QFETCH(bool, hidepid);
    const int owner = granted && !hidepid ? int(::getpid()) : 0;
    const QString copy = copyOfCompanion(!granted ? "plain" : hidepid ? "hidden" : "granted", granted);
    QVERIFY(!copy.isEmpty());

    // Connections of this (root) process to its own listener on 127.0.0.1.
    QList<int> sockets{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    QVERIFY(::bind(sockets[0], reinterpret_cast<sockaddr*>(&address), length) == 0);
    QVERIFY(::listen(sockets[0], Connections) == 0);
    QVERIFY(::getsockname(sockets[0], reinterpret_cast<sockaddr*>(&address), &length) == 0);
    const QString server = QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port));
    QSet<QString> wanted;
    for (int i = 0; i < Connections; ++i) {
        sockets << ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(::connect(sockets.last(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0);
        sockets << ::accept4(sockets[0], nullptr, nullptr, SOCK_CLOEXEC);
        sockaddr_in client{};
        socklen_t clientLength = sizeof(client);
        ::getsockname(sockets[sockets.size() - 2], reinterpret_cast<sockaddr*>(&client), &clientLength);
        const QString near = QStringLiteral("127.0.0.1:%1").arg(ntohs(client.sin_port));
        wanted << near + ' ' + server << server + ' ' + near;
    }
    const auto closeAll = qScopeGuard([&] {
        for (int fd : sockets)
            ::close(fd);
    });

    // Hidden in a /proc of its own, in a mount namespace of its own: the machine's stays as it is.
    ChildAs companion(m_user, testsupport::execute(copy.toLocal8Bit(), "-n"), PipeSize, [hidepid] {
        return !hidepid || (::unshare(CLONE_NEWNS) == 0 &&
                            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                            ::mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV, "hidepid=invisible") == 0);
    });
    // Once the pipe is full the command has begun its output and waits with more to write:
    // by then it must hold no capability at all.
    int waiting = 0;
    for (int i = 0; i < 3000 && waiting < PipeSize; ++i) {
        QTest::qSleep(10);
        ::ioctl(companion.output, FIONREAD, &waiting);
    }
    QCOMPARE(waiting, PipeSize);
    QFile statusFile(QStringLiteral("/proc/%1/status").arg(companion.pid));
    QVERIFY(statusFile.open(QIODevice::ReadOnly));
    const QByteArray status = statusFile.readAll();
    QVERIFY2(!status.contains("State:\tZ"),
             "the listing fitted the pipe; the command was not caught writing");
    QCOMPARE(capabilities(status, "CapEff"), std::optional<quint64>(0));
    QCOMPARE(capabilities(status, "CapPrm"), std::optional<quint64>(0));

    int exitCode = -2;
    const QByteArray listing = companion.finish(&exitCode);
    QCOMPARE(exitCode, 0);
    QSet<QString> found;
    for (const QByteArray& line : listing.split('\n')) {
        const QStringList fields = QString::fromLatin1(line).simplified().split(' ');
        if (fields.size() < 5 || !wanted.contains(fields[1] + ' ' + fields[2]))
            continue;
        QCOMPARE(fields[4].toInt(), owner);
        found << fields[1] + ' ' + fields[2];
    }
    QCOMPARE(found.size(), wanted.size());
}

QTEST_MAIN(CompanionCapabilitiesTest)
#include "tst_companioncapabilities.moc"
