// links: tavren_mainwindow
// platforms: linux windows
#include "controls/progressbar/ProgressBar.h"
#include "mainwindow/Form1.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"
#include "snapshot/ConnectionTable.h"
#include "support/NetstatListing.h"
#include "support/RunAlone.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace form1design;

using testsupport::finished;
using testsupport::Line;
using testsupport::listing;

namespace {

QIcon solidIcon(QColor colour) {
    QPixmap pixmap(48, 48);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QColor centre(const QPixmap& pixmap) {
    return pixmap.toImage().pixelColor(pixmap.width() / 2, pixmap.height() / 2);
}

// Rows written "local foreign state pid".
QByteArray listingOf(const QStringList& rows) {
    QList<Line> lines;
    for (const QString& row : rows) {
        const QStringList f = row.split(QLatin1Char(' '));
        lines.append({f[0], f[1], f[2], f[3].toInt()});
    }
    return listing(lines);
}

QStringList rowTexts(widgets::ListView& list, int index) {
    widgets::ListItem item = list.item(index);
    QStringList texts{item.text()};
    for (int n = 1; n <= 5; ++n)
        texts << item.subItem(n);
    return texts;
}

} // namespace

class RefreshViewTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rows_data();
    void rows();
    void progressAndStatusAcrossRefresh_data();
    void progressAndStatusAcrossRefresh();
    void iconsOnePerRow();
    void rowWithoutIconKeepsLaterImagesAligned();
    void selectionFollowsItsConnection();
    void selectionClearedWhenConnectionGone();
    void selectionAcrossStateChange_data();
    void selectionAcrossStateChange();
    void noFocusFrameWithoutSelection_data();
    void noFocusFrameWithoutSelection();
    void capMessage_data();
    void capMessage();
    void cutListingReported_data();
    void cutListingReported();
    void scrollPositionKept();
    void scrollPositionKeptWithSelectionOutOfView_data();
    void scrollPositionKeptWithSelectionOutOfView();
    void listDoesNotPaintWhileRebuilt();
    void foregroundOnlyWhenTheProgramHasTheUser_data();
    void foregroundOnlyWhenTheProgramHasTheUser();
    void refreshRequestedDuringYieldRunsOnceAfterwards();
    void closingDuringYieldEndsCleanly();
    void deletingDuringYieldDoesNotCrash();
    void timerDoesNothingWhileProcessing();
    void timerComparesLiveCounts_data();
    void timerComparesLiveCounts();
    void loadRefreshesOnlyWithActiveConnections_data();
    void loadRefreshesOnlyWithActiveConnections();

private:
    Form1& form() { return *m_form; }
    // The icon list row `row` shows, drawn at `size`; null when it shows none.
    QPixmap rowIcon(int row, int size) {
        const QIcon icon = form().ListView1->model()->index(row - 1, 0).data(Qt::DecorationRole).value<QIcon>();
        return icon.isNull() ? QPixmap() : icon.pixmap(size);
    }

    std::unique_ptr<os::FakeSystem> m_system;
    std::unique_ptr<ConnectionSnapshot> m_snapshot;
    std::unique_ptr<Form1> m_form;
};

void RefreshViewTest::init() {
    m_system = std::make_unique<os::FakeSystem>();
    m_snapshot = std::make_unique<ConnectionSnapshot>();
    m_form = std::make_unique<Form1>(*m_system, *m_snapshot);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void RefreshViewTest::cleanup() {
    m_form.reset();
    m_snapshot.reset();
    m_system.reset();
}

void RefreshViewTest::rows_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("rowText");
    QTest::addColumn<QString>("rowTableName");

    QTest::newRow("linux path") << "/usr/bin/curl"
                                << "curl"
                                << "curl";
    QTest::newRow("windows path") << "C:\\Program Files\\App\\app.exe"
                                  << "app.exe"
                                  << "app.exe";
    QTest::newRow("no separator") << "daemon"
                                  << "daemon"
                                  << "daemon";
    QTest::newRow("trailing slash") << "/opt/odd/"
                                    << ""
                                    << "";
    QTest::newRow("trailing backslash") << "C:\\odd\\"
                                        << ""
                                        << "";
    QTest::newRow("mixed, last wins") << "C:\\a/b\\c.exe"
                                      << "c.exe"
                                      << "c.exe";
    QTest::newRow("unresolved owner") << ""
                                      << "Unknown"
                                      << "";
}

