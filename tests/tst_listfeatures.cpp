// links: tavren_mainwindow
#include "controls/dns/DNS.h"
#include "mainwindow/CsvTable.h"
#include "mainwindow/Form1.h"
#include "mainwindow/FrmInfo.h"
#include "mainwindow/LiveTraffic.h"
#include "platform/host/FileDialogService.h"
#include "platform/host/MessageBoxService.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"
#include "snapshot/ConnectionTable.h"
#include "support/NetstatListing.h"
#include "support/OtherUser.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::finished;
using testsupport::Line;
using testsupport::listing;
using widgets::RowMark;

// Sorting, filtering, new and gone rows, copying a row and saving the list, on five
// connections whose every field differs, so that a command reaching the wrong row shows.

namespace {

// In the command's order; each row is named below by its local port.
const QByteArray FiveRows = listing({
    {"127.0.0.1:9000", "alpha:5432", "ESTABLISHED", 101},
    {"127.0.0.1:22", "Bravo:80", "TIME_WAIT", 102},
    {"127.0.0.1:10000", "charlie:https", "ESTABLISHED", 103},
    {"127.0.0.1:ssh", "delta:1024", "CLOSE_WAIT", 104},
    {"127.0.0.1:443", "127.0.0.1:7", "SYN_SENT", 105}, // owner unresolved: "Unknown"
});
const QStringList CommandOrder{"9000", "22", "10000", "ssh", "443"};

// Local ports of the rows shown, top to bottom.
QStringList shownPorts(widgets::ListView& list) {
    QStringList ports;
    for (int shown = 1; shown <= list.shownCount(); ++shown)
        ports << list.item(list.shownRow(shown)).subItem(1);
    return ports;
}

// Local ports of the rows in the order they were added, marked ones as "22:new", "22:gone".
QStringList marks(widgets::ListView& list) {
    QStringList seen;
    for (int row = 1; row <= list.itemCount(); ++row) {
        const RowMark mark = list.item(row).mark();
        seen << list.item(row).subItem(1) + QString(mark == RowMark::New    ? ":new"
                                                    : mark == RowMark::Gone ? ":gone"
                                                                            : "");
    }
    return seen;
}

} // namespace

class ListFeaturesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<os::FakeSystem> m_system;
    std::unique_ptr<ConnectionSnapshot> m_snapshot;
    std::unique_ptr<Form1> m_form;
    QList<host::MessageBoxRequest> m_boxes;

    Form1& form() { return *m_form; }
    widgets::ListView& list() { return *m_form->ListView1; }

    void loadFiveRows() {
        m_system->defaultCommandResult = finished(FiveRows);
        m_system->processIdList = {101, 102, 103, 104, 105};
        m_system->executablePaths = {{101, "/usr/bin/webclient"},
                                     {102, "/usr/sbin/sshd"},
                                     {103, "/opt/mail,box/mailer"},
                                     {104, "/usr/bin/sshclient"}};
        m_system->startTimes = {{101, 11}, {102, 12}, {103, 13}, {104, 14}, {105, 15}};
        m_system->hostAddresses.insert(QStringLiteral("delta"), {10, 0, 0, 4});
        form().RefreshView();
        QCOMPARE(list().itemCount(), 5);
    }
    void clickHeader(int column) {
        QHeaderView* header = list().header();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }

