#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QTabWidget;
class QTableView;

namespace history {

class HistoryPageModel;
class HistoryStore;

// The Connection History window: closed connections newest first, and each program's totals
// per day. It follows the history live while open.
class HistoryWindow : public QDialog {
    Q_OBJECT
public:
    // `save` writes rows of texts as CSV to a file and returns why it could not, empty when saved.
    HistoryWindow(HistoryStore& store, bool countsBytes, std::function<QIcon(const QString&)> iconOf,
                  std::function<QString(const QString&, const QList<QStringList>&)> save, QWidget* parent = nullptr);

    HistoryPageModel* connections() const { return m_connections; }
    HistoryPageModel* programs() const { return m_programs; }
    QLineEdit* filterField() const { return m_filter; }
    QTabWidget* tabs() const { return m_tabs; }
    QTableView* currentView() const;

    void copyRow();
    // Writes every row of the current tab that the filter shows as CSV; empty when saved.
    QString saveAs(const QString& path);

private:
    HistoryPageModel* currentModel() const;

    HistoryPageModel* m_connections;
    HistoryPageModel* m_programs;
    QTabWidget* m_tabs;
    QLineEdit* m_filter;
    QTableView* m_connectionView;
    QTableView* m_programView;
    QLabel* m_status;
    std::function<QString(const QString&, const QList<QStringList>&)> m_save;
};

} // namespace history