void RefreshViewTest::rows() {
    QFETCH(QString, path);
    QFETCH(QString, rowText);
    QFETCH(QString, rowTableName);

    m_system->defaultCommandResult = finished(listing({
        {"10.0.0.2:5000", "example.host:http", "ESTABLISHED", 700},
        {"10.0.0.2:5001", "10.1.1.1:22", "SYN_SENT", 701},
    }));
    m_system->processIdList = {1, 700, 701};
    if (!path.isEmpty())
        m_system->executablePaths.insert(700, path);
    m_system->executablePaths.insert(701, QStringLiteral("/usr/sbin/sshd"));

    form().RefreshView();

    widgets::ListView& list = *form().ListView1;
    QCOMPARE(list.itemCount(), 2);
    QCOMPARE(rowTexts(list, 1),
             (QStringList{rowText, "5000", "example.host", "80 (Http)", "ESTABLISHED", path}));
    QCOMPARE(rowTexts(list, 2),
             (QStringList{"sshd", "5001", "10.1.1.1", "22", "SYN_SENT", "/usr/sbin/sshd"}));
    QCOMPARE(m_snapshot->RowTable.at(1)->ImagePath, rowTableName);
    QCOMPARE(m_snapshot->RowTable.at(1)->ProcessId, 700);
    QCOMPARE(m_snapshot->RowTable.at(2)->ImagePath, QStringLiteral("sshd"));
    QCOMPARE(m_snapshot->RowTable.at(2)->ProcessId, 701);
}

void RefreshViewTest::progressAndStatusAcrossRefresh_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("startError");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("panel1");
    QTest::addColumn<QString>("panel2");
    const QString visit = QStringLiteral("Please Visit www.tavren-netstat.example");
    const QString notRead = QStringLiteral("The connection list could not be read: ");
    const QByteArray two =
        listing({{"1.2.3.4:1", "5.6.7.8:2", "ESTABLISHED", 9}, {"1.2.3.4:3", "5.6.7.8:4", "CLOSE_WAIT", 9}});
    QTest::newRow("empty snapshot") << listing({}) << 0 << 0 << 0 << 0 << "Last Refreshed: " << visit;
    QTest::newRow("two connections") << two << 0 << 0 << 0 << 2 << "Last Refreshed: " << visit;
    // A command that failed leaves the list empty and says why, never "Last Refreshed".
    QTest::newRow("command not started") << QByteArray() << 2 << 0 << 0 << 0
                                         << "Refresh Failed: " << notRead + "Error: CreateProcess failed. 2";
    QTest::newRow("exit status 3") << two << 0 << 3 << 0 << 0
                                   << "Refresh Failed: " << notRead + "exit status 3";
    QTest::newRow("killed") << two << 0 << 0 << 9 << 0
                            << "Refresh Failed: " << notRead + "ended by signal 9 (Killed)";
}

