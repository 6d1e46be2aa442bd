// links: tavren_connectionlist
// platforms: linux windows
#include "connectionlist/ConnectionModel.h"
#include "platform/widgets/ListView.h"

#include <QtTest>

using connectionlist::Column;
using connectionlist::ConnectionRow;
using connectionlist::RowMark;

// The connection model under the list: what a sort by a live figure does with rows that have
// none and with rows of gone connections.
class ConnectionModelTest : public QObject {
    Q_OBJECT

private slots:
    // Rows "name:rate" ("-" no figures yet, "gone" a gone row that had figures), in the
    // model's order; the list shows their names in the expected order.
    void rateSortKeepsGoneRowsLastAndTiesInPlace_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("order");
        QTest::addColumn<QStringList>("shown");
        const QStringList rows{"a:0", "b:500", "x:gone", "c:-", "d:500", "e:20"};
        // Busiest first; a row without figures counts as 0; ties in the model's order.
        QTest::newRow("descending") << rows << int(Qt::DescendingOrder)
                                    << QStringList{"b", "d", "e", "a", "c", "x"};
        QTest::newRow("ascending") << rows << int(Qt::AscendingOrder) << QStringList{"a", "c", "e", "b", "d", "x"};
        QTest::newRow("gone rows stay last among themselves")
            << QStringList{"y:gone", "a:7", "x:gone"} << int(Qt::DescendingOrder) << QStringList{"a", "y", "x"};
    }
    void rateSortKeepsGoneRowsLastAndTiesInPlace() {
        QFETCH(QStringList, rows);
        QFETCH(int, order);
        std::vector<ConnectionRow> connections;
        for (const QString& spec : rows) {
            ConnectionRow& row = connections.emplace_back();
            row.fileName = spec.section(':', 0, 0);
            const QString rate = spec.section(':', 1);
            if (rate == QLatin1String("-"))
                continue;
            row.traffic = ConnectionTraffic{{}, 0.0, rate == QLatin1String("gone") ? 9e9 : rate.toDouble()};
            if (rate == QLatin1String("gone"))
                row.mark = RowMark::Gone;
        }
        connectionlist::ConnectionModel model;
        model.setRows(std::move(connections));
        widgets::ListView list;
        list.setRowModel(&model);
        list.setColumnShown(int(Column::Received), true);
        list.sortRows(int(Column::Received), Qt::SortOrder(order));
        QStringList shown;
        for (int place = 1; place <= list.shownCount(); ++place)
            shown << list.item(list.shownRow(place)).text();
        QTEST(shown, "shown");
        // A gone row shows no figures.
        for (int row = 1; row <= list.itemCount(); ++row)
            if (list.item(row).mark() == RowMark::Gone)
                QCOMPARE(list.rowTexts(row).at(int(Column::Received)), QString());
    }
};

QTEST_MAIN(ConnectionModelTest)
#include "tst_connectionmodel.moc"
