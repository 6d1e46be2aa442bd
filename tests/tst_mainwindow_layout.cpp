// links: tavren_mainwindow
// platforms: linux windows
#include "controls/progressbar/ProgressBar.h"
#include "connectionlist/ConnectionModel.h"
#include "mainwindow/Form1.h"
#include "platform/host/Units.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"
#include "snapshot/ConnectionTable.h"

#include <QHeaderView>
#include <QTest>
#include <QTimer>

#include <memory>

using host::pixelsToTwips;
using host::twipsToPixels;

class MainWindowLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void designValues();
    void toolbarButtons();
    void listColumns_data();
    void listColumns();
    void resize_data();
    void resize();
    void tooLowOrNarrowKeepsRoomForEveryPart();
    void unknownToolbarCaptionDoesNothing();

private:
    void resizeTo(int width, int height);
    void checkLayout();

    std::unique_ptr<os::FakeSystem> m_system;
    std::unique_ptr<ConnectionSnapshot> m_snapshot;
    std::unique_ptr<Form1> m_form;
};

void MainWindowLayoutTest::init() {
    m_system = std::make_unique<os::FakeSystem>();
    m_snapshot = std::make_unique<ConnectionSnapshot>();
    m_form = std::make_unique<Form1>(*m_system, *m_snapshot);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void MainWindowLayoutTest::cleanup() {
    m_form.reset();
}

void MainWindowLayoutTest::resizeTo(int width, int height) {
    m_form->resize(width, height);
    QCoreApplication::processEvents();
}

void MainWindowLayoutTest::designValues() {
    Form1& form = *m_form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Tavren NetStat"));
    QCOMPARE(form.size(), host::twipsRect(0, 0, 12075, 4260).size());
    const QList<QSize> iconSizes = form.windowIcon().availableSizes();
    for (int size : {16, 32, 48})
        QVERIFY2(iconSizes.contains(QSize(size, size)), qPrintable(QString::number(size)));

    QCOMPARE(form.Timer1->interval(), 3000);
    QVERIFY(!form.Timer1->isActive());
    QCOMPARE(form.Progbar->progressLook(), 2);
    QCOMPARE(form.Progbar->max(), 10);
    QVERIFY(!form.Progbar->isVisible()); // idle
    QCOMPARE(form.Processing, std::int16_t(0));

    QCOMPARE(form.ListView1->iconSize(), QSize(16, 16)); // rows show their programs' small icons

    // As designed: the list's top and width, the toolbar's and status bar's heights.
    QCOMPARE(form.ListView1->geometry().top(), twipsToPixels(600));
    QCOMPARE(form.ListView1->width(), twipsToPixels(12015));
    QCOMPARE(form.Toolbar1->height(), twipsToPixels(540));
    QCOMPARE(form.StatusBar1->height(), twipsToPixels(285));
    QCOMPARE(form.ListView1->geometry().bottom() + 1, form.StatusBar1->y());
    QCOMPARE(form.StatusBar1->geometry().bottom(), form.height() - 1);
    QCOMPARE(form.Toolbar1->geometry().top(), 0);
    QCOMPARE(form.StatusBar1->panelText(1), QString());
}

void MainWindowLayoutTest::toolbarButtons() {
    widgets::Toolbar& toolbar = *m_form->Toolbar1;
    const QStringList captions{"Refresh", "Terminate", "", "Options", "SysTray", "Exit", "", "About"};
    QCOMPARE(toolbar.buttonCount(), captions.size());
    QSet<int> images;
    for (int index = 1; index <= toolbar.buttonCount(); ++index) {
        const widgets::ToolbarButton button = toolbar.button(index);
        QCOMPARE(button.caption, captions[index - 1]);
        QCOMPARE(button.separator, captions[index - 1].isEmpty());
        if (!button.separator) {
            QVERIFY(!m_form->ImageList1->image(button.image).isNull());
            images.insert(button.image);
        }
    }
    QCOMPARE(images.size(), 6); // a picture of its own for each captioned button
}

void MainWindowLayoutTest::listColumns_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("header");
    QTest::addColumn<double>("himetric");
    QTest::addColumn<int>("alignment");
    QTest::newRow("File") << 0 << "File" << 3529.0 << int(Qt::AlignLeft);
    QTest::newRow("Local Port") << 1 << "Local Port" << 1834.0 << int(Qt::AlignHCenter);
    QTest::newRow("Remote Host") << 2 << "Remote Host" << 5292.0 << int(Qt::AlignLeft);
    QTest::newRow("Remote Port") << 3 << "Remote Port" << 2363.0 << int(Qt::AlignHCenter);
    QTest::newRow("Status") << 4 << "Status" << 2823.0 << int(Qt::AlignHCenter);
    QTest::newRow("File Path") << 5 << "File Path" << 7056.0 << int(Qt::AlignLeft);
}

