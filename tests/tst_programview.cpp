// links: tavren_mainwindow tavren_connectionlist tavren_widgets tavren_graph
// platforms: linux windows
#include "connectionlist/ConnectionModel.h"
#include "connectionlist/ProgramTreeModel.h"
#include "controls/graph/TrafficGraph.h"
#include "mainwindow/ProgramView.h"
#include "platform/widgets/ListView.h"

#include <QtTest>

using connectionlist::Column;
using connectionlist::ConnectionRow;

namespace {

// "file:path:user:pid[:gone]"; the connection's local port is its place in the list from 1.
std::vector<ConnectionRow> rowsOf(const QStringList& specs) {
    std::vector<ConnectionRow> rows;
    for (const QString& spec : specs) {
        ConnectionRow& row = rows.emplace_back();
        const QStringList part = spec.split(':');
        row.fileName = part[0];
        row.programPath = row.shownPath = part[1];
        row.user = part[2];
        row.processId = row.key.processId = part[3].toInt();
        row.localPort = row.key.localPort = std::uint16_t(rows.size());
        row.localPortText = QString::number(rows.size());
        row.remoteHost = QStringLiteral("peer%1").arg(rows.size());
        row.trafficEnds = os::ConnectionEnds{false, {}, {}, *row.localPort, 80};
        if (part.value(4) == QLatin1String("gone"))
            row.mark = connectionlist::RowMark::Gone;
    }
    return rows;
}

// "port:sent/s:received/s:sent:received" for each connection the sample has.
TrafficByConnection sampleOf(const QStringList& specs) {
    TrafficByConnection traffic;
    for (const QString& spec : specs) {
        const QStringList part = spec.split(':');
        const os::ConnectionEnds ends{false, {}, {}, std::uint16_t(part[0].toInt()), 80};
        traffic.insert(
            ends,
            {{part[3].toULongLong(), part[4].toULongLong(), 0, 0}, part[1].toDouble(), part[2].toDouble()});
    }
    return traffic;
}

// The tree as shown: "file(connections)[child ports]" per parent, children only when expanded
// or `all`.
QString treeOf(const widgets::ListView& list, bool all = true) {
    QStringList parents;
    const QAbstractItemModel* shown = list.model();
    for (int place = 0; place < shown->rowCount(); ++place) {
        const QModelIndex parent = shown->index(place, 0);
        QStringList children;
        if (all || list.isExpanded(parent))
            for (int child = 0; child < shown->rowCount(parent); ++child)
                children << shown->index(child, 1, parent).data().toString();
        parents << parent.data().toString() + "[" + children.join(',') + "]";
    }
    return parents.join(' ');
}

} // namespace

