// links: tavren_widgets
// platforms: linux windows
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace widgets;

namespace {

QImage filled(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QColor colourOf(const QPixmap& pixmap) {
    return pixmap.toImage().pixelColor(0, 0);
}

// A list with the connection list's six columns and `rows` rows "row N" / "N.1" .. "N.5".
void fill(ListView& view, int rows) {
    if (view.columnCount() == 0) {
        const char* headers[] = {"File", "Local Port", "Remote Host", "Remote Port", "Status", "File Path"};
        for (const char* header : headers)
            view.addColumn(QString::fromLatin1(header), 80);
    }
    for (int n = 1; n <= rows; ++n) {
        ListItem item = view.addItem(QStringLiteral("row %1").arg(n));
        for (int sub = 1; sub <= ListView::SubItemCount; ++sub)
            item.setSubItem(sub, QStringLiteral("%1.%2").arg(n).arg(sub));
    }
}

QPoint rowCentre(ListView& view, int index) {
    return view.visualRect(view.model()->index(index - 1, 1)).center();
}

} // namespace

class TestWidgets : public QObject {
    Q_OBJECT
private slots:
    void imageListInsertsAtOneBasedPositions_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("order"); // colours of the list afterwards, by first letter
        // The list holds red, green before each insertion of blue.
        QTest::newRow("before the first") << 1 << true << "brg";
        QTest::newRow("between") << 2 << true << "rbg";
        QTest::newRow("count + 1 appends") << 3 << true << "rgb";
        QTest::newRow("count + 2 refused") << 4 << false << "rg";
        QTest::newRow("zero refused") << 0 << false << "rg";
        QTest::newRow("negative refused") << -1 << false << "rg";
    }
    void imageListInsertsAtOneBasedPositions() {
        QFETCH(int, position);
        QFETCH(bool, accepted);
        QFETCH(QString, order);
        ImageList list(QSize(16, 16));
        QVERIFY(list.insert(1, filled(QSize(16, 16), Qt::green)));
        QVERIFY(list.insert(1, filled(QSize(16, 16), Qt::red)));
        QSignalSpy changed(&list, &ImageList::changed);
        QCOMPARE(list.insert(position, filled(QSize(16, 16), Qt::blue)), accepted);
        QCOMPARE(changed.count(), accepted ? 1 : 0);
        QCOMPARE(list.count(), order.size());
        const QHash<QChar, QColor> colours{{'r', Qt::red}, {'g', Qt::green}, {'b', Qt::blue}};
        for (int i = 0; i < order.size(); ++i)
            QCOMPARE(colourOf(list.image(i + 1)), colours[order[i]]);
        QVERIFY(list.image(0).isNull());
        QVERIFY(list.image(list.count() + 1).isNull());
    }

    void imageListKeepsItsImageSize() {
        ImageList list(QSize(32, 32));
        QVERIFY(list.insert(1, filled(QSize(48, 20), Qt::red)));
        QCOMPARE(list.image(1).size(), QSize(32, 32));
        QVERIFY(!list.insert(1, QImage()));
        list.clear();
        QCOMPARE(list.count(), 0);
        QVERIFY(list.insert(1, filled(QSize(32, 32), Qt::red)));
    }

    void appendedItemComesBackWithItsSubItems() {
        ListView view;
        fill(view, 3);
        QCOMPARE(view.itemCount(), 3);
        ListItem added = view.addItem(QStringLiteral("Unknown"));
        QCOMPARE(added.index(), 4);
        QVERIFY(added.setSubItem(5, QStringLiteral("/usr/bin/x")));
        QVERIFY(!added.setSubItem(0, QStringLiteral("no")));
        QVERIFY(!added.setSubItem(6, QStringLiteral("no")));
        ListItem again = view.item(4);
        QCOMPARE(again.text(), QStringLiteral("Unknown"));
        QCOMPARE(again.subItem(5), QStringLiteral("/usr/bin/x"));
        QCOMPARE(again.subItem(1), QString());
        QCOMPARE(view.item(2).subItem(3), QStringLiteral("2.3"));
        // What the view shows is what the items hold.
        QCOMPARE(view.model()->index(1, 3).data().toString(), QStringLiteral("2.3"));
        QVERIFY(!view.item(0).isValid());
        QVERIFY(!view.item(5).isValid());
    }

    void removeAllEmptiesTheListAndInvalidatesItems() {
        ListView view;
        fill(view, 5);
        ListItem third = view.item(3);
        QVERIFY(view.setSelectedIndex(3));
        view.removeAll();
        QCOMPARE(view.itemCount(), 0);
        QCOMPARE(view.model()->rowCount(), 0);
        QCOMPARE(view.selectedIndex(), 0);
        QVERIFY(!view.selectedItem().isValid());
        QVERIFY(!third.isValid());
        QVERIFY(!third.setSubItem(1, QStringLiteral("x")));
        QCOMPARE(third.text(), QString());
    }