void RefreshViewTest::progressAndStatusAcrossRefresh() {
    QFETCH(QByteArray, output);
    QFETCH(int, startError);
    QFETCH(int, exitCode);
    QFETCH(int, signal);
    QFETCH(int, rows);
    QFETCH(QString, panel1);
    m_system->defaultCommandResult = finished(output);
    m_system->defaultCommandResult.exitCode = exitCode;
    m_system->defaultCommandResult.signal = signal;
    if (startError) {
        m_system->defaultCommandResult.status = os::CommandStatus::StartFailed;
        m_system->defaultCommandResult.errorCode = startError;
    }
    // A spy on the bar's property-changed notification, reading the value as each arrives.
    QList<int> values;
    connect(form().Progbar, &host::HostedControl::propertyChanged, this, [&](const QString& key) {
        if (key == QLatin1String("Value"))
            values << form().Progbar->value();
    });

    struct Seen {
        std::int16_t processing = 0;
        Qt::CursorShape cursor = Qt::ArrowCursor;
        QString panel2;
        bool barVisible = false;
    } during;
    m_system->onRunCommand = [&](const os::CommandRequest&) {
        during = {form().Processing, form().cursor().shape(), form().StatusBar1->panelText(2),
                  form().Progbar->isVisible()};
    };
    QCOMPARE(form().Processing, False16);
    QVERIFY(!form().Progbar->isVisible());

    form().RefreshView();

    QCOMPARE(during.processing, True16);
    QCOMPARE(during.cursor, Qt::WaitCursor);
    QCOMPARE(during.panel2, QStringLiteral("Loading..."));
    QVERIFY(during.barVisible);

    QCOMPARE(values, (QList<int>{2, 4, 6, 8, 10, 0}));
    QVERIFY(!form().Progbar->isVisible());
    QCOMPARE(form().Processing, False16);
    QCOMPARE(form().cursor().shape(), Qt::ArrowCursor);
    // A platform that names its signals adds the name: "ended by signal 9 (Killed)".
    QFETCH(QString, panel2);
    QVERIFY2(form().StatusBar1->panelText(2) == panel2 ||
                 (panel2.contains("signal") && form().StatusBar1->panelText(2) == panel2.section(" (", 0, 0)),
             qPrintable(form().StatusBar1->panelText(2)));
    QVERIFY2(form().StatusBar1->panelText(1).startsWith(panel1), qPrintable(form().StatusBar1->panelText(1)));
    QVERIFY(form().StatusBar1->panelText(1).size() > panel1.size()); // followed by the time
    QCOMPARE(form().ListView1->itemCount(), rows);
}

void RefreshViewTest::iconsOnePerRow() {
    m_system->defaultCommandResult = finished(listing({
        {"a:1", "b:2", "ESTABLISHED", 50},
        {"a:3", "b:4", "ESTABLISHED", 50},
        {"a:5", "b:6", "ESTABLISHED", 50},
    }));
    m_system->processIdList = {50};
    m_system->executablePaths.insert(50, QStringLiteral("/usr/bin/tool"));
    m_system->icons.insert(QStringLiteral("/usr/bin/tool"), solidIcon(Qt::red));

    // Every row shows its program's icon in both sizes; the system is asked once per program
    // for the whole run, however many rows and refreshes.
    for (int refresh = 1; refresh <= 2; ++refresh) {
        form().RefreshView();
        for (int row = 1; row <= 3; ++row)
            for (int size : {16, 32})
                QCOMPARE(centre(rowIcon(row, size)), QColor(Qt::red));
    }
    QCOMPARE(m_system->iconRequests.count(QStringLiteral("/usr/bin/tool")), 1);
}

void RefreshViewTest::rowWithoutIconKeepsLaterImagesAligned() {
    m_system->defaultCommandResult = finished(listing({
        {"a:1", "b:2", "ESTABLISHED", 10},
        {"a:3", "b:4", "ESTABLISHED", 11}, // owner not readable: "Unknown", no icon
        {"a:5", "b:6", "ESTABLISHED", 12},
        {"a:7", "b:8", "ESTABLISHED", 13}, // no icon at all for this program
    }));
    m_system->processIdList = {10, 11, 12, 13};
    m_system->executablePaths = {{10, "/bin/green"}, {12, "/bin/blue"}, {13, "/bin/plain"}};
    m_system->icons = {
        {"/bin/green", solidIcon(Qt::green)}, {"/bin/blue", solidIcon(Qt::blue)}, {"/bin/plain", QIcon()}};

    form().RefreshView();

    QCOMPARE(form().ListView1->item(2).text(), QStringLiteral("Unknown"));
    QCOMPARE(centre(rowIcon(1, 32)), QColor(Qt::green));
    QVERIFY(rowIcon(2, 32).isNull());
    QCOMPARE(centre(rowIcon(3, 32)), QColor(Qt::blue));
    QCOMPARE(centre(rowIcon(3, 16)), QColor(Qt::blue));
    QVERIFY(rowIcon(4, 32).isNull());
    QVERIFY(!m_system->iconRequests.contains(QString()));
}