class ProgramViewTest : public QObject {
    Q_OBJECT

private slots:
    void groupsByPathAndUserOrFileName_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("tree");
        QTest::newRow("one program, one user") << QStringList{"a:/bin/a:ann:1", "a:/bin/a:ann:2"} << "a[1,2]";
        QTest::newRow("same path, two users")
            << QStringList{"a:/bin/a:ann:1", "a:/bin/a:bob:2"} << "a[1] a[2]";
        QTest::newRow("same name, two paths")
            << QStringList{"a:/bin/a:ann:1", "a:/opt/a:ann:1", "a:/bin/a:ann:1"} << "a[1,3] a[2]";
        QTest::newRow("no path: by file name")
            << QStringList{"Unknown::ann:1", "x::ann:2", "Unknown::ann:3"} << "Unknown[1,3] x[2]";
        QTest::newRow("a path and none, one name")
            << QStringList{"a:/bin/a:ann:1", "a::ann:2"} << "a[1] a[2]";
    }
    void groupsByPathAndUserOrFileName() {
        QFETCH(QStringList, rows);
        connectionlist::ConnectionModel model;
        connectionlist::ProgramTraffic traffic;
        connectionlist::ProgramTreeModel tree(model, traffic);
        widgets::ListView list;
        list.setRowModel(&model);
        list.setRowTree(&tree);
        model.setRows(rowsOf(rows));
        QTEST(treeOf(list), "tree");
    }

    // Two samples, the rows listed between them; a program's cells after the second. A
    // connection missing from the second sample closed: its last figures stay in the totals,
    // unless the history gives its exact final figures instead.
    void parentAddsUpItsConnections_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<QStringList>("cells"); // Connections, Sent/s, Received/s, Sent, Received
        QTest::addColumn<bool>("fromHistory");
        const QStringList rows{"a:/bin/a:ann:1", "a:/bin/a:ann:2", "b:/bin/b:ann:3"};
        QTest::newRow("live connections")
            << rows << QStringList{"1:0:0:10:100", "2:0:0:20:200"}
            << QStringList{"1:1024:2048:1034:2148", "2:1024:1024:1044:1224", "3:5:5:5:5"}
            << QStringList{"2", "2.0 KiB/s", "3.0 KiB/s", "2.0 KiB", "3.3 KiB"} << false;
        QTest::newRow("a closed connection counts once")
            << rows << QStringList{"1:0:0:1024:4096", "2:0:0:0:0"} << QStringList{"2:512:0:1024:0"}
            << QStringList{"2", "512 B/s", "0 B/s", "2.0 KiB", "4.0 KiB"} << false;
        QTest::newRow("a closed connection: the history's figures, not its last sample")
            << rows << QStringList{"1:0:0:1024:4096", "2:0:0:0:0"} << QStringList{"2:512:0:1024:0"}
            << QStringList{"2", "512 B/s", "0 B/s", "1.0 KiB", "0 B"} << true;
        QTest::newRow("gone rows are no connections")
            << QStringList{"a:/bin/a:ann:1", "a:/bin/a:ann:2:gone"} << QStringList{"1:0:0:1:1", "2:0:0:7:7"}
            << QStringList{"1:0:0:2:2"} << QStringList{"1", "0 B/s", "0 B/s", "2 B", "2 B"} << false;
        QTest::newRow("never sampled")
            << rows << QStringList{} << QStringList{} << QStringList{"2", "", "", "", ""} << false;
    }
    void parentAddsUpItsConnections() {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        connectionlist::ConnectionModel model;
        connectionlist::ProgramTraffic traffic;
        connectionlist::ProgramTreeModel tree(model, traffic);
        QFETCH(bool, fromHistory);
        traffic.setClosedFromHistory(fromHistory);
        model.setRows(rowsOf(rows));
        traffic.takeSample(sampleOf(first), model.rows());
        const TrafficByConnection latest = sampleOf(second);
        traffic.takeSample(latest, model.rows());
        model.applyTraffic(latest);
        QStringList cells;
        for (Column column :
             {Column::Connections, Column::Sent, Column::Received, Column::SentTotal, Column::ReceivedTotal})
            cells << tree.index(0, int(column)).data().toString();
        QTEST(cells, "cells");
        // The history's closed connections add to the same totals.
        const connectionlist::ProgramKey program = tree.programs().front().key;
        const std::uint64_t before = traffic.totalsOf(program).sent;
        traffic.addClosedTotals(program, 1024, 0);
        QCOMPARE(traffic.totalsOf(program).sent, before + 1024);
    }

    void filterKeepsParentsWithAMatch_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("tree");
        QTest::newRow("none") << ""
                              << "alpha[1,2] beta[3]";
        QTest::newRow("a parent's own cell: all its children") << "alpha"
                                                               << "alpha[1,2]";
        QTest::newRow("one child: the parent with that child") << "peer2"
                                                               << "alpha[2]";
        QTest::newRow("children of two parents") << "peer"
                                                 << "alpha[1,2] beta[3]";
        QTest::newRow("the user, on every row") << "bob"
                                                << "beta[3]";
        QTest::newRow("nothing") << "zulu"
                                 << "";
    }
    void filterKeepsParentsWithAMatch() {
        connectionlist::ConnectionModel model;
        connectionlist::ProgramTraffic traffic;
        connectionlist::ProgramTreeModel tree(model, traffic);
        widgets::ListView list;
        list.setRowModel(&model);
        list.setColumnShown(int(Column::User), true);
        list.setRowTree(&tree);
        model.setRows(rowsOf({"alpha:/bin/alpha:ann:1", "alpha:/bin/alpha:ann:1", "beta:/bin/beta:bob:2"}));
        QFETCH(QString, filter);
        list.setFilterText(filter);
        QTEST(treeOf(list), "tree");
    }

    // What the user opened and selected stays through what moves the rows.
    void expansionAndSelectionSurvive_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("parentSelected");
        for (const char* change : {"refresh", "sample", "sort", "gone rows leave"}) {
            QTest::newRow(QByteArray(change) + ", parent selected") << change << true;
            QTest::newRow(QByteArray(change) + ", child selected") << change << false;
        }
    }
    void expansionAndSelectionSurvive() {
        QFETCH(QString, change);
        QFETCH(bool, parentSelected);
        const QStringList specs{"alpha:/bin/alpha:ann:1", "beta:/bin/beta:ann:2", "beta:/bin/beta:ann:2",
                                "gamma:/bin/gamma:ann:3:gone"};
        connectionlist::ConnectionModel model;
        connectionlist::ProgramTraffic traffic;
        connectionlist::ProgramTreeModel tree(model, traffic);
        widgets::ListView list;
        list.setRowModel(&model);
        list.setColumnShown(int(Column::Received), true);
        list.setRowTree(&tree);
        model.setRows(rowsOf(specs));
        list.sortRows(int(Column::File), Qt::AscendingOrder);
        list.expand(list.model()->index(1, 0)); // beta
        if (parentSelected)
            QVERIFY(list.selectParent(list.model()->index(1, 0).data(widgets::KeyRole).toString()));
        else
            QVERIFY(list.setSelectedIndex(3));
        if (change == "refresh") {
            const widgets::ListView::RebuildGuard rebuild(list);
            model.setRows({});
            model.setRows(rowsOf(specs));
        } else if (change == "sample") {
            model.applyTraffic(sampleOf({"1:0:5:0:0", "2:0:9:0:0", "3:0:1:0:0"}));
        } else if (change == "sort") {
            list.sortRows(int(Column::File), Qt::DescendingOrder);
        } else {
            model.removeGoneRows();
        }
        const bool descending = change == "sort";
        QCOMPARE(treeOf(list, false), descending                    ? QString("gamma[] beta[2,3] alpha[]")
                                      : change == "gone rows leave" ? QString("alpha[] beta[2,3]")
                                                                    : QString("alpha[] beta[2,3] gamma[]"));
        const QModelIndex selected = list.selectedTreeIndex();
        QCOMPARE(selected.data().toString(), QString("beta"));
        QCOMPARE(list.selectedIndex(), parentSelected ? 0 : 3);
    }

    void terminateNamesTenAndCountsTheRest_data() {
        QTest::addColumn<int>("processes");
        QTest::addColumn<int>("named");
        QTest::addColumn<QString>("rest");
        QTest::newRow("two") << 2 << 2 << "";
        QTest::newRow("ten") << 10 << 10 << "";
        QTest::newRow("thirteen") << 13 << 10 << "and 3 more";
    }
    void terminateNamesTenAndCountsTheRest() {
        QFETCH(int, processes);
        QStringList specs;
        for (int id = 1; id <= processes; ++id)
            specs << QStringLiteral("worker:/bin/worker:ann:%1").arg(100 + id);
        const std::vector<ConnectionRow> rows = rowsOf(specs);
        std::vector<const ConnectionRow*> chosen;
        for (const ConnectionRow& row : rows)
            chosen.push_back(&row);
        const QStringList lines = ProgramView::severalProcessesQuestion(chosen).split('\n');
        QCOMPARE(lines.first(), QStringLiteral("End these %1 processes?").arg(processes));
        QTEST(int(lines.filter(QRegularExpression("^worker \\(process 1\\d\\d, user ann\\)$")).size()),
              "named");
        QTEST(lines.size() > 1 + 10 ? lines.last() : QString(), "rest");
    }

    // The scale is the first power of two bytes per second at or above the peak, 1 KiB/s at least.
    void graphScaleFollowsThePeak_data() {
        QTest::addColumn<QList<double>>("rates");
        QTest::addColumn<QString>("top");
        QTest::newRow("empty") << QList<double>{} << "1 KiB/s";
        QTest::newRow("quiet") << QList<double>{10, 700} << "1 KiB/s";
        QTest::newRow("on a power") << QList<double>{4096} << "4 KiB/s";
        QTest::newRow("about 1 MiB/s") << QList<double>{1000000, 1100000} << "2 MiB/s";
        QTest::newRow("a peak among quiet") << QList<double>{100, 3.5e9, 100} << "4 GiB/s";
        QTest::newRow("not a number") << QList<double>{qQNaN(), -5} << "1 KiB/s";
    }
    void graphScaleFollowsThePeak() {
        QFETCH(QList<double>, rates);
        controls::TrafficGraph graph;
        graph.resize(240, 120);
        for (double rate : rates)
            graph.addPoint(rate / 2, rate);
        QTEST(controls::TrafficGraph::rateText(graph.scaleTop()), "top");
        // Closed, the same points are drawn veiled and marked.
        const QImage open = graph.image();
        graph.setClosed(true);
        QVERIFY(graph.image() != open);
    }
};

QTEST_MAIN(ProgramViewTest)
#include "tst_programview.moc"
