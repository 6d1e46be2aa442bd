// links: tavren_host
// platforms: linux windows
#include "platform/host/MessageBoxService.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using host::MessageBoxRequest;
using host::MessageBoxService;

class TestMessageBoxService : public QObject {
    Q_OBJECT
private slots:
    void observerAnswersInsteadOfABox() {
        QList<QString> seen;
        MessageBoxService::setObserver([&](const MessageBoxRequest& request) {
            seen << request.text;
            return QMessageBox::Cancel;
        });
        const auto answer = MessageBoxService::show({nullptr, QMessageBox::Warning, "Options", "why", {}});
        MessageBoxService::setObserver({});
        QCOMPARE(answer, QMessageBox::Cancel);
        QCOMPARE(seen, QList<QString>{"why"});
    }

    void realBoxReturnsTheButtonChosen() {
        QTimer::singleShot(0, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Ok)->click();
        });
        const auto answer = MessageBoxService::show(
            {nullptr, QMessageBox::Information, "About", "text", QMessageBox::Ok | QMessageBox::Cancel});
        QCOMPARE(answer, QMessageBox::Ok);
    }

    // A window can go away while its box waits (a yield delivers its close); the box goes with
    // it and nothing is deleted twice.
    void parentDeletedWhileTheBoxWaits() {
        auto* parent = new QWidget;
        parent->show();
        QTimer::singleShot(0, parent, [parent] { delete parent; });
        const auto answer = MessageBoxService::show({parent, QMessageBox::Warning, "Options", "text", {}});
        QCOMPARE(answer, QMessageBox::NoButton);
    }
};

QTEST_MAIN(TestMessageBoxService)
#include "tst_messageboxservice.moc"