void RefreshViewTest::selectionFollowsItsConnection() {
    m_system->processIdList = {20, 21};
    m_system->executablePaths = {{20, "/bin/one"}, {21, "/bin/two"}};
    m_system->commandResults = {
        finished(listing({{"a:1", "b:2", "ESTABLISHED", 20}, {"a:3", "b:4", "ESTABLISHED", 21}})),
        // A new connection arrives in front of the selected one.
        finished(listing({{"a:9", "b:9", "ESTABLISHED", 20},
                          {"a:1", "b:2", "ESTABLISHED", 20},
                          {"a:3", "b:4", "ESTABLISHED", 21}})),
    };
    form().RefreshView();
    QVERIFY(form().ListView1->setSelectedIndex(2));

    form().RefreshView();

    QCOMPARE(form().ListView1->selectedIndex(), 3);
    QCOMPARE(form().ListView1->selectedItem().subItem(1), QStringLiteral("3"));
}

void RefreshViewTest::selectionClearedWhenConnectionGone() {
    m_system->processIdList = {20, 21};
    m_system->executablePaths = {{20, "/bin/one"}, {21, "/bin/two"}};
    m_system->commandResults = {
        finished(listing({{"a:1", "b:2", "ESTABLISHED", 20}, {"a:3", "b:4", "ESTABLISHED", 21}})),
        // The selected row's place is taken by another program's connection.
        finished(listing({{"a:1", "b:2", "ESTABLISHED", 20}, {"a:3", "b:4", "ESTABLISHED", 22}})),
    };
    form().RefreshView();
    QVERIFY(form().ListView1->setSelectedIndex(2));

    form().RefreshView();

    QCOMPARE(form().ListView1->selectedIndex(), 0);
}

void RefreshViewTest::selectionAcrossStateChange_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("selectedAfter");
    const QStringList two{"a:1 b:2 ESTABLISHED 20", "a:3 b:4 ESTABLISHED 21"};
    QTest::newRow("only the state changes")
        << two << 2 << QStringList{"a:1 b:2 ESTABLISHED 20", "a:3 b:4 CLOSE_WAIT 21"} << 2;
    QTest::newRow("the state changes and the row moves")
        << two << 2 << QStringList{"a:9 b:9 ESTABLISHED 20", "a:1 b:2 FIN_WAIT_1 20", "a:3 b:4 CLOSE_WAIT 21"}
        << 3;
    QTest::newRow("an unchanged row wins over one whose state moved")
        << QStringList{"a:5 b:6 CLOSE_WAIT 20", "a:5 b:6 ESTABLISHED 20"} << 2
        << QStringList{"a:5 b:6 CLOSE_WAIT 20", "a:5 b:6 ESTABLISHED 20"} << 2;
    QTest::newRow("another owner is another connection")
        << two << 2 << QStringList{"a:1 b:2 ESTABLISHED 20", "a:3 b:4 CLOSE_WAIT 22"} << 0;
    QTest::newRow("another remote port is another connection")
        << two << 2 << QStringList{"a:1 b:2 ESTABLISHED 20", "a:3 b:5 CLOSE_WAIT 21"} << 0;
    QTest::newRow("another local port is another connection")
        << two << 1 << QStringList{"a:7 b:2 CLOSE_WAIT 20", "a:3 b:4 ESTABLISHED 21"} << 0;
}

void RefreshViewTest::selectionAcrossStateChange() {
    QFETCH(QStringList, before);
    QFETCH(int, selected);
    QFETCH(QStringList, after);
    QFETCH(int, selectedAfter);
    m_system->processIdList = {20, 21, 22};
    m_system->executablePaths = {{20, "/bin/one"}, {21, "/bin/two"}, {22, "/bin/two"}};
    m_system->commandResults = {finished(listingOf(before)), finished(listingOf(after))};
    form().RefreshView();
    QVERIFY(form().ListView1->setSelectedIndex(selected));
    QStringList picked = rowTexts(*form().ListView1, selected);

    form().RefreshView();

    QCOMPARE(form().ListView1->selectedIndex(), selectedAfter);
    if (selectedAfter > 0) {
        QStringList now = rowTexts(*form().ListView1, selectedAfter);
        picked.removeAt(4); // all but the "Status" column
        now.removeAt(4);
        QCOMPARE(now, picked);
    }
}

