// links: tavren_mainwindow tavren_os
#include "connectionlist/ConnectionColumns.h"
#include "connectionlist/ConnectionModel.h"
#include "mainwindow/Form1.h"
#include "mainwindow/FrmInfo.h"
#include "platform/os/linux/ControlGroups.h"
#include "platform/os/linux/LinuxSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "snapshot/ConnectionTable.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <unistd.h>

using connectionlist::Column;

// Which unit, app or container owns a connection, and the connections of other network
// namespaces: the naming rules, then a control group and a network namespace of the test's own
// on the real machine, through the companion command and the main window.
class NamespacesTest : public QObject {
    Q_OBJECT

private slots:
    void serviceOfControlGroup_data();
    void serviceOfControlGroup();
    void initTestCase();
    void cleanupTestCase();
    void companionAgreesWithSs();
    void windowShowsServiceAndNamespace();

private:
    QProcess* startPair(bool privateNamespace);
    QString run(const QString& program, const QStringList& arguments);

    QString m_groups; // the test's own control groups, under the cgroup2 mount
    QStringList m_made;
    QList<QProcess*> m_pairs;
};

namespace {

const QString Hex = "3f2a8c1d9e0b" + QString(52, 'a');

// A loopback connection pair that prints its listening port once connected.
const char* const Pair = "import socket, signal\n"
                         "s = socket.socket(); s.bind(('127.0.0.1', 0)); s.listen(4)\n"
                         "c = socket.create_connection(s.getsockname()); a = s.accept()[0]\n"
                         "print(s.getsockname()[1], flush=True); signal.pause()\n";

} // namespace

void NamespacesTest::serviceOfControlGroup_data() {
    QTest::addColumn<QString>("cgroupFile");
    QTest::addColumn<QString>("name");
    const QString user = "0::/user.slice/user-1000.slice/user@1000.service/app.slice/";
    QTest::newRow("unit") << "0::/system.slice/ssh.service\n"
                          << "ssh.service";
    QTest::newRow("flatpak") << user + "app-flatpak-org.mozilla.firefox-3382.scope"
                             << "flatpak org.mozilla.firefox";
    QTest::newRow("snap") << user + "snap.firefox.firefox-5a1b2c3d.scope"
                          << "snap firefox";
    QTest::newRow("docker scope") << "0::/system.slice/docker-" + Hex + ".scope"
                                  << "docker 3f2a8c1d9e0b";
    QTest::newRow("docker v1") << "3:cpu:/\n1:name=systemd:/docker/" + Hex << "docker 3f2a8c1d9e0b";
    QTest::newRow("podman, inner group") << user + "libpod-" + Hex + ".scope/container"
                                         << "podman 3f2a8c1d9e0b";
    QTest::newRow("launched app") << user + "app-gnome-org.gnome.Terminal-4521.scope"
                                  << "app org.gnome.Terminal";
    QTest::newRow("app, escaped dash") << user + "app-firefox\\x2desr-77.scope"
                                       << "app firefox-esr";
    QTest::newRow("session") << "0::/user.slice/user-1000.slice/session-2.scope"
                             << "session 2";
    QTest::newRow("unknown form") << "0::/kubepods/besteffort/pod12/cafe"
                                  << "cafe";
    QTest::newRow("not a container id") << "0::/system.slice/docker-xyz.scope"
                                        << "docker-xyz.scope";
    QTest::newRow("conmon") << "0::/machine.slice/libpod-conmon-" + Hex + ".scope"
                            << "libpod-conmon-" + Hex + ".scope";
    QTest::newRow("v2 before v1") << "1:name=systemd:/system.slice/a.service\n0::/system.slice/cron.service"
                                  << "cron.service";
    QTest::newRow("root group") << "0::/\n"
                                << "";
    QTest::newRow("unreadable") << ""
                                << "";
}

void NamespacesTest::serviceOfControlGroup() {
    QFETCH(QString, cgroupFile);
    QFETCH(QString, name);
    QCOMPARE(os::linuxbackend::serviceOfControlGroup(os::linuxbackend::controlGroupPath(cgroupFile)), name);
}

void NamespacesTest::initTestCase() {
    if (::geteuid() != 0)
        return; // the naming rules run all the same
    QFile mounts("/proc/self/mounts");
    QVERIFY(mounts.open(QIODevice::ReadOnly));
    for (const QByteArray& line : mounts.readAll().split('\n'))
        if (line.split(' ').value(2) == "cgroup2")
            m_groups =
                QString::fromLocal8Bit(line.split(' ')[1]) + QString("/tavren-test-%1.slice").arg(::getpid());
    QVERIFY2(!m_groups.isEmpty(), "no cgroup2 mount");
    // Under a slice of the test's own, so that runs side by side never share a group.
    for (const QString& group : {QString(), QString("/system.slice"), QString("/system.slice/demo.service"),
                                 "/docker-" + Hex + ".scope"}) {
        QVERIFY(QDir().mkdir(m_groups + group));
        m_made.prepend(m_groups + group);
    }
}

void NamespacesTest::cleanupTestCase() {
    for (QProcess* pair : m_pairs) {
        pair->kill();
        pair->waitForFinished(5000);
    }
    qDeleteAll(m_pairs);
    for (const QString& group : m_made)
        QDir().rmdir(group);
}

