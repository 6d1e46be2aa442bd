// links: tavren_mainwindow
#include "connectionlist/ConnectionModel.h"
#include "mainwindow/Form1.h"
#include "platform/os/Backend.h"
#include "platform/os/remote/RemoteSystem.h"
#include "platform/widgets/StatusBar.h"
#include "snapshot/ConnectionTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

// A window of another host, against an sshd of the test's own on a free loopback port (never
// the system's service), with keys and a known_hosts made for it.
class RemoteSshdTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void listsWhatSsListsWithPaths();
    void refusesAnUnknownHostKey();
    void stoppedHostLeavesTheWindowAnswering();
    void longAnswerIsCutAndSaidSo();

private:
    os::remote::SshSettings settings(const QString& config, std::chrono::milliseconds timeout) const;
    void signalSshd(int signal) const;

    QTemporaryDir m_dir;
    quint16 m_port = 0;
    pid_t m_sshd = 0;
};

namespace {

// "LOCAL-PORT REMOTE-PORT OWNER"
using Connection = QString;
Connection connection(uint localPort, uint remotePort, int owner) {
    return QStringLiteral("%1 %2 %3").arg(localPort).arg(remotePort).arg(owner);
}
bool touches(const Connection& connection, quint16 port) {
    const QStringList ports = connection.split(QLatin1Char(' '));
    return ports[0].toUInt() == port || ports[1].toUInt() == port;
}

// What `ss -tnp` lists with an owner.
QSet<Connection> ssConnections() {
    QProcess ss;
    ss.start(QStringLiteral("/usr/bin/ss"), {QStringLiteral("-tnpH")});
    ss.waitForFinished(10000);
    QSet<Connection> found;
    static const QRegularExpression line(
        QStringLiteral(R"(^\S+\s+\d+\s+\d+\s+\S+:(\d+)\s+\S+:(\d+)\s.*?pid=(\d+),)"),
        QRegularExpression::MultilineOption);
    for (const auto& match : line.globalMatch(QString::fromLocal8Bit(ss.readAllStandardOutput())))
        found.insert(
            connection(match.captured(1).toUInt(), match.captured(2).toUInt(), match.captured(3).toInt()));
    return found;
}

// Pairs of loopback connections, both ends in this process.
QList<int> openConnections(int pairs, int& listener) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(listener, 8);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    QList<int> ends;
    for (int i = 0; i < pairs; ++i) {
        const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::connect(client, reinterpret_cast<sockaddr*>(&address), length);
        ends << client << ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    }
    return ends;
}

// The sshd and every process it started (one per connection).
QList<pid_t> sshdProcesses(pid_t sshd) {
    QList<pid_t> tree{sshd};
    for (int round = 0; round < 3; ++round)
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QList<QByteArray> fields = stat.readAll().split(')').last().simplified().split(' ');
            const pid_t parent = fields.size() > 1 ? fields[1].toInt() : 0;
            if (tree.contains(parent) && !tree.contains(entry.toInt()))
                tree << entry.toInt();
        }
    return tree;
}

QString panel(Form1& form, int index) {
    return form.StatusBar1->panelText(index);
}

} // namespace

void RemoteSshdTest::initTestCase() {
    QVERIFY(m_dir.isValid());
    QString script = QStringLiteral(__FILE__);
    if (QDir::isRelativePath(script))
        script = QDir(QStringLiteral(TAVREN_BINARY_DIR)).filePath(script);
    QProcess start;
    start.start(QFileInfo(script).absolutePath() + QStringLiteral("/../scripts/loopback-sshd"),
                {m_dir.path()});
    QVERIFY(start.waitForFinished(30000));
    const QStringList started = QString::fromLatin1(start.readAllStandardOutput()).split(QLatin1Char(' '));
    QVERIFY2(start.exitCode() == 0 && started.size() == 2, start.readAllStandardError().constData());
    m_port = quint16(started[0].toUInt());
    m_sshd = started[1].trimmed().toInt();
}

void RemoteSshdTest::cleanupTestCase() {
    if (m_sshd > 0) {
        signalSshd(SIGCONT);
        ::kill(m_sshd, SIGTERM);
    }
}

void RemoteSshdTest::signalSshd(int signal) const {
    for (pid_t process : sshdProcesses(m_sshd))
        ::kill(process, signal);
}

os::remote::SshSettings RemoteSshdTest::settings(const QString& config,
                                                 std::chrono::milliseconds timeout) const {
    os::remote::SshDestination destination;
    destination.user = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    destination.host = QStringLiteral("127.0.0.1");
    destination.port = m_port;
    return {destination, m_dir.filePath(config), timeout};
}