void RefreshViewTest::noFocusFrameWithoutSelection_data() {
    QTest::addColumn<int>("selected");
    QTest::newRow("the selected connection is gone") << 2;
    QTest::newRow("nothing was selected") << 0;
}

// The focus frame is drawn on the list's current row: with nothing selected there must be
// none, not after the refresh and not once the list takes the keyboard.
void RefreshViewTest::noFocusFrameWithoutSelection() {
    QFETCH(int, selected);
    m_system->processIdList = {20, 21};
    m_system->executablePaths = {{20, "/bin/one"}, {21, "/bin/two"}};
    m_system->commandResults = {
        finished(listingOf({"a:1 b:2 ESTABLISHED 20", "a:3 b:4 ESTABLISHED 21"})),
        finished(listingOf({"a:1 b:2 ESTABLISHED 20", "a:3 b:4 ESTABLISHED 20"})),
    };
    widgets::ListView& list = *form().ListView1;
    form().RefreshView();
    QVERIFY(list.setSelectedIndex(selected));

    form().RefreshView();

    QCOMPARE(list.selectedIndex(), 0);
    QVERIFY(!list.currentIndex().isValid());
    QFocusEvent focusIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(&list, &focusIn);
    QVERIFY(!list.currentIndex().isValid());
}

void RefreshViewTest::capMessage_data() {
    QTest::addColumn<int>("connections");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("message");
    QTest::newRow("a few") << 3 << 3 << VisitText;
    QTest::newRow("no capacity: every one listed") << 2001 << 2001 << VisitText;
    QTest::newRow("thirty thousand") << 30000 << 30000 << VisitText;
}

void RefreshViewTest::capMessage() {
    QFETCH(int, connections);
    QFETCH(int, rows);
    QFETCH(QString, message);
    QList<Line> lines;
    for (int i = 0; i < connections; ++i)
        lines.append({QStringLiteral("a:%1").arg(i), "b:1", "ESTABLISHED", 30});
    m_system->commandResults = {finished(listing(lines)), finished(listing(lines.mid(0, 3)))};
    form().RefreshView();
    QCOMPARE(form().ListView1->itemCount(), rows);
    QCOMPARE(form().StatusBar1->panelText(2), message);
    QCOMPARE(form().ListView1->item(rows).subItem(1), QString::number(connections - 1)); // the last one too

    // The message goes with the connections it spoke of.
    form().RefreshView();
    QCOMPARE(form().StatusBar1->panelText(2), VisitText);
}

void RefreshViewTest::cutListingReported_data() {
    QTest::addColumn<bool>("cut");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("message");
    QTest::newRow("whole: the missing one is gone") << false << 3 << VisitText;
    QTest::newRow("cut: nothing is gone, the cut is said")
        << true << 2 << "Showing the first 2 connections: the listing was too long";
}

// A listing cut by the runner's cap says so, and the connections past the cut are not taken
// for gone ones.
void RefreshViewTest::cutListingReported() {
    QFETCH(bool, cut);
    QFETCH(int, rows);
    QFETCH(QString, message);
    const QList<Line> lines{{"a:1", "b:1", "S", 30}, {"a:2", "b:1", "S", 31}, {"a:3", "b:1", "S", 32}};
    m_system->commandResults = {finished(listing(lines)), finished(listing(lines.mid(0, 2))),
                                finished(listing(lines))};
    m_system->commandResults[1].truncated = cut;
    form().RefreshView();
    form().RefreshView();
    QCOMPARE(form().ListView1->itemCount(), rows);
    QCOMPARE(form().ListView1->item(3).mark() == widgets::RowMark::Gone, !cut);
    QCOMPARE(form().StatusBar1->panelText(2), message);
    // The message goes with its listing; the next whole one is compared with the last whole one.
    form().RefreshView();
    QCOMPARE(form().StatusBar1->panelText(2), VisitText);
    QCOMPARE(form().ListView1->item(3).mark(), cut ? widgets::RowMark::None : widgets::RowMark::New);
}

