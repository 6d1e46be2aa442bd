// links: tavren_mainwindow
#include "controls/progressbar/ProgressBar.h"
#include "mainwindow/Form1.h"
#include "mainwindow/PictureBox.h"
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
    void tooLowOrNarrowKeepsLastListSize();
    void unknownToolbarCaptionDoesNothing();

private:
    void resizeTo(int width, int height);

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

    QCOMPARE(form.iml16->imageSize(), QSize(16, 16));
    QCOMPARE(form.iml32->imageSize(), QSize(32, 32));
    QCOMPARE(form.iml16->count(), 0);
    QCOMPARE(form.pic16->picture().size(), QSize(16, 16));
    QCOMPARE(form.pic32->picture().size(), QSize(32, 32));
    QVERIFY(!form.pic16->isVisible());
    QVERIFY(!form.pic32->isVisible());

    QCOMPARE(form.ListView1->geometry().top(), twipsToPixels(600));
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
    QCOMPARE(list.columnCount(), 6);
    QAbstractItemModel* model = list.model();
    QCOMPARE(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), header);
    QCOMPARE(list.header()->sectionSize(column), host::himetricToPixels(himetric));

    // A row's cell follows its column's alignment.
    list.addItem(QStringLiteral("x")).setSubItem(5, QStringLiteral("y"));
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

void MainWindowLayoutTest::resize() {
    QFETCH(int, width);
    QFETCH(int, height);
    Form1& form = *m_form;
    // Start from a different size, so every value below was set by this resize.
    resizeTo(width + 97, height + 53);
    resizeTo(width, height);

    const QSize outer = form.frameGeometry().size();
    const float W = float(pixelsToTwips(outer.width()));
    const float H = float(pixelsToTwips(outer.height()));
    QCOMPARE(form.ListView1->width(), twipsToPixels(W - 150));
    QCOMPARE(form.ListView1->height(), twipsToPixels(H - 1050));
    QCOMPARE(form.ListView1->x(), 0);
    QCOMPARE(form.ListView1->y(), twipsToPixels(600));

    widgets::StatusBar& bar = *form.StatusBar1;
    QCOMPARE(bar.panelWidth(1), twipsToPixels(W / 4));
    QCOMPARE(bar.geometry().bottom(), form.height() - 1);
    QCOMPARE(bar.width(), form.width());

    // The progress bar covers panel 1 exactly, a little inset from the bar's top.
    const QRect panel1 = bar.panelRect(1).translated(bar.pos());
    QCOMPARE(form.Progbar->x(), bar.x());
    QCOMPARE(form.Progbar->x(), panel1.x());
    QCOMPARE(form.Progbar->width(), panel1.width());
    QCOMPARE(form.Progbar->y(), twipsToPixels(float(pixelsToTwips(bar.y())) + 50));
    QCOMPARE(form.Progbar->height(), twipsToPixels(float(pixelsToTwips(bar.height())) - 80));
    QCOMPARE(form.Progbar->max(), 10);
}

void MainWindowLayoutTest::tooLowOrNarrowKeepsLastListSize() {
    Form1& form = *m_form;
    // The layout works on the outer size, frame included.
    const auto outerTwips = [&] {
        const QSize outer = form.frameGeometry().size();
        return QSizeF(pixelsToTwips(outer.width()), pixelsToTwips(outer.height()));
    };
    resizeTo(600, 300);
    const int listHeight = form.ListView1->height();
    form.Progbar->setMax(50);

    // 40 pixels are 600 twips: lower than the 1050 the list needs below and above it.
    resizeTo(500, 40);
    QVERIFY(outerTwips().height() < 1050);
    QCOMPARE(form.ListView1->height(), listHeight);
    QCOMPARE(form.ListView1->width(), twipsToPixels(float(outerTwips().width()) - 150));
    QCOMPARE(form.StatusBar1->panelWidth(1), twipsToPixels(float(outerTwips().width()) / 4));
    QCOMPARE(form.Progbar->max(), 10);
    QCOMPARE(form.Progbar->width(), form.StatusBar1->panelWidth(1));
    const int listWidth = form.ListView1->width();

    // 6 pixels are 90 twips: narrower than the 150 the list leaves beside it.
    resizeTo(6, 300);
    if (outerTwips().width() < 150) { // some platforms add a frame wider than that
        QCOMPARE(form.ListView1->width(), listWidth);
        QCOMPARE(form.ListView1->height(), twipsToPixels(float(outerTwips().height()) - 1050));
    }

    // A larger size lays everything out again.
    resizeTo(900, 400);
    QCOMPARE(form.ListView1->width(), twipsToPixels(float(outerTwips().width()) - 150));
    QCOMPARE(form.ListView1->height(), twipsToPixels(float(outerTwips().height()) - 1050));
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