void RemoteSshdTest::listsWhatSsListsWithPaths() {
    int listener = -1;
    const QList<int> ends = openConnections(3, listener);
    os::remote::RemoteSystem system(settings(QStringLiteral("ssh_config"), std::chrono::seconds(20)),
                                    os::makeSystem());
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    QCOMPARE(form.windowTitle(), QStringLiteral("Tavren NetStat - 127.0.0.1"));
    const QSet<Connection> before = ssConnections();
    form.RefreshView();
    const QSet<Connection> after = ssConnections();
    QVERIFY2(panel(form, 1).startsWith(QLatin1String("Last Refreshed")), qPrintable(panel(form, 2)));

    QSet<Connection> listed;
    const connectionlist::ConnectionModel& rows = form.connections();
    for (int i = 0; i < rows.rowCount(); ++i) {
        const connectionlist::ConnectionRow& row = *rows.row(i);
        listed.insert(connection(row.localPort.value_or(0), row.remotePort.value_or(0), row.processId));
        QCOMPARE(row.programPath,
                 QFileInfo(QStringLiteral("/proc/%1/exe").arg(row.processId)).symLinkTarget());
    }
    // Every connection there before and after is listed; what is listed and neither was
    // there a moment (the sessions of ssh itself) or is ssh's own.
    QSet<Connection> stable = before;
    stable.intersect(after);
    QVERIFY(stable.size() >= 6);
    for (const Connection& each : stable)
        QVERIFY2(listed.contains(each), qPrintable(each));
    for (const Connection& each : listed)
        QVERIFY2(before.contains(each) || after.contains(each) || touches(each, m_port), qPrintable(each));
    for (int fd : ends)
        ::close(fd);
    ::close(listener);
}

void RemoteSshdTest::refusesAnUnknownHostKey() {
    QFile empty(m_dir.filePath(QStringLiteral("empty_known_hosts")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile config(m_dir.filePath(QStringLiteral("ssh_config")));
    QVERIFY(config.open(QIODevice::ReadOnly));
    QFile strict(m_dir.filePath(QStringLiteral("strict_config")));
    QVERIFY(strict.open(QIODevice::WriteOnly));
    strict.write(config.readAll().replace("/known_hosts", "/empty_known_hosts"));
    strict.close();

    os::remote::RemoteSystem system(settings(QStringLiteral("strict_config"), std::chrono::seconds(20)),
                                    os::makeSystem());
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    form.RefreshView();
    const QString message = panel(form, 2);
    QVERIFY2(message.startsWith(QLatin1String("Not connected: ")) &&
                 message.contains(QLatin1String("Host key verification failed")) &&
                 message.contains(QStringLiteral("\"ssh -p %1 ").arg(m_port)),
             qPrintable(message));
    QCOMPARE(form.connections().rowCount(), 0);
}

void RemoteSshdTest::stoppedHostLeavesTheWindowAnswering() {
    const std::chrono::seconds limit(4);
    os::remote::RemoteSystem system(settings(QStringLiteral("ssh_config"), limit), os::makeSystem());
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    form.show();
    form.RefreshView(); // the master connection is up
    QVERIFY2(panel(form, 1).startsWith(QLatin1String("Last Refreshed")), qPrintable(panel(form, 2)));

    signalSshd(SIGSTOP);
    QElapsedTimer clock;
    qint64 answeredAt = -1;
    QTimer::singleShot(300, &form, [&] {
        QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier);
        answeredAt = form.isFilterShown() ? clock.elapsed() : -1;
    });
    clock.start();
    form.RefreshView();
    const qint64 took = clock.elapsed();
    signalSshd(SIGCONT);
    QVERIFY2(answeredAt >= 0 && answeredAt < 2000, qPrintable(QString::number(answeredAt)));
    QVERIFY2(panel(form, 2).startsWith(QLatin1String("Not connected: ")), qPrintable(panel(form, 2)));
    QVERIFY2(took < 4000 + 3000, qPrintable(QString::number(took)));

    // The connection drops (its sshd ends): the next refresh connects anew.
    for (pid_t session : sshdProcesses(m_sshd))
        if (session != m_sshd)
            ::kill(session, SIGTERM);
    QTest::qWait(300);
    form.RefreshView();
    if (!panel(form, 1).startsWith(QLatin1String("Last Refreshed")))
        form.RefreshView(); // the first may still meet the master going down
    QVERIFY2(panel(form, 1).startsWith(QLatin1String("Last Refreshed")), qPrintable(panel(form, 2)));
}

void RemoteSshdTest::longAnswerIsCutAndSaidSo() {
    // The host answers the script with its first two lines, then 50 MiB without a line end.
    QFile keys(m_dir.filePath(QStringLiteral("authorized_keys")));
    QVERIFY(keys.open(QIODevice::ReadOnly));
    const QByteArray key = keys.readAll();
    keys.close();
    QVERIFY(keys.open(QIODevice::WriteOnly | QIODevice::Truncate));
    keys.write(R"(command="read -r l; n=${l#n=}; printf '%s tavren-remote 1\n%s ss tcp\n' \"$n\" \"$n\"; )"
               R"(head -c 52428800 /dev/zero | tr '\\0' x" )" +
               key);
    keys.close();
    os::remote::RemoteSystem system(settings(QStringLiteral("ssh_config"), std::chrono::seconds(60)),
                                    os::makeSystem());
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    form.RefreshView();
    QVERIFY2(panel(form, 2).contains(QLatin1String("the listing was too long")), qPrintable(panel(form, 2)));
    QVERIFY(keys.open(QIODevice::WriteOnly | QIODevice::Truncate));
    keys.write(key);
}

QTEST_MAIN(RemoteSshdTest)
#include "tst_remotesshd.moc"