void RefreshViewTest::scrollPositionKept() {
    QList<Line> lines;
    for (int i = 0; i < 300; ++i)
        lines.append({QStringLiteral("a:%1").arg(i), "b:1", "ESTABLISHED", 30});
    m_system->defaultCommandResult = finished(listing(lines));
    form().RefreshView();
    QScrollBar* bar = form().ListView1->verticalScrollBar();
    QVERIFY(bar->maximum() > 100);
    bar->setValue(bar->maximum() / 2);
    const int before = bar->value();

    form().RefreshView();

    QCOMPARE(bar->value(), before);
}

void RefreshViewTest::scrollPositionKeptWithSelectionOutOfView_data() {
    QTest::addColumn<bool>("newRowInFront");
    QTest::addColumn<int>("selectedAfter");
    QTest::newRow("same rows") << false << 2;
    QTest::newRow("a new row in front of the selected one") << true << 3;
}

void RefreshViewTest::scrollPositionKeptWithSelectionOutOfView() {
    QFETCH(bool, newRowInFront);
    QFETCH(int, selectedAfter);
    QList<Line> lines;
    for (int i = 0; i < 300; ++i)
        lines.append({QStringLiteral("a:%1").arg(i), "b:1", "ESTABLISHED", 30});
    m_system->commandResults.append(finished(listing(lines)));
    if (newRowInFront)
        lines.prepend({"a:9999", "b:1", "ESTABLISHED", 30});
    m_system->commandResults.append(finished(listing(lines)));
    m_system->processIdList = {30};
    m_system->executablePaths.insert(30, QStringLiteral("/opt/") + QString(300, QLatin1Char('p')));
    form().RefreshView();
    QVERIFY(form().ListView1->setSelectedIndex(2));
    // The user looks at rows far below the selected one, and at the end of the long paths.
    QScrollBar* vertical = form().ListView1->verticalScrollBar();
    QScrollBar* horizontal = form().ListView1->horizontalScrollBar();
    QVERIFY(vertical->maximum() > 100);
    QVERIFY(horizontal->maximum() > 0);
    vertical->setValue(vertical->maximum() / 2);
    horizontal->setValue(horizontal->maximum());
    const int verticalBefore = vertical->value();
    const int horizontalBefore = horizontal->value();

    form().RefreshView();

    QCOMPARE(form().ListView1->selectedIndex(), selectedAfter);
    QCOMPARE(vertical->value(), verticalBefore);
    QCOMPARE(horizontal->value(), horizontalBefore);
}

namespace {

// Counts the paints of a widget, and those that happened while the window was refreshing.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget* widget, const Form1& form) : m_form(form) { widget->installEventFilter(this); }
    int paints = 0;
    int paintsWhileRefreshing = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (m_form.Processing != False16)
                ++paintsWhileRefreshing;
        }
        return false;
    }

private:
    const Form1& m_form;
};

} // namespace

void RefreshViewTest::listDoesNotPaintWhileRebuilt() {
    QList<Line> lines;
    for (int i = 0; i < 50; ++i)
        lines.append({QStringLiteral("a:%1").arg(i), "b:1", "ESTABLISHED", 30});
    m_system->defaultCommandResult = finished(listing(lines));
    form().RefreshView();
    QCoreApplication::processEvents();
    PaintCounter counter(form().ListView1->viewport(), form());
    // The yields of the refresh get every chance to paint.
    m_system->onRunCommand = [&](const os::CommandRequest&) {
        form().ListView1->viewport()->repaint();
        QCoreApplication::processEvents();
    };

    form().RefreshView();
    QCoreApplication::processEvents();

    QCOMPARE(counter.paintsWhileRefreshing, 0);
    QVERIFY(counter.paints > 0); // and the rebuilt list paints once it is done
}

void RefreshViewTest::foregroundOnlyWhenTheProgramHasTheUser_data() {
    QTest::addColumn<bool>("dialogActive");
    QTest::newRow("main window active") << false;
    // Typing in a dialog of the program must not lose its keystrokes to the list.
    QTest::newRow("a dialog of the program active") << true;
}

