#include "mainwindow/HistoryCommands.h"

#include "connectionlist/ProgramTraffic.h"
#include "history/HistoryFeed.h"
#include "history/HistoryFile.h"
#include "history/HistoryStore.h"
#include "history/HistoryWindow.h"
#include "mainwindow/CsvTable.h"
#include "mainwindow/Form1.h"
#include "platform/host/MessageBoxService.h"
#include "platform/os/OperatingSystem.h"
#include "platform/widgets/StatusBar.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QSignalBlocker>

HistoryCommands::HistoryCommands(Form1& window, os::OperatingSystem& system,
                                 const connectionlist::ConnectionModel& rows)
    : QObject(&window), m_window(window), m_system(system),
      m_store(new history::HistoryStore(history::historyfile::defaultFolder(), this)),
      m_feed(new history::HistoryFeed(system, rows, *m_store, this)) {
    const auto toStatusBar = [this](const QString& text) { m_window.StatusBar1->setPanelText(2, text); };
    connect(m_store, &history::HistoryStore::message, this, toStatusBar);
    connect(m_feed, &history::HistoryFeed::message, this, toStatusBar);
}

HistoryCommands::~HistoryCommands() {
    // The feed hands its last closed connections to the store before the store goes.
    delete m_feed;
    m_feed = nullptr;
}

void HistoryCommands::feedProgramTotals(connectionlist::ProgramTraffic& programs) {
    if (!m_feed->countsBytes())
        return; // without byte counts the samples' last figures are the best there is
    programs.setClosedFromHistory(true);
    connect(m_feed, &history::HistoryFeed::closedConnections, this,
            [&programs](const std::vector<history::HistoryEntry>& entries) {
                for (const history::HistoryEntry& entry : entries)
                    programs.addClosedTotals({entry.program, entry.user}, std::uint64_t(entry.sent.value_or(0)),
                                             std::uint64_t(entry.received.value_or(0)));
            });
}

void HistoryCommands::addListEntries(QMenu& menu) {
    menu.addSeparator()->setObjectName(QStringLiteral("mnuSepHistory"));
    QAction* open = menu.addAction(QStringLiteral("Connection Histor&y..."));
    open->setObjectName(QStringLiteral("mnuHistory"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    open->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(open);
    connect(open, &QAction::triggered, this, &HistoryCommands::showHistory);
    m_keep = menu.addAction(QStringLiteral("&Keep History"));
    m_keep->setObjectName(QStringLiteral("mnuKeepHistory"));
    m_keep->setCheckable(true);
    m_keep->setChecked(m_store->keepsHistory());
    connect(m_keep, &QAction::toggled, this, &HistoryCommands::keepHistoryToggled);
}

void HistoryCommands::keepHistoryToggled(bool keep) {
    bool deleteFile = false;
    if (!keep) {
        const auto answer = host::MessageBoxService::show(
            {&m_window, QMessageBox::Question, QStringLiteral("Keep History"),
             QStringLiteral("History is no longer kept. Delete the history file %1 as well?")
                 .arg(QDir::toNativeSeparators(m_store->filePath())),
             QMessageBox::Yes | QMessageBox::No, QMessageBox::No});
        deleteFile = answer == QMessageBox::Yes;
    }
    m_store->setKeepsHistory(keep, deleteFile);
    // The entry shows what is true, also when the file could not be opened.
    const QSignalBlocker quiet(m_keep);
    m_keep->setChecked(m_store->keepsHistory());
}

void HistoryCommands::showHistory() {
    if (!m_historyWindow) {
        auto iconOf = [this](const QString& path) { return m_system.executableIcon(path); };
        auto save = [this](const QString& path, const QList<QStringList>& rows) {
            return m_system.saveFile(path, csvTable(rows));
        };
        m_historyWindow = new history::HistoryWindow(*m_store, m_feed->countsBytes(), iconOf, save, &m_window);
        m_historyWindow->setWindowFlag(Qt::Window);
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}
