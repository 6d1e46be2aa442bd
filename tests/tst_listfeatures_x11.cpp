// links: tavren_mainwindow
// needs: x11
#include "mainwindow/Form1.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "snapshot/ConnectionTable.h"
#include "support/NetstatListing.h"
#include "support/Xdotool.h"

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QStyle>
#include <QtTest>

using testsupport::finished;
using testsupport::listing;

// The list's header, filter field and row colours on a real X server with a window manager,
// driven by real pointer clicks and key presses, on scripted connections.

using testsupport::xdotool;

namespace {

// Screenshots go where TAVREN_SHOTS says, when it says.
void shoot(const QString& name) {
    const QString folder = qEnvironmentVariable("TAVREN_SHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(300);
    QProcess::execute(QStringLiteral("import"), {"-window", "root", QDir(folder).filePath(name + ".png")});
}

const QList<testsupport::Line> Before = {
    {"127.0.0.1:40001", "localhost:8080", "ESTABLISHED", 201},
    {"127.0.0.1:40002", "10.0.0.5:22", "ESTABLISHED", 202},
    {"127.0.0.1:40003", "mail.example:993", "ESTABLISHED", 203},
    {"127.0.0.1:40004", "localhost:http", "TIME_WAIT", 204},
    {"127.0.0.1:40005", "db.local:5432", "ESTABLISHED", 205},
    {"127.0.0.1:40006", "10.0.0.7:https", "CLOSE_WAIT", 206},
    {"127.0.0.1:22", "10.0.0.9:51000", "ESTABLISHED", 207},
    {"127.0.0.1:40008", "chat.example:6697", "SYN_SENT", 208},
};

} // namespace

class ListFeaturesX11Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void sortFilterAndChangesThroughTheScreen();
    void columnsSortAndChoicesFromTheKeyboard();
    void cleanupTestCase();

private:
    QStringList shownPorts();
    bool clickHeader(int column);
    // Opens the list's menu with Shift+F10 and presses `keys` in it.
    bool fromListMenu(const QStringList& keys);

    os::FakeSystem m_system;
    ConnectionSnapshot m_snapshot;
    Form1* m_form = nullptr;
};

void ListFeaturesX11Test::initTestCase() {
    QVERIFY2(!QStandardPaths::findExecutable("xdotool").isEmpty(), "xdotool is needed for real input");
    m_system.defaultCommandResult = finished(listing(Before));
    m_system.processIdList = {201, 202, 203, 204, 205, 206, 207, 208, 209};
    const QStringList paths = {"/usr/bin/webclient", "/usr/bin/sshclient", "/usr/bin/mailer",
                               "/usr/bin/webclient", "/usr/bin/dbclient",  "",
                               "/usr/sbin/sshd",     "/usr/bin/chat"};
    for (int i = 0; i < paths.size(); ++i)
        if (!paths[i].isEmpty())
            m_system.executablePaths.insert(201 + i, paths[i]);
    m_system.executablePaths.insert(209, QStringLiteral("/usr/bin/webclient"));
    m_system.defaultIcon = QApplication::style()->standardIcon(QStyle::SP_DesktopIcon);
    m_form = new Form1(m_system, m_snapshot);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    m_form->RefreshView();
    QCOMPARE(m_form->ListView1->itemCount(), 8);
}

void ListFeaturesX11Test::cleanupTestCase() {
    delete m_form;
}

QStringList ListFeaturesX11Test::shownPorts() {
    widgets::ListView& list = *m_form->ListView1;
    QStringList ports;
    for (int shown = 1; shown <= list.shownCount(); ++shown)
        ports << list.item(list.shownRow(shown)).subItem(1);
    return ports;
}