void RefreshViewTest::foregroundOnlyWhenTheProgramHasTheUser() {
    QFETCH(bool, dialogActive);
    m_system->defaultCommandResult = finished(listing({{"a:1", "b:2", "ESTABLISHED", 5}}));
    QWidget dialog(&form(), Qt::Dialog);
    auto* field = new QLineEdit(&dialog);
    QWidget* const active = dialogActive ? &dialog : static_cast<QWidget*>(&form());
    active->show();
    active->activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), active, 2000);
    field->setFocus();

    form().RefreshView();
    QTest::qWait(50); // activation requests are delivered from the event queue

    QCOMPARE(QApplication::activeWindow(), active);
    if (dialogActive)
        QCOMPARE(QApplication::focusWidget(), field);
}

void RefreshViewTest::refreshRequestedDuringYieldRunsOnceAfterwards() {
    m_system->defaultCommandResult = finished(listing({{"a:1", "b:2", "ESTABLISHED", 5}}));
    QList<int> values;
    connect(form().Progbar, &host::HostedControl::propertyChanged, this, [&](const QString& key) {
        if (key == QLatin1String("Value"))
            values << form().Progbar->value();
    });
    // Two clicks on "Refresh" arrive in the first yield of the running refresh.
    QTimer::singleShot(0, this, [&] {
        form().Toolbar1->click(1);
        form().Toolbar1->click(1);
    });

    form().RefreshView();

    QCOMPARE(m_system->commandRequests.size(), 2);
    QCOMPARE(values, (QList<int>{2, 4, 6, 8, 10, 0, 2, 4, 6, 8, 10, 0}));
    QCOMPARE(form().ListView1->itemCount(), 1);
    QCOMPARE(form().Processing, False16);
}

void RefreshViewTest::closingDuringYieldEndsCleanly() {
    TAVREN_RUN_ALONE(); // ends the program
    m_system->defaultCommandResult = finished(listing({{"a:1", "b:2", "ESTABLISHED", 5}}));
    m_system->tcpCounts.byState[os::TcpEstablished] = 4;
    form().Timer1->start(1);
    QSignalSpy unloading(&form(), &Form1::unloading);
    QTimer::singleShot(0, &form(), [&] { form().close(); });

    form().RefreshView();

    QVERIFY(form().hasEnded());
    QCOMPARE(unloading.size(), 1);
    QVERIFY(m_system->commandRequests.isEmpty());
    QVERIFY(!form().Timer1->isActive());
    QCOMPARE(form().Processing, False16);
    QVERIFY(!form().ListView1->isRebuilding());

    // Nothing runs any more: no tick, no refresh, no toolbar command.
    const int queries = m_system->tcpStateCountCalls;
    form().Timer1_Timer();
    form().RefreshView();
    form().Toolbar1->click(1);
    QTest::qWait(20);
    QCOMPARE(m_system->tcpStateCountCalls, queries);
    QVERIFY(m_system->commandRequests.isEmpty());
}

void RefreshViewTest::deletingDuringYieldDoesNotCrash() {
    QList<Line> lines;
    for (int i = 0; i < 2000; ++i)
        lines.append({QStringLiteral("a:%1").arg(i), "b:1", "ESTABLISHED", 30});
    m_system->defaultCommandResult = finished(listing(lines));
    // The window goes away at whichever yield comes after the command has run.
    m_system->onRunCommand = [&](const os::CommandRequest&) {
        QTimer::singleShot(0, this, [&] { m_form.reset(); });
    };
    Form1* raw = m_form.get();

    raw->RefreshView();

    QVERIFY(!m_form);
    QCOMPARE(m_system->commandRequests.size(), 1);
}

void RefreshViewTest::timerDoesNothingWhileProcessing() {
    m_system->tcpCounts.byState[os::TcpEstablished] = 3;
    form().Processing = True16;

    form().Timer1_Timer();

    QCOMPARE(m_system->tcpStateCountCalls, 0);
    QVERIFY(m_system->commandRequests.isEmpty());
}