private slots:
    void init() {
        m_system = std::make_unique<os::FakeSystem>();
        m_snapshot = std::make_unique<ConnectionSnapshot>();
        m_form = std::make_unique<Form1>(*m_system, *m_snapshot);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        m_boxes.clear();
        host::MessageBoxService::setObserver([this](const host::MessageBoxRequest& request) {
            m_boxes << request;
            return QMessageBox::Yes;
        });
    }
    void cleanup() {
        host::MessageBoxService::setObserver({});
        host::FileDialogService::setObserver({});
        m_form.reset();
        m_snapshot.reset();
        m_system.reset();
    }

    void sortByHeaderClicks_data() {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QStringList>("shown");
        const QStringList byLocalPort{"22", "443", "9000", "10000", "ssh"};
        const QStringList byRemotePort{"443", "22", "10000", "ssh", "9000"}; // 7, 80, 443 (Https), 1024, 5432
        QTest::newRow("no click: the command's order") << QList<int>{} << false << CommandOrder;
        QTest::newRow("port: numbers, then names") << QList<int>{1} << false << byLocalPort;
        QTest::newRow("second click descending")
            << QList<int>{1, 1} << true << QStringList{"ssh", "10000", "9000", "443", "22"};
        QTest::newRow("third click ascending") << QList<int>{1, 1, 1} << false << byLocalPort;
        QTest::newRow("port text starting with a number") << QList<int>{3} << false << byRemotePort;
        QTest::newRow("another header ascending") << QList<int>{1, 1, 3} << false << byRemotePort;
        QTest::newRow("host without regard to case")
            << QList<int>{2} << false << QStringList{"443", "9000", "22", "10000", "ssh"};
        QTest::newRow("file, Unknown among names")
            << QList<int>{0} << false << QStringList{"10000", "ssh", "22", "443", "9000"};
        QTest::newRow("ties keep command order")
            << QList<int>{4, 4} << true << QStringList{"22", "443", "9000", "10000", "ssh"};
    }
    void sortByHeaderClicks() {
        QFETCH(QList<int>, clicks);
        QFETCH(bool, descending);
        QFETCH(QStringList, shown);
        loadFiveRows();
        for (int column : clicks)
            clickHeader(column);
        QCOMPARE(shownPorts(list()), shown);
        // The header shows the direction once the user has sorted, and only then.
        QHeaderView* header = list().header();
        QCOMPARE(header->isSortIndicatorShown(), !clicks.isEmpty());
        if (!clicks.isEmpty()) {
            QCOMPARE(header->sortIndicatorSection(), clicks.last());
            QCOMPARE(header->sortIndicatorOrder() == Qt::DescendingOrder, descending);
        }
        // A manual refresh and a timer's refresh rebuild every row; the order holds.
        form().RefreshView();
        QCOMPARE(shownPorts(list()), shown);
        m_system->tcpCounts.byState[os::TcpEstablished] = 42;
        form().Timer1_Timer();
        QCOMPARE(m_system->commandRequests.size(), 3);
        QCOMPARE(shownPorts(list()), shown);
    }

    void filterAcrossColumnsAndRefreshes_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("nothing typed") << "" << CommandOrder;
        QTest::newRow("file, other case") << "SSHCLIENT" << QStringList{"ssh"};
        QTest::newRow("file, port and path") << "ssh" << QStringList{"22", "ssh"};
        QTest::newRow("local port") << "10000" << QStringList{"10000"};
        QTest::newRow("remote host, other case") << "bravo" << QStringList{"22"};
        QTest::newRow("remote port display text") << "https" << QStringList{"10000"};
        QTest::newRow("status") << "wait" << QStringList{"22", "ssh"};
        QTest::newRow("unresolved owner") << "unknown" << QStringList{"443"};
        QTest::newRow("no row") << "nowhere" << QStringList{};
    }
    void filterAcrossColumnsAndRefreshes() {
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        loadFiveRows();
        QTest::keyClick(&form(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(form().TxtFilter->hasFocus());
        QTest::keyClicks(form().TxtFilter, typed);
        const QString count = QStringLiteral("Showing %1 of 5 connections").arg(shown.size());
        QCOMPARE(shownPorts(list()), shown);
        QCOMPARE(form().StatusBar1->panelText(2), count);
        form().RefreshView();
        QCOMPARE(shownPorts(list()), shown);
        QCOMPARE(form().StatusBar1->panelText(2), count);

        QTest::keyClick(form().TxtFilter, Qt::Key_Escape);
        QVERIFY(!form().TxtFilter->isVisible());
        QCOMPARE(form().TxtFilter->text(), QString());
        QCOMPARE(shownPorts(list()), CommandOrder);
        QCOMPARE(form().StatusBar1->panelText(2), form1design::VisitText);
    }

    // Every connection is in the list, so the count speaks of all of them.
    void filterCountWithManyConnections() {
        QList<Line> lines;
        for (int i = 0; i < 2001; ++i)
            lines.append({QStringLiteral("127.0.0.1:%1").arg(i), "b:1", "ESTABLISHED", 30});
        m_system->defaultCommandResult = finished(listing(lines));
        form().RefreshView();
        form().showFilter();
        QTest::keyClicks(form().TxtFilter, QStringLiteral("2000"));
        QCOMPARE(form().StatusBar1->panelText(2), QStringLiteral("Showing 1 of 2001 connections"));
        form().hideFilter();
        QCOMPARE(form().StatusBar1->panelText(2), form1design::VisitText);
    }

    // A port the command printed by its service name sorts by the port it names, and the
    // filter finds it by name or by number. A name the services do not know sorts after the
    // numbers, as text.
    void namedPortsSortAndFilterByNumber_data() {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("ascending") << 1 << "" << QStringList{"http", "6000", "x11-1", "58238", "mystery"};
        QTest::newRow("descending") << 2 << "" << QStringList{"mystery", "58238", "x11-1", "6000", "http"};
        QTest::newRow("its number") << 0 << "6001" << QStringList{"x11-1"};
        QTest::newRow("part of numbers") << 0 << "600" << QStringList{"x11-1", "6000"};
    }
    void namedPortsSortAndFilterByNumber() {
        QFETCH(int, clicks);
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        m_system->servicePorts = {{"x11-1", 6001}, {"http", 80}};
        QList<Line> lines;
        for (const char* port : {"58238", "x11-1", "mystery", "6000", "http"})
            lines.append({QStringLiteral("127.0.0.1:%1").arg(QLatin1String(port)), "b:1", "ESTABLISHED", 30});
        m_system->defaultCommandResult = finished(listing(lines));
        form().RefreshView();
        for (int i = 0; i < clicks; ++i)
            clickHeader(1);
        form().showFilter();
        QTest::keyClicks(form().TxtFilter, typed);
        QCOMPARE(shownPorts(list()), shown);
    }

    void filterFieldHiddenTakesNoSpace() {
        loadFiveRows();
        // Hidden, the toolbar asks for no more room than its buttons alone; shown, it moves nothing.
        widgets::Toolbar plain;
        plain.setImageList(form().ImageList1);
        for (int index = 1; index <= form().Toolbar1->buttonCount(); ++index) {
            const widgets::ToolbarButton button = form().Toolbar1->button(index);
            button.separator ? plain.addSeparator() : plain.addButton(button.caption, button.image);
        }
        QCOMPARE(form().Toolbar1->sizeHint(), plain.sizeHint());
        QWidget* about = form().Toolbar1->widgetForAction(form().Toolbar1->actions().value(7));
        const QRect aboutBefore = about->geometry(), listBefore = list().geometry();
        form().showFilter();
        QVERIFY(form().TxtFilter->isVisible());
        QCOMPARE(about->geometry(), aboutBefore);
        QCOMPARE(list().geometry(), listBefore);
        QCOMPARE(form().TxtFilter->accessibleName(), QStringLiteral("Filter"));
    }

    void newAndGoneRows_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QStringList>("marked");
        const Line a{"127.0.0.1:9000", "alpha:5432", "ESTABLISHED", 101},
            b{"127.0.0.1:22", "Bravo:80", "ESTABLISHED", 102},
            c{"127.0.0.1:10000", "charlie:443", "ESTABLISHED", 103},
            aLater{a.local, a.foreign, "CLOSE_WAIT", a.pid}, aOtherOwner{a.local, a.foreign, a.state, 109};
        QTest::newRow("one new, one gone")
            << listing({a, b}) << listing({c, b}) << QStringList{"10000:new", "22", "9000:gone"};
        QTest::newRow("new state, same connection")
            << listing({a}) << listing({aLater}) << QStringList{"9000"};
        QTest::newRow("other owner, other connection")
            << listing({a}) << listing({aOtherOwner}) << QStringList{"9000:new", "9000:gone"};
        QTest::newRow("one of two alike gone")
            << listing({a, aLater}) << listing({a}) << QStringList{"9000", "9000:gone"};
        QTest::newRow("everything gone")
            << listing({a, b}) << listing({}) << QStringList{"9000:gone", "22:gone"};
        // A list that could not be read marks nothing; the next is compared with the last read.
        QTest::newRow("command failed") << listing({a, b}) << QByteArray() << QStringList{};
    }
    void newAndGoneRows() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QStringList, marked);
        m_system->commandResults = {finished(before), finished(after)};
        m_system->defaultCommandResult = finished(after.isEmpty() ? before : after);
        m_system->commandResults[1].exitCode = after.isEmpty() ? 2 : 0;
        form().RefreshView();
        QVERIFY2(marks(list()).filter(":").isEmpty(), "the first refresh has nothing to compare with");
        form().RefreshView();
        QCOMPARE(marks(list()), marked);
        // Light green for new, light red for gone (which names no process), nothing otherwise.
        for (int shown = 1; shown <= list().shownCount(); ++shown) {
            const QColor colour =
                list().model()->index(shown - 1, 2).data(Qt::BackgroundRole).value<QColor>();
            const int row = list().shownRow(shown);
            const RowMark mark = list().item(row).mark();
            QCOMPARE(colour.isValid(), mark != RowMark::None);
            QVERIFY(mark == RowMark::None || colour.lightness() > 180);
            QVERIFY(mark == RowMark::None ||
                    (colour.hue() + 30) % 360 / 60 == (mark == RowMark::New ? 2 : 0));
            QVERIFY(mark != RowMark::Gone || m_snapshot->RowTable.at(row)->ProcessId == 0);
        }
        // Kept for one refresh only; what was new is plain at the next.
        form().RefreshView();
        QVERIFY2(marks(list()).filter(":").isEmpty(), qPrintable(marks(list()).join(' ')));
    }

    // Rows of gone connections leave by themselves, without a refresh; the others and their
    // marks stay, and the count follows.
    void goneRowsExpire_data() {
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("marked");
        const Line a{"127.0.0.1:9000", "alpha:5432", "S", 101}, b{"127.0.0.1:22", "Bravo:80", "S", 102},
            c{"127.0.0.1:10000", "charlie:443", "S", 103};
        QTest::newRow("one gone") << listing({c, b}) << "" << QStringList{"10000:new", "22"};
        QTest::newRow("count while filtered") << listing({c, b}) << "1000" << QStringList{"10000:new", "22"};
        QTest::newRow("none gone") << listing({a, b, c}) << "" << QStringList{"9000", "22", "10000:new"};
    }
    void goneRowsExpire() {
        QFETCH(QByteArray, after);
        QFETCH(QString, typed);
        QFETCH(QStringList, marked);
        form().setGoneRowLifetime(std::chrono::milliseconds(50));
        const QByteArray before =
            listing({{"127.0.0.1:9000", "alpha:5432", "S", 101}, {"127.0.0.1:22", "Bravo:80", "S", 102}});
        m_system->commandResults = {finished(before), finished(after)};
        form().RefreshView();
        form().RefreshView();
        form().showFilter();
        QTest::keyClicks(form().TxtFilter, typed);
        QTRY_COMPARE(marks(list()), marked);
        QCOMPARE(form().StatusBar1->panelText(2),
                 form1design::shownOfTotalText(typed.isEmpty() ? int(marked.size()) : 1, int(marked.size())));
        QCOMPARE(m_system->commandRequests.size(), 2);
    }

    void goneRowHasNoProcess() {
        loadFiveRows();
        m_system->defaultCommandResult = finished(listing({{"127.0.0.1:22", "Bravo:80", "TIME_WAIT", 102}}));
        form().RefreshView();
        QVERIFY(list().setSelectedIndex(2)); // 9000, gone
        const qsizetype runs = m_system->commandRequests.size();
        form().Toolbar1_ButtonClick(widgets::ToolbarButton{2, QStringLiteral("Terminate")});
        QVERIFY(m_system->terminateRequests.isEmpty());
        QCOMPARE(m_system->commandRequests.size(), runs);
        QCOMPARE(form().StatusBar1->panelText(2),
                 "Process Not Terminated: webclient (the connection has gone since the last refresh)");
        form().ListView1_DblClick();
        QVERIFY(!form().frmInfo());
        QVERIFY(m_system->hostNameRequests.isEmpty());
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].text.contains("alpha:5432 has gone"), qPrintable(m_boxes[0].text));
        form().mnHN_Click(); // its texts can still be copied
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("alpha"));
    }

    void commandsReachTheRowShown_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("reached");
        const QString row = QStringLiteral("sshclient\tssh\tdelta\t1024\tCLOSE_WAIT\t/usr/bin/sshclient");
        QTest::newRow("terminate") << "Terminate"
                                   << "104";
        // No socket tells its address ("ssh" is no port here); a look-up of "delta" must not.
        QTest::newRow("copy ip address") << "mnuIP"
                                         << "";
        QTest::newRow("copy hostname") << "mnHN"
                                       << "delta";
        QTest::newRow("copy remote port") << "mnuRP"
                                          << "1024";
        QTest::newRow("copy file path") << "mnuFP"
                                        << "/usr/bin/sshclient";
        QTest::newRow("copy row") << "mnuRow" << row;
        QTest::newRow("ctrl+c") << "Ctrl+C" << row;
        QTest::newRow("info dialog") << "info"
                                     << "delta  ssh 1024 /usr/bin/sshclient";
    }
    void commandsReachTheRowShown() {
        QFETCH(QString, command);
        QFETCH(QString, reached);
        loadFiveRows();
        // Remote port descending, then only the rows under /usr/: webclient 5432, sshclient 1024,
        // sshd 80. The second row shown is the fourth added; the second added is sshd.
        clickHeader(3);
        clickHeader(3);
        form().showFilter();
        QTest::keyClicks(form().TxtFilter, QStringLiteral("/usr/"));
        QCOMPARE(shownPorts(list()), (QStringList{"9000", "ssh", "22"}));
        const QPoint second = list().visualRect(list().model()->index(1, 0)).center();
        QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, second);

        QGuiApplication::clipboard()->setText(QStringLiteral("left over"));
        const QHash<QString, QAction*> entries{{"mnuIP", form().mnuIP},
                                               {"mnHN", form().mnHN},
                                               {"mnuRP", form().mnuRP},
                                               {"mnuFP", form().mnuFP},
                                               {"mnuRow", form().mnuRow}};
        QString seen;
        if (command == "Terminate") {
            form().Toolbar1_ButtonClick(widgets::ToolbarButton{2, command});
            for (std::int32_t pid : m_system->terminateRequests)
                seen += QString::number(pid);
        } else if (command == "info") {
            QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, second);
            QVERIFY(form().frmInfo());
            const FrmInfo& info = *form().frmInfo();
            seen = QStringList{info.TxtHost->text(), info.TxtIP->text(), info.TxtLocal->text(),
                               info.TxtRemote->text(), info.TxtProcess->text()}
                       .join(' ');
        } else {
            if (command == "Ctrl+C")
                QTest::keyClick(&list(), Qt::Key_C, Qt::ControlModifier);
            else
                entries.value(command)->trigger();
            seen = QGuiApplication::clipboard()->text();
        }
        QCOMPARE(seen, reached);
    }

    void processTextIsShownAsItIs_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("row"); // as Copy Row copies it: a tab in a name must add no column
        const QString cells = QStringLiteral("\t9000\talpha\t5432\tESTABLISHED\t");
        QTest::newRow("posing as another program") << "/usr/sbin/sshd" << int(os::PathSource::CommandLine)
                                                   << "sshd" + cells + "/usr/sbin/sshd (command line)";
        const QString replaced(10, QChar(0xFFFD));
        QTest::newRow("override, line feed, tab, C1, marks, isolates, separators")
            << "/o/\u202E\n\t\u0085\u200F\u2067\u2069\u061C\u2028\r" << int(os::PathSource::ProcessName)
            << replaced + cells + "/o/" + replaced + " (process name)";
        // No-break spaces, zero-width ones, a Hangul filler, a tag character, an ideographic space.
        QTest::newRow("spaces, fillers and format characters")
            << QString::fromUtf16(u"/o/a  ​ㅤ󠁁　 b") << int(os::PathSource::ExecutableLink)
            << QString::fromUtf16(u"a������ b") + cells +
                   QString::fromUtf16(u"/o/a������ b");
    }
    void processTextIsShownAsItIs() {
        QFETCH(QString, path);
        QFETCH(int, source);
        QFETCH(QString, row);
        m_system->defaultCommandResult =
            finished(listing({{"127.0.0.1:9000", "alpha:5432", "ESTABLISHED", 101}}));
        m_system->processIdList = {101};
        m_system->executablePaths = {{101, path}};
        m_system->pathSources = {{101, os::PathSource(source)}};
        form().RefreshView();
        list().setSelectedIndex(1);
        form().mnuFP->trigger();
        QStringList seen{QGuiApplication::clipboard()->text(),
                         list().model()->index(0, 5).data(Qt::ToolTipRole).toString()};
        form().ListView1_DblClick();
        form().mnuRow->trigger();
        QCOMPARE(seen << form().frmInfo()->TxtProcess->text(), QStringList(3, row.section('\t', 5)));
        QCOMPARE(QGuiApplication::clipboard()->text(), row);
    }

    void csvFields_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("plain") << QStringList{"sshd", "22", ""} << QByteArray("sshd,22,\r\n");
        QTest::newRow("comma quoted") << QStringList{"/a,b/c"} << QByteArray("\"/a,b/c\"\r\n");
        QTest::newRow("quote doubled") << QStringList{"say \"hi\""} << QByteArray("\"say \"\"hi\"\"\"\r\n");
        QTest::newRow("line break quoted") << QStringList{"a\nb", "c"} << QByteArray("\"a\nb\",c\r\n");
        QTest::newRow("utf-8") << QStringList{"/opt/caf\u00e9"} << QByteArray("/opt/caf\xc3\xa9\r\n");
        QTest::newRow("formula starts") << QStringList{"=1+2", "+1", "-1", "@SUM(A1)", "a=b"}
                                        << QByteArray("'=1+2,'+1,'-1,'@SUM(A1),a=b\r\n");
        QTest::newRow("formula with comma") << QStringList{"=A1,B1"} << QByteArray("\"'=A1,B1\"\r\n");
    }
    void csvFields() {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, line);
        QCOMPARE(csvTable({fields, fields}), line + line);
    }

    void saveWritesWhatIsShown() {
        loadFiveRows();
        clickHeader(1);
        clickHeader(1);
        form().showFilter();
        QTest::keyClicks(form().TxtFilter, QStringLiteral("estab"));
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("saved.csv"));
        const QString link = folder.filePath(QStringLiteral("link.csv")); // the user's own, shared folder
        QVERIFY(QFile::link(path, link) && ::chmod(QFile::encodeName(folder.path()).constData(), 01777) == 0);
        QList<host::SaveFileRequest> asked;
        host::FileDialogService::setObserver([&](const host::SaveFileRequest& request) {
            asked << request;
            return link;
        });
        form().mnuSave->trigger();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].title, QStringLiteral("Save List As"));
        QVERIFY(m_boxes.isEmpty());
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(),
                 QByteArray("File,Local Port,Remote Host,Remote Port,Status,File Path\r\n"
                            "mailer,10000,charlie,443 (Https),ESTABLISHED,\"/opt/mail,box/mailer\"\r\n"
                            "webclient,9000,alpha,5432,ESTABLISHED,/usr/bin/webclient\r\n"));
        QVERIFY(QFileInfo(link).isSymLink() &&
                QDir(folder.path()).entryList(QDir::Files) == QStringList({"link.csv", "saved.csv"}));
    }

    // Columns come and go through the header's menu, the added ones hidden at start; the shown
    // ones, and only they, sort (PID as a number), filter, copy and save, in the order shown.
    void columnsFromHeaderMenu_data() {
        QTest::addColumn<QStringList>("toggled");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("filtered");
        QTest::newRow("as designed") << QStringList{} << "alice" << QStringList{};
        QTest::newRow("pid and user") << QStringList{"PID", "User"} << "alice" << QStringList{"9000"};
        QTest::newRow("four, path off")
            << QStringList{"PID", "User", "Local Address", "Protocol", "File Path"} << "::1"
            << QStringList{"22"};
        QTest::newRow("command line") << QStringList{"Command Line"} << "psql" << QStringList{"9000"};
    }
    void columnsFromHeaderMenu() {
        QFETCH(QStringList, toggled);
        m_system->defaultCommandResult =
            finished(listing({{"127.0.0.1:9000", "alpha:5432", "ESTABLISHED", 100},
                              {"[::1]:22", "bravo:80", "ESTABLISHED", 9},
                              {"10.0.0.5:10000", "charlie:443", "ESTABLISHED", 25}}));
        m_system->ownerNames = {{100, "alice"}, {9, "root"}, {25, "bob"}};
        // Cleaned like every text a process chooses: a tab shows as a replacement character.
        m_system->commandLines = {{100, "psql -h alpha"}, {9, "sshd:\troot"}};
        form().RefreshView();
        const QStringList all{"File+",      "Local Port+", "Remote Host+", "Remote Port+",  "Status+",
                              "File Path+", "PID",         "User",         "Local Address", "Protocol",
                              "Sent/s",     "Received/s",  "RTT",          "Command Line",  "Service",
                              "Namespace",  "Connections", "Sent",        "Received"};
        const QList<QStringList> rows{
            {"Unknown", "9000", "alpha", "5432", "ESTABLISHED", "", "100", "alice", "127.0.0.1", "TCP", "", "", "",
             "psql -h alpha", "", "host", "", "", ""},
            {"Unknown", "22", "bravo", "80", "ESTABLISHED", "", "9", "root", "::1", "TCP", "", "", "",
             "sshd:\uFFFDroot", "", "host", "", "", ""},
            {"Unknown", "10000", "charlie", "443", "ESTABLISHED", "", "25", "bob", "10.0.0.5", "TCP", "", "", "",
             "(not readable)", "", "host", "", "", ""}};
        QList<QStringList> shown{{}, {}, {}, {}};
        for (QAction* entry : list().columnMenu()->actions()) {
            const int column = int(all.indexOf(entry->text() + (entry->isChecked() ? "+" : "")));
            QVERIFY(column >= 0); // every column, checked when shown
            if (toggled.contains(entry->text()))
                entry->trigger();
            for (int row = 0; row < 4 && (column < 6) != toggled.contains(entry->text()); ++row)
                shown[row] << (row ? rows[row - 1][column] : entry->text());
        }
        QCOMPARE(list().shownHeaders(), shown[0]);
        list().setSelectedIndex(2);
        form().mnuRow->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), shown[2].join('\t'));
        QTemporaryDir folder;
        QCOMPARE(form().saveList(folder.filePath("list.csv")), QString());
        QFile saved(folder.filePath("list.csv"));
        QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll() == csvTable(shown));
        if (shown[0].contains("PID")) { // by number: 9, 25, 100
            clickHeader(int(shown[0].indexOf("PID")));
            QCOMPARE(shownPorts(list()), (QStringList{"22", "10000", "9000"}));
        }
        form().showFilter();
        QFETCH(QString, filter);
        QTest::keyClicks(form().TxtFilter, filter);
        QTEST(shownPorts(list()), "filtered");
    }

    // Off at start the command runs with "-o" alone; listening ports and UDP endpoints add
    // "-a" and are read only when shown, numbers add "-n"; the timer counts what is shown.
    void listingChoices_data() {
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("ports");
        QTest::newRow("as designed") << QStringList{} << QStringList{"-o"} << QStringList{"9000"};
        QTest::newRow("listening") << QStringList{"mnuListening"} << QStringList{"-o", "-a"}
                                   << QStringList{"9000", "22"};
        QTest::newRow("all three") << QStringList{"mnuListening", "mnuUdp", "mnuNumbers"}
                                   << QStringList{"-o", "-a", "-n"} << QStringList{"9000", "22", "53"};
    }
    void listingChoices() {
        QFETCH(QStringList, choices);
        m_system->defaultCommandResult =
            finished(listing({{"127.0.0.1:9000", "alpha:5432", "ESTABLISHED", 101},
                              {"0.0.0.0:22", "0.0.0.0:0", "LISTENING", 102}}) +
                     "  UDP    [::]:53    *:*    103\r\n");
        for (const QString& name : choices)
            form().findChild<QAction*>(name)->trigger();
        form().RefreshView();
        QTEST(m_system->commandRequests.last().arguments, "arguments");
        QTEST(shownPorts(list()), "ports");
        // A UDP line has no state; a new listening socket is a change only when listeners show.
        QCOMPARE(list().item(list().itemCount()).subItem(4).isEmpty(), choices.contains("mnuUdp"));
        const int runs = int(m_system->commandRequests.size());
        m_system->tcpCounts.byState[os::TcpListen] = 1;
        form().Timer1_Timer();
        QCOMPARE(m_system->commandRequests.size(), runs + (choices.contains("mnuListening") ? 1 : 0));
    }

    // Live figures played by the fake layer: sampled only while a live column is shown or the
    // info dialog is open; rates from the second sample of a connection; a sort by a rate puts
    // the busiest on top and follows the figures, the selection staying on its connection.
    void liveTrafficColumns() {
        m_system->defaultCommandResult =
            finished(listing({
                         {"127.0.0.1:9000", "127.0.0.1:5432", "ESTABLISHED", 100},
                         {"[::1]:22", "[::1]:80", "ESTABLISHED", 9},
                         {"127.0.0.1:10000", "127.0.0.1:443", "ESTABLISHED", 25},
                         {"127.0.0.1:7", "127.0.0.1:0", "LISTENING", 25},
                     }) +
                     "  UDP    127.0.0.1:53    *:*    25\r\n");
        m_system->processIdList = {100, 9, 25};
        form().findChild<QAction*>("mnuListening")->trigger();
        form().findChild<QAction*>("mnuUdp")->trigger();
        const auto ends = [](const char* local, std::uint16_t localPort, std::uint16_t remotePort) {
            return *connectionEndsOf(local, localPort, local, remotePort);
        };
        const os::ConnectionEnds a = ends("127.0.0.1", 9000, 5432), b = ends("::1", 22, 80),
                                 c = ends("127.0.0.1", 10000, 443);
        using std::chrono::seconds;
        const std::chrono::steady_clock::time_point t0(seconds(100));
        m_system->trafficSamples = {
            // Listening and UDP rows leave their cells empty, whatever a socket of their ends has.
            {t0,
             {{a, {0, 0, 40, 0}},
              {b, {0, 0, 12500, 1}},
              {c, {0, 0, 230000, 0}},
              {ends("127.0.0.1", 7, 0), {}}}},
            {t0 + seconds(1),
             {{a, {1024, 0, 40, 0}}, {b, {0, 2 << 20, 12500, 3}}, {c, {100, 100, 230000, 0}}}},
            {t0 + seconds(2), {{a, {1024 + (3 << 20), 0, 50, 0}}, {b, {0, 2 << 20, 12500, 3}}}},
            {t0 + seconds(3), {{a, {1024 + (3 << 20), 0, 50, 0}}}},
        };
        form().RefreshView();
        const auto live = [this](int row) { return list().rowTexts(row).mid(10, 3); };
        QVERIFY(!m_system->playTrafficSample()); // nothing shown: no sampling
        const auto toggleRates = [this] {
            for (QAction* entry : list().columnMenu()->actions())
                if (entry->text() == "Sent/s" || entry->text() == "Received/s")
                    entry->trigger();
        };
        toggleRates();
        QVERIFY(form().liveTraffic()->isSampling());
        QCOMPARE(m_system->trafficSampler()->interval(), std::chrono::milliseconds(1000));
        list().setSelectedIndex(2);
        form().ListView1_DblClick();
        list().setSelectedIndex(3);
        clickHeader(int(list().shownHeaders().indexOf("Sent/s")));
        QCOMPARE(list().sortOrder(), Qt::DescendingOrder);

        QVERIFY(m_system->playTrafficSample());
        QCOMPARE(live(1), (QStringList{"", "", "0.04 ms"})); // a first sample has no rates yet
        QVERIFY(m_system->playTrafficSample());
        QCOMPARE(live(1), (QStringList{"1.0 KiB/s", "0 B/s", "0.04 ms"}));
        QCOMPARE(live(2), (QStringList{"0 B/s", "2.0 MiB/s", "12.5 ms"}));
        QCOMPARE(live(3), (QStringList{"100 B/s", "100 B/s", "230 ms"}));
        QCOMPARE(live(4) + live(5), QStringList(6));
        QCOMPARE(shownPorts(list()), (QStringList{"9000", "10000", "22", "7", "53"}));
        const FrmInfo& info = *form().frmInfo();
        QCOMPARE(info.TxtReceived->text(), "2.0 MiB, 2.0 MiB/s");
        QCOMPARE(info.TxtSent->text(), "0 B, 0 B/s");
        QCOMPARE(info.TxtRoundTrip->text(), "12.5 ms");
        QCOMPARE(info.TxtRetransmits->text(), "3");
        QVERIFY(m_system->playTrafficSample()); // 10000 has ended
        QCOMPARE(live(1), (QStringList{"3.0 MiB/s", "0 B/s", "0.05 ms"}));
        QCOMPARE(live(3), (QStringList{"", "", ""}));
        QCOMPARE(shownPorts(list()).mid(0, 2), (QStringList{"9000", "22"})); // then the empty ones
        QCOMPARE(list().selectedIndex(), 3);
        QCOMPARE(info.TxtReceived->text(), "2.0 MiB, 0 B/s");

        // A refresh keeps the figures; hidden columns and a closed dialog end the sampling.
        form().RefreshView();
        QCOMPARE(live(1), (QStringList{"3.0 MiB/s", "0 B/s", "0.05 ms"}));
        toggleRates();
        QVERIFY(form().liveTraffic()->isSampling());
        // The dialog's connection ends: its final figures stay, marked.
        QVERIFY(m_system->playTrafficSample());
        const auto boxes = [this] {
            const FrmInfo& shown = *form().frmInfo();
            return QStringList{shown.Label1->text(),        shown.TxtIP->text(),
                               shown.TxtHost->text(),       shown.TxtSent->text(),
                               shown.TxtReceived->text(),   shown.TxtRoundTrip->text(),
                               shown.TxtRetransmits->text()};
        };
        QCOMPARE(boxes().mid(3),
                 (QStringList{"0 B (closed)", "2.0 MiB (closed)", "12.5 ms (closed)", "3 (closed)"}));
        // An endpoint without a remote end shows its own address, and says why there is no host.
        const QList<std::pair<QString, QStringList>> endpoints{
            {"53", {"Local IP:", "127.0.0.1", "none (UDP endpoint)", "", "", "", ""}},
            {"7", {"Local IP:", "127.0.0.1", "none (listening port)", "", "", "", ""}},
            {"9000", {"IP:", "127.0.0.1", "127.0.0.1", "3.0 MiB, 0 B/s", "0 B, 0 B/s", "0.05 ms", "0"}}};
        for (const auto& [port, shown] : endpoints) {
            list().setSelectedIndex(int(shownPorts(list()).indexOf(port)) + 1);
            form().ListView1_DblClick();
            QCOMPARE(boxes(), shown);
        }
        form().frmInfo()->Command1_Click();
        QTRY_VERIFY(!form().liveTraffic()->isSampling());
    }

    // The traffic boxes show their widest figures whole, in larger fonts too, and stay inside
    // the dialog with its button.
    void infoBoxesFitTheWidestFigures_data() {
        QTest::addColumn<double>("scale");
        QTest::newRow("designed") << 1.0;
        QTest::newRow("large fonts") << 1.5;
    }
    void infoBoxesFitTheWidestFigures() {
        QFETCH(double, scale);
        const QFont designed = QApplication::font();
        QApplication::setFont(QFont(designed.family(), qRound(designed.pointSizeF() * scale)));
        const auto restore = qScopeGuard([&] { QApplication::setFont(designed); });
        FrmInfo info(*m_system);
        const QString widest = QStringLiteral("1023.9 MiB, 1023.9 KiB/s");
        for (QLineEdit* box : {info.TxtSent, info.TxtReceived}) {
            // Its text looks as in a box twice as wide: nothing scrolled out of sight.
            box->setText(widest);
            QLineEdit wide(widest, &info);
            wide.setReadOnly(true);
            wide.setGeometry(QRect(box->pos(), QSize(box->width() * 2, box->height())));
            const QRect text(3, 0, box->width() - 6, box->height());
            QCOMPARE(box->grab().toImage().copy(text), wide.grab().toImage().copy(text));
        }
        QVERIFY(info.TxtSent->geometry().right() < info.Command1->geometry().right() + 1 &&
                info.Command1->geometry().right() < info.width());
    }

    // A name typed without a suffix is saved with ".csv"; one with a dot is saved as typed.
    void saveAddsCsvSuffix_data() {
        QTest::addColumn<QStringList>("typedSaved");
        QTest::newRow("bare") << QStringList{"list", "list.csv"};
        QTest::newRow("own suffix") << QStringList{"list.txt", "list.txt"};
        QTest::newRow("dot in the folder only") << QStringList{"old.d/list", "old.d/list.csv"};
    }
    void saveAddsCsvSuffix() {
        QFETCH(QStringList, typedSaved);
        const QString typed = typedSaved[0], saved = typedSaved[1];
        loadFiveRows();
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("old.d"));
        host::FileDialogService::setObserver(
            [&](const host::SaveFileRequest&) { return folder.filePath(typed); });
        form().mnuSave->trigger();
        QVERIFY(m_boxes.isEmpty() && QFile::exists(folder.filePath(saved)));
        QCOMPARE(QFile::exists(folder.filePath(typed)), typed == saved);
    }

    void failedSaveLeavesNothing_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("folder missing") << "missing";
        QTest::newRow("folder not writable") << "read-only";
        QTest::newRow("a folder in the way") << "folder";
        QTest::newRow("disk full") << "full";
        QTest::newRow("another user's link in a shared folder") << "link";
    }
    void failedSaveLeavesNothing() {
        QFETCH(QString, where);
        loadFiveRows();
        QTemporaryDir scratch, home;
        QDir folder(scratch.path());
        QString path = folder.filePath(QStringLiteral("list.csv"));
        const auto writeOld = [](const QString& file) {
            QFile old(file);
            return old.open(QIODevice::WriteOnly) && old.write("old") == 3;
        };
        if ((where == "full" || where == "link") && !testsupport::unprivilegedUser())
            QSKIP("needs root and the user \"nobody\", to mount a small disk or plant another user's link");
        const auto unmount =
            qScopeGuard([&] { ::umount2(QFile::encodeName(scratch.path()).constData(), MNT_DETACH); });
        if (where == "missing") {
            path = folder.filePath(QStringLiteral("none/list.csv"));
        } else if (where == "folder") {
            QVERIFY(folder.mkdir(QStringLiteral("list.csv")));
        } else if (where == "full") { // 16 KB, filled up after the old list
            QVERIFY(::mount("tavren", qPrintable(folder.path()), "tmpfs", 0, "size=16k") == 0 &&
                    writeOld(path));
            QFile filler(folder.filePath("filler"));
            for (filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
                 filler.write(QByteArray(512, 'x')) > 0;) {
            }
        } else if (where == "link") { // another user's, in a shared folder, aimed at the user's file
            QVERIFY(writeOld(home.filePath("mine")) && QFile::link(home.filePath("mine"), path));
            const auto nobody = *testsupport::unprivilegedUser();
            QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), 01777) == 0 &&
                    ::lchown(QFile::encodeName(path).constData(), nobody.uid, nobody.gid) == 0);
        } else if (::geteuid() == 0) {
            // The superuser writes through permissions; this folder refuses even it.
            folder.setPath(QStringLiteral("/sys"));
            path = folder.filePath(QStringLiteral("list.csv"));
        } else {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
            old.close();
            QVERIFY(QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
        const auto entries = [&] {
            return folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        };
        const QStringList before = entries();
        host::FileDialogService::setObserver([&](const host::SaveFileRequest&) { return path; });

        form().mnuSave->trigger();

        QCOMPARE(entries(), before);
        QFile old(path); // an older file of that name, or a link's target, is kept whole
        QVERIFY(!old.open(QIODevice::ReadOnly) || old.readAll() == "old");
        QFile::setPermissions(scratch.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
        const QStringList lines = m_boxes[0].text.split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].contains(path));
        QVERIFY2(lines[1].size() > 3, qPrintable(m_boxes[0].text)); // the system's reason
    }
};

QTEST_MAIN(ListFeaturesTest)
#include "tst_listfeatures.moc"
