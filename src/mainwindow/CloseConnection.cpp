#include "mainwindow/CloseConnection.h"

#include "connectionlist/CloseOffer.h"
#include "connectionlist/ConnectionModel.h"
#include "mainwindow/Form1.h"
#include "mainwindow/FrmInfo.h"
#include "mainwindow/ProgramView.h"
#include "mainwindow/RefreshCycle.h"
#include "platform/host/MessageBoxService.h"
#include "platform/os/OperatingSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

using connectionlist::ConnectionRow;

namespace {

const QString Title = QStringLiteral("Close Connection");
// Program, process id, user, then both ends.
const QString QuestionText = QStringLiteral("Close the connection of %1 (process %2, user %3) from %4 to %5?");
const QString UnknownUserText = QStringLiteral("unknown");
const QString ClosedText = QStringLiteral("Connection closed");
const QString NotClosedText = QStringLiteral("Connection not closed: %1");
const QString RefusedText = QStringLiteral("The connection of %1 from %2 to %3 was not closed:\n%4");
const QString BusyReason = QStringLiteral("The list is being refreshed.");
// The system said it closed the connection, yet the next listing still has it established.
const QString StillThereReason = QStringLiteral("the system reported it closed, but it is still established");

// "192.0.2.5:51234", "[::1]:51234".
QString endText(bool ipv6, const QString& address, std::uint16_t port) {
    return (ipv6 ? QLatin1Char('[') + address + QLatin1Char(']') : address) + QLatin1Char(':') +
           QString::number(port);
}

QString localEnd(const ConnectionRow& row) {
    return endText(row.trafficEnds->ipv6, row.localAddressText, row.trafficEnds->localPort);
}

QString remoteEnd(const ConnectionRow& row) {
    return endText(row.trafficEnds->ipv6, row.remoteAddress, row.trafficEnds->remotePort);
}

} // namespace

CloseConnection::CloseConnection(Form1& window, os::OperatingSystem& system,
                                 connectionlist::ConnectionModel& rows, RefreshCycle& refresh)
    : QObject(&window), m_window(window), m_system(system), m_rows(rows), m_refresh(refresh) {}

std::pair<bool, QString> CloseConnection::offerFor(const ConnectionRow* row) {
    // Mid-refresh the rows are being replaced: the one chosen may stand for another connection.
    if (m_refresh.isRefreshing() || m_window.Processing != form1design::False16)
        return {false, BusyReason};
    const bool program = m_window.programView()->selectedProgram() != nullptr;
    const connectionlist::CloseOffer offer =
        connectionlist::closeOffer(row, m_system.connectionClosing(), program);
    return {offer.enabled, offer.reason};
}

QAction* CloseConnection::addListEntry(QMenu& menu) {
    m_entry = menu.addAction(QStringLiteral("&Close Connection"));
    m_entry->setObjectName(QStringLiteral("mnuClose"));
    // A disabled entry says why on its tooltip.
    menu.setToolTipsVisible(true);
    connect(&menu, &QMenu::aboutToShow, this, &CloseConnection::offerForSelection);
    connect(m_entry, &QAction::triggered, this, [this] {
        if (m_window.programView()->selectedProgram())
            return;
        if (const ConnectionRow* row = m_rows.row(m_window.ListView1->selectedIndex() - 1))
            close(ConnectionRow(*row)); // a copy: the list may change while the question is open
    });
    offerForSelection();
    return m_entry;
}

void CloseConnection::offerForSelection() {
    const auto [enabled, reason] = offerFor(m_rows.row(m_window.ListView1->selectedIndex() - 1));
    m_entry->setEnabled(enabled);
    m_entry->setToolTip(reason);
}

void CloseConnection::offerOn(FrmInfo& info, const ConnectionRow& row) {
    if (m_info != &info) {
        m_info = &info;
        connect(info.CmdClose, &QPushButton::clicked, this, [this] {
            if (m_infoRow)
                close(ConnectionRow(*m_infoRow));
        });
    }
    m_infoRow = row;
    const auto [enabled, reason] = offerFor(&row);
    info.CmdClose->setEnabled(enabled);
    info.CmdClose->setToolTip(reason);
}

void CloseConnection::close(const ConnectionRow& chosen) {
    if (m_window.hasEnded())
        return;
    // The connection as the list has it now: it may have gone or changed since it was chosen.
    const int index = m_rows.find(chosen.key, chosen.state);
    ConnectionRow row = index >= 0 ? *m_rows.row(index) : chosen;
    if (index < 0)
        row.mark = connectionlist::RowMark::Gone;
    if (const auto [enabled, reason] = offerFor(&row); !enabled) {
        m_window.StatusBar1->setPanelText(2, NotClosedText.arg(reason));
        return;
    }
    if (!confirm(row))
        return;

    const os::CloseResult result = m_system.closeConnection(*row.trafficEnds);
    if (!result.closed) {
        refuse(row, result.refusal);
        return;
    }
    // The next listing no longer has it, which marks its row gone.
    QPointer<CloseConnection> alive(this);
    m_refresh.refresh();
    if (!alive || m_window.hasEnded())
        return;
    if (const int still = m_rows.find(row.key, os::TcpEstablished);
        still >= 0 && m_rows.row(still)->state == os::TcpEstablished) {
        refuse(row, StillThereReason);
        return;
    }
    m_window.StatusBar1->setPanelText(2, ClosedText);
    if (m_info && m_infoRow && m_infoRow->key == row.key) {
        m_infoRow->mark = connectionlist::RowMark::Gone;
        offerOn(*m_info, *m_infoRow);
    }
}

// With auto-refresh the rows move under the pointer: the user sees whose connection, and
// which, before it is reset.
bool CloseConnection::confirm(const ConnectionRow& row) {
    const QString question =
        QuestionText.arg(row.fileName, QString::number(row.processId),
                         row.user.isEmpty() ? UnknownUserText : row.user, localEnd(row), remoteEnd(row));
    QPointer<CloseConnection> alive(this);
    const QMessageBox::StandardButton answer = host::MessageBoxService::show(
        {&m_window, QMessageBox::Question, Title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No});
    // While the box was open the window kept running: it may have closed or begun a refresh.
    return answer == QMessageBox::Yes && alive && !m_window.hasEnded() && !m_refresh.isRefreshing() &&
           m_window.Processing == form1design::False16;
}

void CloseConnection::refuse(const ConnectionRow& row, const QString& reason) {
    m_window.StatusBar1->setPanelText(2, NotClosedText.arg(reason));
    host::MessageBoxService::show({&m_window, QMessageBox::Warning, Title,
                                   RefusedText.arg(row.fileName, localEnd(row), remoteEnd(row), reason),
                                   QMessageBox::Ok});
}
