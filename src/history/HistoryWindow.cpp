#include "history/HistoryWindow.h"

#include "history/HistoryPageModel.h"
#include "history/HistoryStore.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace history {

namespace {

QTableView* makeView(HistoryPageModel* model, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSortingEnabled(true);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSortIndicator(model->headers().indexOf(QStringLiteral("Closed")) >= 0
                                                   ? model->headers().indexOf(QStringLiteral("Closed"))
                                                   : 0,
                                               Qt::DescendingOrder);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    return view;
}

HistoryPageModel* model(QTableView* view) {
    return static_cast<HistoryPageModel*>(view->model());
}

} // namespace

HistoryWindow::HistoryWindow(HistoryStore& store, bool countsBytes, std::function<QIcon(const QString&)> iconOf,
                             std::function<QString(const QString&, const QList<QStringList>&)> save, QWidget* parent)
    : QDialog(parent), m_save(std::move(save)) {
    setWindowTitle(QStringLiteral("Connection History"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1180, 600);
    m_connections = new HistoryPageModel(store, HistoryPageModel::Table::Connections, iconOf, this);
    m_programs = new HistoryPageModel(store, HistoryPageModel::Table::Programs, iconOf, this);

    m_filter = new QLineEdit(this);
    m_filter->setPlaceholderText(QStringLiteral("Filter"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setAccessibleName(QStringLiteral("Filter"));
    m_connectionView = makeView(m_connections, this);
    m_programView = makeView(m_programs, this);
    for (QTableView* view : {m_connectionView, m_programView}) {
        view->resizeColumnsToContents();
        view->horizontalHeader()->resizeSection(model(view) == m_connections ? 0 : 1, 160);
    }
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(m_connectionView, QStringLiteral("&Connections"));
    m_tabs->addTab(m_programView, QStringLiteral("By &Program"));

    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    if (!countsBytes)
        m_status->setText(QStringLiteral("This system tells of no closed connection: connections are recorded when "
                                         "they leave the table between two reads, without their byte counts."));
    m_status->setVisible(!m_status->text().isEmpty());

    auto* copy = new QAction(QStringLiteral("Copy &Row"), this);
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, &HistoryWindow::copyRow);
    auto* saveAs = new QAction(QStringLiteral("&Save As..."), this);
    saveAs->setShortcut(QKeySequence::Save);
    connect(saveAs, &QAction::triggered, this, [this] {
        QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save History As"), QString(),
                                                    QStringLiteral("Comma-separated values (*.csv)"));
        if (path.isEmpty())
            return;
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".csv");
        if (const QString error = this->saveAs(path); !error.isEmpty())
            m_status->setText(error), m_status->show();
    });
    for (QTableView* view : {m_connectionView, m_programView})
        view->addActions({copy, saveAs});

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copyButton = buttons->addButton(QStringLiteral("Copy &Row"), QDialogButtonBox::ActionRole);
    QPushButton* saveButton = buttons->addButton(QStringLiteral("&Save As..."), QDialogButtonBox::ActionRole);
    connect(copyButton, &QPushButton::clicked, copy, &QAction::trigger);
    connect(saveButton, &QPushButton::clicked, saveAs, &QAction::trigger);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_filter);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_status);
    layout->addWidget(buttons);

    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_connections->setFilter(text);
        m_programs->setFilter(text);
    });
    // Live: what was written since shows at once.
    connect(&store, &HistoryStore::recorded, this, [this] {
        m_connections->refresh();
        m_programs->refresh();
    }, Qt::QueuedConnection);
    connect(&store, &HistoryStore::message, m_status, [this](const QString& text) {
        m_status->setText(text);
        m_status->show();
    }, Qt::QueuedConnection);
}

HistoryPageModel* HistoryWindow::currentModel() const {
    return m_tabs->currentIndex() == 0 ? m_connections : m_programs;
}

QTableView* HistoryWindow::currentView() const {
    return m_tabs->currentIndex() == 0 ? m_connectionView : m_programView;
}

void HistoryWindow::copyRow() {
    const QModelIndex index = currentView()->currentIndex();
    if (index.isValid())
        QApplication::clipboard()->setText(currentModel()->rowTexts(index.row()).join(QLatin1Char('\t')));
}

QString HistoryWindow::saveAs(const QString& path) {
    QList<QStringList> rows = currentModel()->allRowTexts();
    rows.prepend(currentModel()->headers());
    return m_save(path, rows);
}

} // namespace history
