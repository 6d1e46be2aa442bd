// links: tavren_mainwindow
// platforms: linux windows
#include "mainwindow/Form1.h"
#include "mainwindow/FrmInfo.h"
#include "options/frmOptions.h"
#include "platform/host/MessageBoxService.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"
#include "snapshot/ConnectionTable.h"
#include "support/NetstatListing.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <memory>

// What assistive technology reads from the main window and its dialogs: every part a user
// reads or acts on has a name, the list gives its headers and cells, the status bar is one.

namespace {

QString nameOf(QObject* object) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

// The shown parts of `window` in a role a user reads or acts on that carry no name.
QStringList unnamedParts(QWidget* window) {
    static const QList<QAccessible::Role> named = {
        QAccessible::PushButton, QAccessible::CheckBox,    QAccessible::ScrollBar, QAccessible::EditableText,
        QAccessible::ToolBar,    QAccessible::StatusBar,   QAccessible::Table,     QAccessible::Tree,
        QAccessible::List,       QAccessible::ProgressBar, QAccessible::Graphic,   QAccessible::Dialog};
    QStringList unnamed;
    QList<QWidget*> parts = window->findChildren<QWidget*>();
    parts.prepend(window);
    for (QWidget* part : parts) {
        if (!part->isVisibleTo(window) && part != window)
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(part);
        if (accessible && named.contains(accessible->role()) &&
            accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 %2").arg(QLatin1String(part->metaObject()->className()),
                                                   part->objectName());
    }
    return unnamed;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyPartIsNamed_data();
    void everyPartIsNamed();
    void listGivesHeadersAndCells();
    void statusPanels_data();
    void statusPanels();
    void messageBoxPictureIsNamed();

private:
    std::unique_ptr<os::FakeSystem> m_system;
    std::unique_ptr<ConnectionSnapshot> m_snapshot;
    std::unique_ptr<Form1> m_form;
};

void AccessibilityTest::init() {
    m_system = std::make_unique<os::FakeSystem>();
    m_system->defaultCommandResult = testsupport::finished(testsupport::listing({
        {"127.0.0.1:5000", "localhost:http", "ESTABLISHED", 700},
        {"127.0.0.1:5001", "localhost:22", "CLOSE_WAIT", 700},
    }));
    m_system->processIdList = {700};
    m_system->executablePaths = {{700, QStringLiteral("/usr/bin/curl")}};
    m_snapshot = std::make_unique<ConnectionSnapshot>();
    m_form = std::make_unique<Form1>(*m_system, *m_snapshot);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void AccessibilityTest::cleanup() {
    host::MessageBoxService::setObserver({});
    m_form.reset();
    m_snapshot.reset();
    m_system.reset();
}

// Every part is named, and each window reads as what it is: a frame or a dialog.
void AccessibilityTest::everyPartIsNamed_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::newRow("main window before the first list") << "main, empty" << QAccessible::Window;
    QTest::newRow("main window with a list") << "main" << QAccessible::Window;
    QTest::newRow("main window while refreshing") << "main, refreshing" << QAccessible::Window;
    QTest::newRow("options dialog") << "options" << QAccessible::Dialog;
    QTest::newRow("connection info dialog") << "info" << QAccessible::Dialog;
}

void AccessibilityTest::everyPartIsNamed() {
    QFETCH(QString, window);
    QFETCH(QAccessible::Role, role);
    Form1& form = *m_form;
    QStringList unnamed;
    auto roleOf = [](QWidget* shown) { return QAccessible::queryAccessibleInterface(shown)->role(); };
    if (window.startsWith(QLatin1String("main"))) {
        if (window == QLatin1String("main, refreshing")) {
            // The progress bar shows only while the command runs.
            m_system->onRunCommand = [&](const os::CommandRequest&) { unnamed = unnamedParts(&form); };
            form.RefreshView();
            QVERIFY(m_system->commandRequests.size() == 1);
        } else {
            if (window == QLatin1String("main"))
                form.RefreshView();
            unnamed = unnamedParts(&form);
        }
        QCOMPARE(roleOf(&form), role);
    } else if (window == QLatin1String("options")) {
        QPointer<options::frmOptions> dialog;
        options::frmOptions::open(dialog, form.Timer1, form.ListView1, &form);
        QVERIFY(dialog);
        unnamed = unnamedParts(dialog);
        QCOMPARE(roleOf(dialog), role);
        delete dialog.data();
    } else {
        FrmInfo info(*m_system, &form);
        info.show();
        unnamed = unnamedParts(&info);
        QCOMPARE(roleOf(&info), role);
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

void AccessibilityTest::listGivesHeadersAndCells() {
    m_form->RefreshView();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(m_form->ListView1);
    QVERIFY(list && list->tableInterface());
    QAccessibleTableInterface* table = list->tableInterface();
    QCOMPARE(table->rowCount(), 2);
    const QStringList headers{"File", "Local Port", "Remote Host", "Remote Port", "Status", "File Path"};
    QCOMPARE(table->columnCount(), headers.size());
    const QStringList secondRow{"curl", "5001", "localhost", "22", "CLOSE_WAIT", "/usr/bin/curl"};
    for (int column = 0; column < headers.size(); ++column) {
        QAccessibleInterface* cell = table->cellAt(1, column);
        QVERIFY(cell && cell->tableCellInterface());
        QCOMPARE(cell->text(QAccessible::Name), secondRow[column]);
        const QList<QAccessibleInterface*> header = cell->tableCellInterface()->columnHeaderCells();
        QCOMPARE(header.size(), 1);
        QCOMPARE(header.first()->text(QAccessible::Name), headers[column]);
    }
}

void AccessibilityTest::statusPanels_data() {
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::newRow("time, none yet") << 1 << ""
                                    << "Last refresh";
    QTest::newRow("time") << 1 << "Last Refreshed: 10:11:12"
                          << "Last Refreshed: 10:11:12";
    QTest::newRow("message, none") << 2 << ""
                                   << "Message";
    QTest::newRow("message") << 2 << "Loading..."
                             << "Loading...";
}

// A panel is read by its text; without one, by what it is for.
void AccessibilityTest::statusPanels() {
    QFETCH(int, panel);
    QFETCH(QString, text);
    QFETCH(QString, name);
    widgets::StatusBar& bar = *m_form->StatusBar1;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&bar);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::StatusBar);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Status bar"));
    bar.setPanelText(panel, QStringLiteral("something else"));
    bar.setPanelText(panel, text);
    const QList<QLabel*> labels = bar.findChildren<QLabel*>();
    QCOMPARE(labels.size(), 2);
    QCOMPARE(nameOf(labels[panel - 1]), name);
}

void AccessibilityTest::messageBoxPictureIsNamed() {
    // The box waits for an answer; it is read and closed from a timer.
    QString pictureName;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (auto* picture = box->findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label")))
            pictureName = nameOf(picture);
        box->reject();
    });
    m_form->Toolbar1_ButtonClick(widgets::ToolbarButton{8, QStringLiteral("About"), 6, false});
    QCOMPARE(pictureName, QStringLiteral("Information"));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
