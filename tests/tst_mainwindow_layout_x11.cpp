// links: tavren_mainwindow
// needs: x11
#include "mainwindow/Form1.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"
#include "snapshot/ConnectionTable.h"
#include "support/NetstatListing.h"
#include "support/Xdotool.h"

#include <QDir>
#include <QHeaderView>
#include <QProcess>
#include <QScrollBar>
#include <QtTest>

#include <memory>

// The main window under a real window manager, resized from outside as a user drags it: the
// toolbar, the list (with its header and scroll bar) and the status bar never cover one
// another, whatever frame and title bar the window manager adds.

using testsupport::xdotool;

namespace {

// A part's rectangle in the window's client coordinates, as far as it is shown.
QRect shownRect(const QWidget* part, const QWidget* window) {
    return QRect(part->mapTo(window, QPoint(0, 0)), part->size());
}

} // namespace

class MainWindowLayoutX11Test : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void noOverlapAtAnySize_data();
    void noOverlapAtAnySize();

private:
    std::unique_ptr<os::FakeSystem> m_system;
    std::unique_ptr<ConnectionSnapshot> m_snapshot;
    std::unique_ptr<Form1> m_form;
};

void MainWindowLayoutX11Test::init() {
    m_system = std::make_unique<os::FakeSystem>();
    QList<testsupport::Line> lines;
    for (int i = 0; i < 40; ++i)
        lines.append({QStringLiteral("127.0.0.1:%1").arg(40000 + i), "localhost:5432", "ESTABLISHED", 700});
    m_system->defaultCommandResult = testsupport::finished(testsupport::listing(lines));
    m_system->processIdList = {700};
    m_system->executablePaths = {{700, QStringLiteral("/usr/lib/postgresql/bin/postgres-client-tool")}};
    m_snapshot = std::make_unique<ConnectionSnapshot>();
    m_form = std::make_unique<Form1>(*m_system, *m_snapshot);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->RefreshView();
}

void MainWindowLayoutX11Test::cleanup() {
    m_form.reset();
    m_snapshot.reset();
    m_system.reset();
}

void MainWindowLayoutX11Test::noOverlapAtAnySize_data() {
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QString>("shot");
    QTest::newRow("larger than designed") << QSize(1100, 620) << "layout-large";
    QTest::newRow("as designed") << QSize(805, 284) << "layout-design";
    QTest::newRow("smaller than designed") << QSize(520, 200) << "layout-small";
    QTest::newRow("very small") << QSize(60, 30) << "layout-tiny";
    QTest::newRow("wide and low") << QSize(1200, 90) << "";
}

void MainWindowLayoutX11Test::noOverlapAtAnySize() {
    QFETCH(QSize, requested);
    QFETCH(QString, shot);
    Form1& form = *m_form;
    const QString window = QString::number(form.winId());
    // Through the window manager, as a drag on the frame would: it may refuse sizes below the
    // window's minimum.
    QVERIFY(xdotool({"windowsize", "--sync", window, QString::number(requested.width()),
                     QString::number(requested.height())}));
    const QSize expected = requested.expandedTo(form.minimumSize());
    QTRY_COMPARE_WITH_TIMEOUT(form.size(), expected, 5000);
    QTest::qWait(100); // the resize's own layout runs in the same event

    // A window manager adds a frame and a title bar: the layout must not count them.
    QVERIFY(form.frameGeometry().height() > form.height());

    const QRect client = form.rect();
    const QRect toolbar = shownRect(form.Toolbar1, &form);
    widgets::ListView& list = *form.ListView1;
    const QRect listRect = shownRect(&list, &form);
    const QRect status = shownRect(form.StatusBar1, &form);
    for (const QRect& part : {toolbar, listRect, status})
        QVERIFY2(client.contains(part), qPrintable(QStringLiteral("part outside the client area")));
    QVERIFY(!toolbar.intersects(listRect));
    QVERIFY(!listRect.intersects(status));
    QVERIFY(!toolbar.intersects(status));
    QCOMPARE(listRect.bottom() + 1, status.top());

    // The header and the horizontal scroll bar the columns need are inside the list, above
    // the status bar.
    QVERIFY(list.header()->isVisible());
    QVERIFY(listRect.contains(shownRect(list.header(), &form)));
    QScrollBar* across = list.horizontalScrollBar();
    if (list.header()->length() > list.viewport()->width()) {
        QVERIFY(across->isVisible());
        const QRect bar = shownRect(across, &form);
        QVERIFY(listRect.contains(bar));
        QVERIFY(bar.bottom() < status.top());
    }

    const QString folder = qEnvironmentVariable("TAVREN_SHOTS");
    if (!shot.isEmpty() && !folder.isEmpty()) {
        QTest::qWait(300);
        QProcess::execute(QStringLiteral("import"),
                          {"-window", "root", QDir(folder).filePath(shot + ".png")});
    }
}

QTEST_MAIN(MainWindowLayoutX11Test)
#include "tst_mainwindow_layout_x11.moc"
