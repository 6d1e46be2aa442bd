#include "mainwindow/ProgramView.h"

#include "connectionlist/ConnectionModel.h"
#include "connectionlist/ProgramTreeModel.h"
#include "mainwindow/Form1.h"
#include "mainwindow/FrmProgram.h"
#include "mainwindow/LiveTraffic.h"
#include "platform/widgets/ListView.h"

#include <QAction>
#include <QMenu>

using connectionlist::Column;
using connectionlist::ConnectionRow;
using connectionlist::ProgramGroup;

namespace {

// What a program's parent row is for: how many connections, and how much they move.
constexpr Column ProgramColumns[] = {Column::Sent, Column::Received, Column::Connections, Column::SentTotal,
                                     Column::ReceivedTotal};
constexpr int NamedProcesses = 10;

const QString SeveralQuestionText = QStringLiteral("End these %1 processes?\n%2");
const QString RestText = QStringLiteral("and %1 more");
// File name, process id, user.
const QString ProcessText = QStringLiteral("%1 (process %2, user %3)");

} // namespace

ProgramView::ProgramView(Form1& window, connectionlist::ConnectionModel& rows, LiveTraffic& traffic)
    : QObject(&window), m_window(window), m_rows(rows), m_traffic(traffic),
      m_tree(new connectionlist::ProgramTreeModel(rows, traffic.programs(), this)) {}

void ProgramView::addMenuEntry(QMenu* menu) {
    menu->addSeparator()->setObjectName(QStringLiteral("mnuSepGroup"));
    m_entry = menu->addAction(QStringLiteral("&Group by Program"));
    m_entry->setObjectName(QStringLiteral("mnuGroup"));
    m_entry->setCheckable(true);
    connect(m_entry, &QAction::toggled, this, &ProgramView::setOn);
}

bool ProgramView::isOn() const {
    return m_window.ListView1->showsTree();
}

void ProgramView::setOn(bool on) {
    widgets::ListView& list = *m_window.ListView1;
    if (on == isOn())
        return;
    if (m_entry && m_entry->isChecked() != on) {
        m_entry->setChecked(on); // which comes back here through its signal
        return;
    }
    if (on) {
        m_columnsShown.clear();
        for (Column column : ProgramColumns)
            if (!list.isColumnShown(int(column))) {
                list.setColumnShown(int(column), true);
                m_columnsShown.append(int(column));
            }
        list.setRowTree(m_tree);
        list.scrollToColumn(int(Column::File));
    } else {
        // A program selected comes back as its first connection.
        const ProgramGroup* selected = selectedProgram();
        const int first = selected && !selected->rows.empty() ? selected->rows.front() + 1 : 0;
        list.setRowTree(nullptr);
        if (first > 0)
            list.setSelectedIndex(first);
        for (int column : std::as_const(m_columnsShown))
            list.setColumnShown(column, false);
        m_columnsShown.clear();
    }
    // Parents add up the figures: they are sampled while the view shows, whatever the columns.
    m_traffic.setWantedBy(this, on);
}

const ProgramGroup* ProgramView::selectedProgram() const {
    return isOn() ? m_tree->programAt(m_window.ListView1->selectedTreeIndex()) : nullptr;
}

std::vector<const ConnectionRow*> ProgramView::processesOf(const ProgramGroup& program) const {
    std::vector<const ConnectionRow*> processes;
    for (int index : program.rows) {
        const ConnectionRow* row = m_rows.row(index);
        if (!row || row->isGone())
            continue;
        const bool seen = std::any_of(processes.begin(), processes.end(), [row](const ConnectionRow* each) {
            return each->processId == row->processId && each->processStartTime == row->processStartTime;
        });
        if (!seen)
            processes.push_back(row);
    }
    return processes;
}

QStringList ProgramView::shownTexts(const ProgramGroup& program) const {
    QStringList texts;
    for (int column : m_window.ListView1->shownColumns())
        texts << m_tree->programText(program, column);
    return texts;
}

FrmProgram* ProgramView::infoDialog() const {
    return m_info;
}

void ProgramView::showInfo(const ProgramGroup& program) {
    if (!m_info) {
        m_info = new FrmProgram(*m_tree, m_traffic.programs(), &m_window);
        connect(&m_traffic, &LiveTraffic::sampled, m_info, &FrmProgram::showFigures);
        connect(m_tree, &QAbstractItemModel::modelReset, m_info, &FrmProgram::showFigures);
        m_traffic.setWantedBy(m_info, true);
    }
    m_info->follow(program.key);
    m_info->show();
    m_info->raise();
    m_info->activateWindow();
}

QString ProgramView::severalProcessesQuestion(const std::vector<const ConnectionRow*>& processes) {
    QStringList lines;
    for (const ConnectionRow* row : processes) {
        if (lines.size() == NamedProcesses) {
            lines << RestText.arg(processes.size() - std::size_t(NamedProcesses));
            break;
        }
        lines << ProcessText.arg(row->fileName, QString::number(row->processId), row->user);
    }
    return SeveralQuestionText.arg(processes.size()).arg(lines.join(QLatin1Char('\n')));
}