    void columnsCarryHeaderWidthAndAlignment() {
        ListView view;
        view.addColumn(QStringLiteral("File"), 133, Qt::AlignLeft);
        view.addColumn(QStringLiteral("Local Port"), 69, Qt::AlignHCenter);
        QCOMPARE(view.columnCount(), 2);
        QCOMPARE(view.columnWidth(1), 69);
        QCOMPARE(view.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Local Port"));
        fill(view, 1);
        const auto alignment = view.model()->index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
        QVERIFY(alignment & Qt::AlignHCenter);
        for (int extra = 0; extra < 13; ++extra)
            view.addColumn(QStringLiteral("more"), 10);
        QCOMPARE(view.columnCount(), 15); // the list knows no number of columns of its own
    }

    void selectedItemIsTheRowClicked() {
        ListView view;
        fill(view, 10);
        view.resize(500, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy down(&view, &ListView::mouseDown);
        const QPoint at = rowCentre(view, 4);
        QTest::mousePress(view.viewport(), Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, at);
        QCOMPARE(down.count(), 1);
        QCOMPARE(down[0][0].toInt(), int(ListView::RightButton));
        QCOMPARE(down[0][1].toInt(), ListView::ShiftKey | ListView::ControlKey);
        QCOMPARE(down[0][2].toInt(), at.x());
        QCOMPARE(down[0][3].toInt(), at.y());
        QCOMPARE(view.selectedIndex(), 4);
        QCOMPARE(view.selectedItem().text(), QStringLiteral("row 4"));
        QCOMPARE(view.selectedItem().subItem(2), QStringLiteral("4.2"));
        QTest::mouseRelease(view.viewport(), Qt::RightButton, {}, at);

        QTest::mousePress(view.viewport(), Qt::MiddleButton, Qt::AltModifier, rowCentre(view, 2));
        QCOMPARE(down.last()[0].toInt(), int(ListView::MiddleButton));
        QCOMPARE(down.last()[1].toInt(), int(ListView::AltKey));
        QTest::mouseRelease(view.viewport(), Qt::MiddleButton, {}, rowCentre(view, 2));
    }

    void doubleClickIsReported() {
        ListView view;
        fill(view, 3);
        view.resize(500, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy twice(&view, &ListView::doubleClick);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, rowCentre(view, 2));
        QCOMPARE(twice.count(), 1);
        QCOMPARE(view.selectedIndex(), 2);
    }

    void smallIconsShowOnlyWhileBound() {
        ListView view;
        fill(view, 3);
        ImageList small(QSize(16, 16));
        ImageList large(QSize(32, 32));
        for (QColor colour : {QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue)}) {
            small.append(filled(QSize(16, 16), colour));
            large.append(filled(QSize(32, 32), colour));
        }
        for (int n = 1; n <= 3; ++n) {
            QVERIFY(view.item(n).setSmallIcon(4 - n));
            QVERIFY(view.item(n).setLargeIcon(4 - n));
        }
        const auto decoration = [&](int row) {
            return view.model()->index(row - 1, 0).data(Qt::DecorationRole);
        };
        const auto shown = [&](int row) { return decoration(row).value<QIcon>().pixmap(16, 16); };
        QVERIFY(!decoration(1).isValid());

        view.setIcons(&large);
        view.setSmallIcons(&small);
        QCOMPARE(view.icons(), &large);
        QCOMPARE(colourOf(shown(1)), QColor(Qt::blue));
        QCOMPARE(colourOf(shown(3)), QColor(Qt::red));
        QCOMPARE(view.item(2).largeIcon(), 2);
        QVERIFY(!view.model()->index(0, 1).data(Qt::DecorationRole).isValid());

        // An index that names no image shows none.
        QVERIFY(view.item(1).setSmallIcon(9));
        QVERIFY(!decoration(1).isValid());

        view.setSmallIcons(nullptr);
        view.setIcons(nullptr);
        QVERIFY(!decoration(3).isValid());
        QCOMPARE(view.item(3).smallIcon(), 1);
        QVERIFY(!view.icons());
    }

    void gridLinesAreDrawn() {
        ListView view;
        fill(view, 5);
        view.resize(520, 200);
        const QImage plain = view.grab().toImage();
        view.setGridLines(true);
        QVERIFY(view.gridLines());
        const QImage grid = view.grab().toImage();
        QVERIFY(plain != grid);
        view.setGridLines(false);
        QCOMPARE(view.grab().toImage(), plain);
    }

    void rebuildPublishesRowsAtTheEnd() {
        ListView view;
        fill(view, 3);
        {
            ListView::RebuildGuard guard(view);
            view.removeAll();
            fill(view, 4);
            QCOMPARE(view.itemCount(), 4);
            QCOMPARE(view.item(4).subItem(5), QStringLiteral("4.5"));
            // What the view sees stays consistent while the owner may yield.
            QCOMPARE(view.model()->rowCount(), 0);
            QVERIFY(!view.updatesEnabled());
        }
        QCOMPARE(view.model()->rowCount(), 4);
        QVERIFY(view.updatesEnabled());
        QCOMPARE(view.model()->index(3, 5).data().toString(), QStringLiteral("4.5"));
    }

    void rebuildKeepsSelectionAndScrollPosition_data() {
        QTest::addColumn<int>("rowsAfter");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("same rows") << 300 << 150;
        QTest::newRow("fewer rows, selection gone") << 100 << 0;
    }
    void rebuildKeepsSelectionAndScrollPosition() {
        QFETCH(int, rowsAfter);
        QFETCH(int, selectedAfter);
        ListView view;
        fill(view, 300);
        view.resize(500, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.setSelectedIndex(150));
        view.scrollTo(view.model()->index(149, 0), QAbstractItemView::PositionAtTop);
        const int scroll = view.verticalScrollBar()->value();
        QVERIFY(scroll > 0);
        view.beginRebuild();
        view.removeAll();
        fill(view, rowsAfter);
        view.endRebuild();
        QCOMPARE(view.selectedIndex(), selectedAfter);
        QCOMPARE(view.verticalScrollBar()->value(), std::min(scroll, view.verticalScrollBar()->maximum()));
        if (selectedAfter == 0)
            QVERIFY(view.verticalScrollBar()->maximum() < scroll);
    }

    void toolbarHandsOverTheClickedButton() {
        Toolbar bar;
        ImageList images(QSize(16, 16));
        images.append(filled(QSize(16, 16), Qt::red));
        images.append(filled(QSize(16, 16), Qt::green));
        bar.setImageList(&images);
        QCOMPARE(bar.addButton(QStringLiteral("Refresh"), 1), 1);
        QCOMPARE(bar.addButton(QStringLiteral("Terminate"), 2), 2);
        QCOMPARE(bar.addSeparator(), 3);
        QCOMPARE(bar.addButton(QStringLiteral("About"), 7), 4);
        QCOMPARE(bar.buttonCount(), 4);
        QVERIFY(bar.button(3).separator);
        QCOMPARE(bar.button(3).caption, QString());

        QSignalSpy clicks(&bar, &Toolbar::buttonClick);
        QVERIFY(bar.click(2));
        QVERIFY(!bar.click(3));
        QVERIFY(!bar.click(9));
        QCOMPARE(clicks.count(), 1);
        const auto clicked = clicks[0][0].value<ToolbarButton>();
        QCOMPARE(clicked.caption, QStringLiteral("Terminate"));
        QCOMPARE(clicked.index, 2);

        const QList<QAction*> actions = bar.actions();
        QCOMPARE(colourOf(actions[0]->icon().pixmap(16, 16)), QColor(Qt::red));
        QVERIFY(actions[3]->icon().isNull()); // image 7 does not exist
        bar.setImageList(nullptr);
        QVERIFY(actions[0]->icon().isNull());
    }

    void statusPanelsFixedAndStretching_data() {
        QTest::addColumn<int>("barWidth");
        QTest::addColumn<int>("secondWidth");
        QTest::newRow("wide bar") << 800 << 800 - 200 - 2;
        QTest::newRow("narrow bar keeps the minimum") << 250 << 100;
    }
    void statusPanelsFixedAndStretching() {
        QFETCH(int, barWidth);
        QFETCH(int, secondWidth);
        StatusBar bar;
        bar.setStretchMinimum(100);
        QVERIFY(bar.setPanelWidth(1, 200));
        QVERIFY(bar.setPanelWidth(2, 50)); // stretching overrides it
        bar.resize(barWidth, 20);
        QCOMPARE(bar.panelWidth(1), 200);
        QCOMPARE(bar.panelWidth(2), secondWidth);
        QVERIFY(bar.panelRect(2).left() > bar.panelRect(1).right());
    }

    void statusPanelsAreOneBased() {
        StatusBar bar;
        QVERIFY(bar.setPanelText(1, QStringLiteral("Last Refreshed: 10:00")));
        QVERIFY(bar.setPanelText(2, QStringLiteral("Loading...")));
        QVERIFY(!bar.setPanelText(0, QStringLiteral("x")));
        QVERIFY(!bar.setPanelText(3, QStringLiteral("x")));
        QVERIFY(!bar.setPanelWidth(3, 10));
        QVERIFY(!bar.setPanelWidth(1, -5));
        QCOMPARE(bar.panelText(2), QStringLiteral("Loading..."));
        QCOMPARE(bar.panelText(1), QStringLiteral("Last Refreshed: 10:00"));
        QCOMPARE(bar.panelText(3), QString());
        for (QLabel* panel : bar.findChildren<QLabel*>())
            QCOMPARE(panel->frameShadow(), QFrame::Sunken);
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