QProcess* NamespacesTest::startPair(bool privateNamespace) {
    auto* pair = new QProcess;
    m_pairs << pair;
    if (privateNamespace)
        pair->start("unshare", {"-n", "sh", "-c", "ip link set lo up && exec python3 -c \"$0\"", Pair});
    else
        pair->start("python3", {"-c", Pair});
    return pair->waitForReadyRead(10000) ? pair : nullptr;
}

QString NamespacesTest::run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(20000) ? QString::fromLocal8Bit(process.readAllStandardOutput())
                                          : QString();
}

// The companion's lines of another namespace are what ss prints inside it, and its default
// output has none of them.
void NamespacesTest::companionAgreesWithSs() {
    if (m_groups.isEmpty())
        QSKIP("making control groups and network namespaces needs root");
    QProcess* inside = startPair(true);
    QVERIFY(inside);
    const QString pid = QString::number(inside->processId());
    const QString inode = QFile::symLinkTarget("/proc/" + pid + "/ns/net").section('/', -1);
    const QString companion = TAVREN_BINARY_DIR "/bin/tavren-netstat-cli";
    const QString listing = run(companion, {"-n", "--namespaces"});
    const QString title = "Active Connections in " + inode + " of process " + pid;
    QVERIFY2(listing.contains(title + "\r\n"), qPrintable(listing));
    QStringList listed;
    for (QString line :
         listing.section(title, 1).section("\r\n\r\n", 1).section("\r\n\r\n", 0, 0).split("\r\n"))
        if (!(line = line.simplified()).isEmpty() && !line.startsWith("Proto"))
            listed << line;
    QStringList seen; // "ESTAB 0 0 127.0.0.1:5000 127.0.0.1:6000 users:(("python3",pid=42,fd=4))"
    for (const QString& line : run("nsenter", {"--net=/proc/" + pid + "/ns/net", "ss", "-tnpH"}).split('\n'))
        if (const QStringList fields = line.simplified().split(' '); fields.size() >= 6)
            seen << QString("TCP %1 %2 ESTABLISHED %3")
                        .arg(fields[3], fields[4], fields[5].section("pid=", 1).section(',', 0, 0));
    listed.sort();
    seen.sort();
    QCOMPARE(listed.size(), 2);
    QCOMPARE(listed, seen);
    QVERIFY(!run(companion, {"-n"}).contains(inode));
}

// A connection in a unit's control group shows the unit; one in a private namespace is listed
// with its owner and the service of the namespace's process, counted in the status bar's
// tooltip, without traffic figures; with "Show All Namespaces" off it goes.
void NamespacesTest::windowShowsServiceAndNamespace() {
    if (m_groups.isEmpty())
        QSKIP("making control groups and network namespaces needs root");
    QProcess* host = startPair(false);
    QProcess* inside = startPair(true);
    QVERIFY(host && inside);
    const QList<std::pair<QString, QProcess*>> moves{{"/system.slice/demo.service", host},
                                                     {"/docker-" + Hex + ".scope", inside}};
    for (const auto& [group, pair] : moves) {
        QFile procs(m_groups + group + "/cgroup.procs");
        QVERIFY(procs.open(QIODevice::WriteOnly) && procs.write(QByteArray::number(pair->processId())) > 0);
    }
    os::LinuxSystem system;
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    form.show();
    QVERIFY(form.mnuNamespaces && form.mnuNamespaces->isChecked());
    const auto cellsOf = [&form](QProcess* owner) {
        QStringList cells;
        const connectionlist::ConnectionModel& rows = form.connections();
        for (int row = 0; row < rows.rowCount(); ++row)
            if (rows.row(row)->processId == owner->processId())
                cells << rows.index(row, int(Column::Service)).data().toString() + " | " +
                             rows.index(row, int(Column::Namespace)).data().toString();
        return cells;
    };
    const auto showInfoOf = [&form](QProcess* owner) {
        for (int row = 0; row < form.connections().rowCount(); ++row)
            if (form.connections().row(row)->processId == owner->processId())
                form.ListView1->setSelectedIndex(row + 1);
        form.ListView1_DblClick();
        return form.frmInfo() && form.frmInfo()->TrafficNote->isVisible();
    };
    form.RefreshView();
    QCOMPARE(cellsOf(host), QStringList(2, "demo.service | host"));
    QCOMPARE(cellsOf(inside), QStringList(2, "docker 3f2a8c1d9e0b | docker 3f2a8c1d9e0b"));
    QVERIFY(form.StatusBar1->panelToolTip(2).contains("\ndocker 3f2a8c1d9e0b: 2"));
    QVERIFY(showInfoOf(inside));
    QVERIFY(!showInfoOf(host));

    form.mnuNamespaces->trigger();
    QCOMPARE(cellsOf(inside), QStringList());
    QCOMPARE(cellsOf(host), QStringList(2, "demo.service | host"));
    QVERIFY(!form.StatusBar1->panelToolTip(2).contains("docker"));
    // The Namespace column shown reads the other namespaces again, to count them.
    form.ListView1->setColumnShown(int(Column::Namespace), true);
    QCOMPARE(cellsOf(inside), QStringList());
    QVERIFY(form.StatusBar1->panelToolTip(2).contains("docker 3f2a8c1d9e0b: 2 (not listed"));
}

QTEST_MAIN(NamespacesTest)
#include "tst_namespaces.moc"