bool ListFeaturesX11Test::clickHeader(int column) {
    QHeaderView* header = m_form->ListView1->header();
    const QPoint at = header->viewport()->mapToGlobal(QPoint(
        header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2));
    return xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

void ListFeaturesX11Test::sortFilterAndChangesThroughTheScreen() {
    widgets::ListView& list = *m_form->ListView1;
    const QString window = QString::number(m_form->winId());

    // Remote port: 22, 80 (Http), 443 (Https), 993, 5432, 6697, 8080, 51000; twice descending.
    QVERIFY(clickHeader(3));
    QTRY_COMPARE(shownPorts(),
                 (QStringList{"40002", "40004", "40006", "40003", "40005", "40008", "40001", "22"}));
    QVERIFY(clickHeader(3));
    const QStringList descending{"22", "40001", "40008", "40005", "40003", "40006", "40004", "40002"};
    QTRY_COMPARE(shownPorts(), descending);
    QCOMPARE(list.header()->sortIndicatorOrder(), Qt::DescendingOrder);
    shoot(QStringLiteral("list-sorted"));

    // Ctrl+F, then typing: the sshd and sshclient rows are left, still in that order.
    QVERIFY(xdotool({"windowactivate", "--sync", window}));
    QVERIFY(xdotool({"key", "ctrl+f"}));
    QTRY_VERIFY(m_form->TxtFilter->hasFocus());
    QVERIFY(xdotool({"type", "--delay", "60", "SSH"}));
    QTRY_COMPARE(shownPorts(), (QStringList{"22", "40002"}));
    QCOMPARE(m_form->StatusBar1->panelText(2), QStringLiteral("Showing 2 of 8 connections"));
    shoot(QStringLiteral("list-filtered"));

    QVERIFY(xdotool({"key", "Escape"}));
    QTRY_VERIFY(!m_form->TxtFilter->isVisible());
    QCOMPARE(shownPorts(), descending);

    // Two connections went and two came: the new ones are green, the gone ones red and last
    // in the order of adding, and the sorting places them all.
    QList<testsupport::Line> after = Before;
    after.removeAt(7);
    after.removeAt(2);
    after.append({"127.0.0.1:40009", "localhost:9090", "ESTABLISHED", 209});
    after.append({"127.0.0.1:40010", "10.0.0.5:22", "SYN_SENT", 202});
    m_system.defaultCommandResult = finished(listing(after));
    m_form->RefreshView();
    QCOMPARE(shownPorts(), (QStringList{"22", "40009", "40001", "40008", "40005", "40003", "40006", "40004",
                                        "40002", "40010"}));
    shoot(QStringLiteral("list-new-and-gone"));
}

// The menu runs a loop of its own until it closes: the keys go from a process of their own,
// one after the other, and the test looks at the outcome once the menu is gone.
bool ListFeaturesX11Test::fromListMenu(const QStringList& keys) {
    if (!xdotool({"windowactivate", "--sync", QString::number(m_form->winId())}))
        return false;
    m_form->ListView1->setFocus();
    QProcess typist;
    typist.start(QStringLiteral("xdotool"), QStringList{"key", "--delay", "150", "shift+F10"} + keys);
    const bool typed = QTest::qWaitFor([&] { return typist.state() == QProcess::NotRunning; }, 10000);
    return typed && typist.exitCode() == 0 && QTest::qWaitFor([] { return !QApplication::activePopupWidget(); });
}

// Everything the header's menu and clicks do, from the keyboard; the selection stays on its
// connection when the list shows other kinds of socket.
void ListFeaturesX11Test::columnsSortAndChoicesFromTheKeyboard() {
    widgets::ListView& list = *m_form->ListView1;
    m_system.defaultCommandResult = finished(listing(Before));
    m_form->RefreshView();
    m_form->resize(700, 300); // narrow: a column added at the end is off screen
    list.sortRows(-1, Qt::AscendingOrder);

    // A submenu opened from the keyboard starts on its first entry: PID is the seventh column.
    QVERIFY(fromListMenu({"m", "Down", "Down", "Down", "Down", "Down", "Down", "Return"}));
    QVERIFY(list.isColumnShown(6));
    QHeaderView* header = list.header();
    const int place = header->logicalIndex(header->count() - 1);
    QVERIFY(header->sectionViewportPosition(place) >= 0);
    QVERIFY(header->sectionViewportPosition(place) + header->sectionSize(place) <= list.viewport()->width());
    shoot(QStringLiteral("list-pid-from-keyboard"));

    // Sort By a column, then the same again: the other way round.
    QVERIFY(fromListMenu({"o", "Down", "Return"}));
    QCOMPARE(shownPorts().first(), QStringLiteral("22"));
    QVERIFY(fromListMenu({"o", "Down", "Return"}));
    QCOMPARE(shownPorts().first(), QStringLiteral("40008"));

    QVERIFY(list.setSelectedIndex(3));
    const QString picked = list.item(3).subItem(1);
    QVERIFY(fromListMenu({"l"}));
    QTRY_VERIFY(m_form->mnuListening->isChecked());
    QTRY_COMPARE(list.item(list.selectedIndex()).subItem(1), picked);
}

QTEST_MAIN(ListFeaturesX11Test)
#include "tst_listfeatures_x11.moc"