void MainWindowLayoutTest::listColumns() {
    QFETCH(int, column);
    QFETCH(QString, header);
    QFETCH(double, himetric);
    QFETCH(int, alignment);
    widgets::ListView& list = *m_form->ListView1;
    QAbstractItemModel* model = list.model();
    QCOMPARE(model->columnCount(), 6); // the others wait in the header's menu
    QCOMPARE(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), header);
    QCOMPARE(list.header()->sectionSize(column), host::himetricToPixels(himetric));

    // A row's cell follows its column's alignment.
    m_form->connections().setRows({connectionlist::ConnectionRow{}});
    const int cellAlignment = model->data(model->index(0, column), Qt::TextAlignmentRole).toInt();
    QCOMPARE(cellAlignment & int(Qt::AlignHorizontal_Mask), alignment);
}

void MainWindowLayoutTest::resize_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("design") << 805 << 284;
    QTest::newRow("large") << 1200 << 700;
    QTest::newRow("small") << 300 << 120;
    QTest::newRow("odd") << 641 << 333;
}

// Toolbar, list and status bar follow one another down the client area without covering one
// another; the list keeps its design top and right margin.
void MainWindowLayoutTest::checkLayout() {
    Form1& form = *m_form;
    const QRect toolbar = form.Toolbar1->geometry();
    const QRect list = form.ListView1->geometry();
    widgets::StatusBar& bar = *form.StatusBar1;
    QCOMPARE(toolbar.topLeft(), QPoint(0, 0));
    QCOMPARE(toolbar.width(), form.width());
    QVERIFY(toolbar.height() >= twipsToPixels(540));
    QCOMPARE(list.x(), 0);
    QCOMPARE(list.y(), std::max(twipsToPixels(600), toolbar.bottom() + 1));
    QCOMPARE(list.width(), twipsToPixels(float(pixelsToTwips(form.width())) - 60));
    QCOMPARE(list.bottom() + 1, bar.y()); // the list ends where the status bar begins
    QCOMPARE(bar.geometry().bottom(), form.height() - 1);
    QCOMPARE(bar.x(), 0);
    QCOMPARE(bar.width(), form.width());
}

void MainWindowLayoutTest::resize() {
    QFETCH(int, width);
    QFETCH(int, height);
    Form1& form = *m_form;
    // Start from a different size, so every value below was set by this resize.
    resizeTo(width + 97, height + 53);
    resizeTo(width, height);
    QCOMPARE(form.size(), QSize(width, height));

    checkLayout();
    const float W = float(pixelsToTwips(form.width()));
    widgets::StatusBar& bar = *form.StatusBar1;
    QCOMPARE(bar.panelWidth(1), twipsToPixels(W / 4));

    // The progress bar covers panel 1 exactly, a little inset from the bar's top.
    const QRect panel1 = bar.panelRect(1).translated(bar.pos());
    QCOMPARE(form.Progbar->x(), bar.x());
    QCOMPARE(form.Progbar->x(), panel1.x());
    QCOMPARE(form.Progbar->width(), panel1.width());
    QCOMPARE(form.Progbar->y(), twipsToPixels(float(pixelsToTwips(bar.y())) + 50));
    QCOMPARE(form.Progbar->height(), twipsToPixels(float(pixelsToTwips(bar.height())) - 80));
    QCOMPARE(form.Progbar->max(), 10);
}

// However small the user makes the window, it keeps room for the toolbar, the list's header
// and scroll bar, and the status bar; a larger size lays everything out again.
void MainWindowLayoutTest::tooLowOrNarrowKeepsRoomForEveryPart() {
    Form1& form = *m_form;
    resizeTo(600, 300);
    form.Progbar->setMax(50);

    for (const QSize& tiny : {QSize(500, 40), QSize(6, 300), QSize(1, 1)}) {
        resizeTo(tiny.width(), tiny.height());
        QCOMPARE(form.size(), form.minimumSize().expandedTo(tiny));
        checkLayout();
        widgets::ListView& list = *form.ListView1;
        QVERIFY(list.height() >= list.header()->height());
        QCOMPARE(form.Progbar->max(), 10);
        QCOMPARE(form.Progbar->width(), form.StatusBar1->panelWidth(1));
    }
    QVERIFY(form.minimumWidth() <= 300);
    QVERIFY(form.minimumHeight() <= 150);

    resizeTo(900, 400);
    checkLayout();
}

void MainWindowLayoutTest::unknownToolbarCaptionDoesNothing() {
    Form1& form = *m_form;
    for (const QString& caption : {QString(), QStringLiteral("refresh"), QStringLiteral("Refresh ")})
        form.Toolbar1_ButtonClick(widgets::ToolbarButton{1, caption, 0, false});
    QVERIFY(m_system->commandRequests.isEmpty());
    QVERIFY(!form.hasEnded());
    form.Toolbar1_ButtonClick(widgets::ToolbarButton{1, QStringLiteral("Refresh"), 1, false});
    QCOMPARE(m_system->commandRequests.size(), 1);
}

QTEST_MAIN(MainWindowLayoutTest)
#include "tst_mainwindow_layout.moc"
