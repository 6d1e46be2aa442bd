// links: tavren_mainwindow
// needs: x11
#include "controls/check/Check.h"
#include "mainwindow/Form1.h"
#include "mainwindow/FrmInfo.h"
#include "options/frmOptions.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/Toolbar.h"
#include "snapshot/ConnectionTable.h"
#include "support/NetstatListing.h"
#include "support/Xdotool.h"

#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

// The main window and its dialogs used with the keyboard alone, on a real X server with a
// window manager: keys typed with xdotool, results read back from the widgets.

using testsupport::xdotool;

namespace {

bool keys(const QStringList& names) {
    QStringList arguments{"key", "--delay", "100"};
    return xdotool(arguments + names);
}

// Screenshots go where TAVREN_SHOTS says, when it says.
void shoot(const QString& name) {
    const QString folder = qEnvironmentVariable("TAVREN_SHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(300);
    QProcess::execute(QStringLiteral("import"), {"-window", "root", QDir(folder).filePath(name + ".png")});
}

} // namespace

class KeyboardX11Test : public QObject {
    Q_OBJECT

private slots:
    void everyCommandFromTheKeyboard() {
        os::FakeSystem system;
        system.defaultCommandResult = testsupport::finished(testsupport::listing({
            {"127.0.0.1:40001", "127.0.0.1:8080", "ESTABLISHED", 700},
            {"127.0.0.1:40002", "127.0.0.1:2222", "ESTABLISHED", 700},
        }));
        system.processIdList = {700};
        system.executablePaths = {{700, QStringLiteral("/usr/bin/curl")}};
        ConnectionSnapshot snapshot;
        Form1 form(system, snapshot);
        form.show();
        form.RefreshView();
        QTRY_VERIFY_WITH_TIMEOUT(form.isActiveWindow(), 10000);
        QVERIFY(form.ListView1->hasFocus());
        QVERIFY(form.ListView1->setSelectedIndex(2));

        // Return on a row opens it; Escape closes the dialog.
        QVERIFY(keys({"Return"}));
        QTRY_VERIFY_WITH_TIMEOUT(form.frmInfo() && form.frmInfo()->isActiveWindow(), 10000);
        QCOMPARE(form.frmInfo()->TxtRemote->text(), QStringLiteral("2222"));
        QVERIFY(keys({"Escape"}));
        QTRY_VERIFY_WITH_TIMEOUT(!form.frmInfo() && form.isActiveWindow(), 10000);

        // Shift+F10 opens the list's menu at the selected row, where an access key picks an
        // entry; the Menu key opens it too. Typed in one go: the open menu waits for its keys.
        QSignalSpy menus(form.mnuRes, &QMenu::aboutToShow);
        QVERIFY(keys({"shift+F10", "p"}));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::clipboard()->text(), QStringLiteral("2222"), 10000);
        const QRect row =
            form.ListView1->visualRect(form.ListView1->selectionModel()->selectedRows().value(0));
        QCOMPARE(form.mnuRes->y(), form.ListView1->viewport()->mapToGlobal(row.bottomLeft()).y());
        QVERIFY(keys({"Menu", "Escape"}));
        QTRY_COMPARE_WITH_TIMEOUT(menus.count(), 2, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!form.mnuRes->isVisible(), 10000);

        // Tab leaves the list for the toolbar, Shift+Tab comes back.
        QVERIFY(keys({"Tab"}));
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), form.Toolbar1->buttonWidget(1), 10000);
        shoot(QStringLiteral("keyboard-toolbar-focus"));
        QVERIFY(keys({"shift+Tab"}));
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), form.ListView1, 10000);

        // Alt+O opens the options on their first check box; Space checks it, Return is "Ok".
        QVERIFY(keys({"alt+o"}));
        QTRY_VERIFY_WITH_TIMEOUT(form.optionsDialog() && form.optionsDialog()->isActiveWindow(), 10000);
        auto* refresh = form.optionsDialog()->findChild<controls::Check*>(QStringLiteral("ChkRefresh"));
        QCOMPARE(QApplication::focusWidget(), refresh->findChild<QWidget*>(QStringLiteral("Check1")));
        QVERIFY(keys({"space"}));
        QTRY_VERIFY_WITH_TIMEOUT(form.Timer1->isActive(), 10000);
        QCOMPARE(refresh->value(), 1);
        shoot(QStringLiteral("keyboard-options-focus"));
        QVERIFY(keys({"Return"}));
        QTRY_VERIFY_WITH_TIMEOUT(!form.optionsDialog()->isVisible() && form.isActiveWindow(), 10000);
        // Shown again as it was left; Escape is "Cancel", which unloads it.
        QVERIFY(keys({"alt+o"}));
        QTRY_VERIFY_WITH_TIMEOUT(form.optionsDialog() && form.optionsDialog()->isActiveWindow(), 10000);
        QVERIFY(keys({"Escape"}));
        QTRY_VERIFY_WITH_TIMEOUT(!form.optionsDialog(), 10000);
        QVERIFY(form.Timer1->isActive()); // nothing applied is undone
        form.Timer1->stop();
    }
};

QTEST_MAIN(KeyboardX11Test)
#include "tst_keyboard_x11.moc"
