// links: tavren_options
// platforms: linux windows
#include "controls/check/Check.h"
#include "options/frmOptions.h"
#include "platform/host/MessageBoxService.h"
#include "platform/widgets/ImageList.h" // the list view header needs it complete
#include "platform/widgets/ListView.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using options::frmOptions;

class TestOptions : public QObject {
    Q_OBJECT

    // Stand-ins for the main window's timer and list, as the main window sets them up.
    QWidget mainWindow;
    QTimer* timer = nullptr;
    widgets::ListView* list = nullptr;
    QPointer<frmOptions> dialog;
    QList<host::MessageBoxRequest> messages;

    frmOptions* openDialog() { return frmOptions::open(dialog, timer, list, &mainWindow); }
    template <typename T> T* child(const char* name) {
        T* found = dialog->findChild<T*>(QLatin1String(name));
        return found;
    }
    controls::Check* check(const char* name) { return child<controls::Check>(name); }
    void clickBox(const char* name) {
        QWidget* box = check(name)->findChild<QWidget*>(QStringLiteral("Picture1"));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    }
    void clickButton(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    QString speedText() { return child<QLineEdit>("TxtSpeed")->text(); }
    void unloadAndWait() {
        clickButton("CmdCancel");
        QTRY_VERIFY(dialog.isNull());
    }

private slots:
    void initTestCase() {
        host::MessageBoxService::setObserver([this](const host::MessageBoxRequest& request) {
            messages << request;
            return QMessageBox::Ok;
        });
    }
    void cleanupTestCase() { host::MessageBoxService::setObserver({}); }

    void init() {
        timer = new QTimer(&mainWindow);
        timer->setInterval(3000);
        list = new widgets::ListView(&mainWindow);
        messages.clear();
    }
    void cleanup() {
        delete dialog;
        delete timer;
        delete list;
    }

    void firstOpeningLeavesAutoRefreshOff() {
        timer->start();
        openDialog();
        QVERIFY(!timer->isActive());
        QCOMPARE(check("ChkRefresh")->value(), 0);
        QCOMPARE(check("ChkHideGrid")->value(), 0);
        QVERIFY(!child<QLineEdit>("TxtSpeed")->isEnabled());
        QVERIFY(!child<QScrollBar>("VSCROLL1")->isEnabled());
        QCOMPARE(speedText(), QStringLiteral("5"));

        clickButton("CmdOk");
        QVERIFY(!timer->isActive());
        QVERIFY(!list->gridLines());
        QVERIFY(dialog && !dialog->isVisible());
    }

    void checkingAutoRefreshTicksEvery5ms() {
        openDialog();
        QSignalSpy ticks(timer, &QTimer::timeout);
        clickBox("ChkRefresh");
        QCOMPARE(check("ChkRefresh")->value(), 1);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 5);
        QVERIFY(child<QLineEdit>("TxtSpeed")->isEnabled());
        QTRY_VERIFY(ticks.count() >= 5);
        QVERIFY(messages.isEmpty());

        clickBox("ChkRefresh"); // and off again, at once
        QVERIFY(!timer->isActive());
        QVERIFY(!child<QLineEdit>("TxtSpeed")->isEnabled());
    }

    void scrollBarChangesTheTextButNotTheRunningTimer() {
        openDialog();
        clickBox("ChkRefresh");
        auto* spin = child<QScrollBar>("VSCROLL1");
        spin->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        spin->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(speedText(), QStringLiteral("7"));
        QCOMPARE(timer->interval(), 5);
        QVERIFY(timer->isActive());
        spin->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(speedText(), QStringLiteral("6"));

        clickBox("ChkRefresh");
        clickBox("ChkRefresh");
        QCOMPARE(timer->interval(), 6);
        QVERIFY(timer->isActive());
    }

    void okWithShowGridLinesShowsThem() {
        openDialog();
        clickBox("ChkRefresh");
        clickBox("ChkHideGrid");
        clickButton("CmdOk");
        QVERIFY(list->gridLines());
        QVERIFY(!dialog->isVisible());

        // Shown again as it was: no second load, so the timer keeps running.
        frmOptions* first = dialog;
        QCOMPARE(openDialog(), first);
        QVERIFY(timer->isActive());
        QCOMPARE(check("ChkHideGrid")->value(), 1);

        // They outlive the dialog; unchecked, "Ok" takes them away.
        unloadAndWait();
        QVERIFY(list->gridLines());
        openDialog();
        clickButton("CmdOk");
        QVERIFY(!list->gridLines());
    }

    void cancelThenReopeningSwitchesAutoRefreshOff() {
        openDialog();
        clickBox("ChkRefresh");
        QSignalSpy unloaded(dialog.data(), &frmOptions::unloaded);
        frmOptions* first = dialog;
        clickButton("CmdCancel");
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(timer->isActive()); // nothing applied is undone
        // Opened again before the old one is gone: still a fresh dialog.
        QVERIFY(openDialog() != first);
        QVERIFY(!timer->isActive());
        QCOMPARE(check("ChkRefresh")->value(), 0);
    }

    void closingThroughTheTitleBarUnloads() {
        openDialog();
        clickBox("ChkRefresh");
        QVERIFY(dialog->close());
        QTRY_VERIFY(dialog.isNull());
        QVERIFY(timer->isActive());
        openDialog();
        QVERIFY(!timer->isActive());
    }

    void intervalTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("interval"); // 0: rejected
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("blanks") << "   " << 0;
        QTest::newRow("letters") << "fast" << 0;
        QTest::newRow("number then letters") << "5ms" << 0;
        QTest::newRow("fraction") << "2.5" << 0;
        QTest::newRow("exponent") << "1e3" << 0;
        QTest::newRow("negative") << "-5" << 0;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("above the limit") << "65536" << 0;
        QTest::newRow("far above") << "99999999999999999999" << 0;
        QTest::newRow("smallest") << "1" << 1;
        QTest::newRow("largest") << "65535" << 65535;
        QTest::newRow("blanks around") << " 250 " << 250;
        QTest::newRow("leading zeros") << "007" << 7;
    }
    void intervalTexts() {
        QFETCH(QString, text);
        QFETCH(int, interval);
        openDialog();
        child<QLineEdit>("TxtSpeed")->setText(text);
        // The timer as the user left it before: running every 40 ms.
        timer->start(40);
        clickBox("ChkRefresh");
        QVERIFY(timer->isActive());
        if (interval) {
            QCOMPARE(timer->interval(), interval);
            QVERIFY(messages.isEmpty());
        } else {
            QCOMPARE(timer->interval(), 40);
            QCOMPARE(messages.size(), 1);
            QCOMPARE(messages.first().text, frmOptions::intervalRejectedText());
            QCOMPARE(messages.first().icon, QMessageBox::Warning);
        }
    }

    void rejectedIntervalLeavesAStoppedTimerStopped() {
        openDialog();
        child<QLineEdit>("TxtSpeed")->setText(QStringLiteral("0"));
        clickBox("ChkRefresh");
        QVERIFY(!timer->isActive());
        QCOMPARE(messages.size(), 1);
        // Mending the text and clicking twice starts it.
        child<QLineEdit>("TxtSpeed")->setText(QStringLiteral("20"));
        clickBox("ChkRefresh");
        clickBox("ChkRefresh");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 20);
    }

    void outlivesTheTimerAndTheList() {
        openDialog();
        delete timer;
        delete list;
        timer = nullptr;
        list = nullptr;
        clickBox("ChkRefresh");
        clickBox("ChkHideGrid");
        clickButton("CmdOk");
        QVERIFY(!dialog->isVisible());
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