void RefreshViewTest::timerComparesLiveCounts_data() {
    QTest::addColumn<int>("establishedBefore");
    QTest::addColumn<int>("listeningBefore");
    QTest::addColumn<int>("establishedAfter");
    QTest::addColumn<int>("listeningAfter");
    QTest::addColumn<int>("timeWaitAfter");
    QTest::addColumn<quint64>("digestAfter");
    QTest::addColumn<bool>("refreshes");

    QTest::newRow("nothing changed") << 3 << 1 << 3 << 1 << 0 << quint64(7) << false;
    QTest::newRow("new listener") << 3 << 1 << 3 << 2 << 0 << quint64(7) << false;
    QTest::newRow("new connection") << 3 << 1 << 4 << 1 << 0 << quint64(7) << true;
    QTest::newRow("into time-wait") << 3 << 1 << 2 << 1 << 1 << quint64(7) << true;
    // The counts stand still when a connection moves from one active state to another, or
    // one goes while another comes; the full count's digest still moves.
    QTest::newRow("same count, a state or a connection changed")
        << 3 << 1 << 3 << 1 << 0 << quint64(8) << true;
}

void RefreshViewTest::timerComparesLiveCounts() {
    QFETCH(int, establishedBefore);
    QFETCH(int, listeningBefore);
    QFETCH(int, establishedAfter);
    QFETCH(int, listeningAfter);
    QFETCH(int, timeWaitAfter);
    QFETCH(quint64, digestAfter);
    QFETCH(bool, refreshes);

    // The listing shows fewer connections than the system counts (sockets without a visible
    // owner are left out): the counts never agree, and that alone must not refresh.
    m_system->defaultCommandResult = finished(listing({{"a:1", "b:2", "ESTABLISHED", 5}}));
    m_system->tcpCounts.byState[os::TcpEstablished] = std::uint32_t(establishedBefore);
    m_system->tcpCounts.byState[os::TcpListen] = std::uint32_t(listeningBefore);
    m_system->tcpCounts.connectionDigest = 7;
    form().Timer1_Timer();
    QCOMPARE(m_system->commandRequests.size(), 1);
    QCOMPARE(m_snapshot->ConnectionCount, 1);
    form().Timer1_Timer();
    QCOMPARE(m_system->commandRequests.size(), 1);

    m_system->tcpCounts.byState[os::TcpEstablished] = std::uint32_t(establishedAfter);
    m_system->tcpCounts.byState[os::TcpListen] = std::uint32_t(listeningAfter);
    m_system->tcpCounts.byState[os::TcpTimeWait] = std::uint32_t(timeWaitAfter);
    m_system->tcpCounts.connectionDigest = digestAfter;
    form().Timer1_Timer();
    QCOMPARE(m_system->commandRequests.size(), refreshes ? 2 : 1);
    form().Timer1_Timer();
    QCOMPARE(m_system->commandRequests.size(), refreshes ? 2 : 1);
}

void RefreshViewTest::loadRefreshesOnlyWithActiveConnections_data() {
    QTest::addColumn<int>("established");
    QTest::addColumn<int>("listening");
    QTest::addColumn<bool>("refreshes");
    QTest::newRow("no connection") << 0 << 0 << false;
    QTest::newRow("only listeners") << 0 << 4 << false;
    QTest::newRow("one active") << 1 << 0 << true;
}

void RefreshViewTest::loadRefreshesOnlyWithActiveConnections() {
    QFETCH(int, established);
    QFETCH(int, listening);
    QFETCH(bool, refreshes);
    m_form->hide();
    m_system->tcpCounts.byState[os::TcpEstablished] = std::uint32_t(established);
    m_system->tcpCounts.byState[os::TcpListen] = std::uint32_t(listening);

    form().Form_Load();

    QVERIFY(form().isVisible());
    QCOMPARE(m_system->commandRequests.size(), refreshes ? 1 : 0);
    QVERIFY(!form().Timer1->isActive());
}

QTEST_MAIN(RefreshViewTest)
#include "tst_refreshview.moc"
