#include "mainwindow/FrmProgram.h"

#include "connectionlist/ConnectionModel.h"
#include "connectionlist/ProgramTreeModel.h"
#include "controls/graph/TrafficGraph.h"
#include "platform/host/Units.h"
#include "platform/host/WindowKeys.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTreeWidget>

using connectionlist::ConnectionRow;

namespace {

// Design values, in twips, after the connection info dialog's: captions on the left, read-only
// boxes on the right, one row each 480 apart; the graph and the hosts below span the width.
constexpr double ClientWidth = 5400, CaptionLeft = 120, BoxLeft = 1680, BoxWidth = 3600, BoxHeight = 285;
constexpr double RowStep = 480, FirstRow = 120, FieldRows = 7;
constexpr double GraphTop = FirstRow + FieldRows * RowStep, GraphHeight = 1800;
constexpr double HostsTop = GraphTop + GraphHeight + 120, HostsHeight = 1800;
constexpr double ButtonTop = HostsTop + HostsHeight + 120, ClientHeight = ButtonTop + 375 + 120;

QString withRate(std::uint64_t total, double rate, bool sampled) {
    if (!sampled)
        return bytesText(double(total));
    return bytesText(double(total)) + QLatin1String(", ") + bytesPerSecondText(rate);
}

} // namespace

FrmProgram::FrmProgram(const connectionlist::ProgramTreeModel& programs,
                       const connectionlist::ProgramTraffic& traffic, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_programs(programs), m_traffic(traffic) {
    setObjectName(QStringLiteral("FrmProgram"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Program Info"));
    host::setWindowRole(this, QAccessible::Dialog);
    setFixedSize(host::twipsToPixels(ClientWidth), host::twipsToPixels(ClientHeight));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    TxtFile = addField(QStringLiteral("File:"), "TxtFile", FirstRow);
    TxtPath = addField(QStringLiteral("Path:"), "TxtPath", FirstRow + RowStep);
    TxtUser = addField(QStringLiteral("User:"), "TxtUser", FirstRow + 2 * RowStep);
    TxtProcesses = addField(QStringLiteral("Process IDs:"), "TxtProcesses", FirstRow + 3 * RowStep);
    TxtConnections = addField(QStringLiteral("Connections:"), "TxtConnections", FirstRow + 4 * RowStep);
    TxtSent = addField(QStringLiteral("Sent:"), "TxtSent", FirstRow + 5 * RowStep);
    TxtReceived = addField(QStringLiteral("Received:"), "TxtReceived", FirstRow + 6 * RowStep);

    Graph1 = new controls::TrafficGraph(this);
    Graph1->setObjectName(QStringLiteral("Graph1"));
    Graph1->setGeometry(host::twipsRect(CaptionLeft, GraphTop, ClientWidth - 2 * CaptionLeft, GraphHeight));

    LstHosts = new QTreeWidget(this);
    LstHosts->setObjectName(QStringLiteral("LstHosts"));
    LstHosts->setAccessibleName(QStringLiteral("Remote hosts"));
    LstHosts->setGeometry(host::twipsRect(CaptionLeft, HostsTop, ClientWidth - 2 * CaptionLeft, HostsHeight));
    LstHosts->setRootIsDecorated(false);
    LstHosts->setHeaderLabels(
        {QStringLiteral("Remote Host"), QStringLiteral("Connections"), QStringLiteral("Bytes")});
    LstHosts->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    LstHosts->header()->setStretchLastSection(false);
    LstHosts->setColumnWidth(1, host::twipsToPixels(1200));
    LstHosts->setColumnWidth(2, host::twipsToPixels(1300));

    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(host::twipsRect(ClientWidth - 120 - 975, ButtonTop, 975, 375));
    host::answerDialogKeys(this, Command1, Command1);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
}

QLineEdit* FrmProgram::addField(const QString& caption, const char* name, double top) {
    auto* label = new QLabel(caption, this);
    label->setGeometry(host::twipsRect(CaptionLeft, top, BoxLeft - CaptionLeft, BoxHeight));
    auto* box = new QLineEdit(this);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(host::twipsRect(BoxLeft, top, BoxWidth, BoxHeight));
    box->setReadOnly(true);
    label->setBuddy(box);
    return box;
}

void FrmProgram::follow(const connectionlist::ProgramKey& program) {
    if (!(program == m_program))
        Graph1->clear();
    m_program = program;
    showFigures();
}

void FrmProgram::showFigures() {
    const connectionlist::ProgramGroup* program = m_programs.program(m_program);
    // A refresh empties the list for a moment before it fills it again.
    if (!program && m_programs.programs().empty())
        return;
    const connectionlist::ProgramTotals totals = m_traffic.totalsOf(m_program);
    std::deque<controls::TrafficGraph::Point> points;
    for (const connectionlist::ProgramRates& rates : m_traffic.ratesOf(m_program))
        points.push_back({rates.sentPerSecond, rates.receivedPerSecond});
    if (!points.empty() || !Graph1->isClosed())
        Graph1->setPoints(points);
    // Gone from the list (every connection ended): its last figures stay, the graph stops.
    Graph1->setClosed(!program || program->connections == 0);
    if (!program) {
        TxtConnections->setText(QStringLiteral("0"));
        return;
    }
    TxtFile->setText(program->fileName);
    TxtPath->setText(program->shownPath);
    TxtUser->setText(program->key.user);
    QStringList ids;
    for (std::int32_t id : program->processIds)
        ids << QString::number(id);
    TxtProcesses->setText(ids.join(QLatin1String(", ")));
    TxtConnections->setText(QString::number(program->connections));
    TxtSent->setText(withRate(totals.sent, program->rates.sentPerSecond, program->sampled));
    TxtReceived->setText(withRate(totals.received, program->rates.receivedPerSecond, program->sampled));

    // Each remote host once, with its live connections' bytes both ways.
    struct Host {
        int connections = 0;
        std::uint64_t bytes = 0;
    };
    QMap<QString, Host> hosts;
    for (int index : program->rows) {
        const ConnectionRow* row = m_programs.connectionRow(index);
        if (!row || row->isGone() || row->remoteHost.isEmpty() || row->remoteHost == QLatin1String("*"))
            continue;
        Host& host = hosts[row->remoteHost];
        ++host.connections;
        if (row->traffic)
            host.bytes += row->traffic->totals.bytesSent + row->traffic->totals.bytesReceived;
    }
    std::vector<std::pair<QString, Host>> sorted(hosts.keyValueBegin(), hosts.keyValueEnd());
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& left, const auto& right) {
        return left.second.bytes > right.second.bytes;
    });
    LstHosts->clear();
    for (const auto& [name, host] : sorted) {
        auto* item = new QTreeWidgetItem(
            LstHosts, {name, QString::number(host.connections), bytesText(double(host.bytes))});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
}
