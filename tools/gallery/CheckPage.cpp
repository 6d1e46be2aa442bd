// The image check box with values 0, 1 and 2, enabled and disabled, and the events it raises
// when tried by hand.
#include "GalleryPage.h"

#include "controls/check/Check.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>

using controls::Check;

namespace {

class CheckPage : public GalleryPage {
public:
    QString title() const override { return QStringLiteral("Check"); }

    QWidget* showcase(host::ControlHost& host) override {
        auto* panel = new QWidget;
        auto* grid = new QGridLayout(panel);
        auto* events = new QListWidget;
        events->setFixedHeight(80);
        grid->addWidget(new QLabel(QStringLiteral("Value")), 0, 0);
        grid->addWidget(new QLabel(QStringLiteral("Enabled")), 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Disabled")), 0, 2);
        static const char* const names[] = {"0 no value", "1 checked", "2 greyed"};
        for (int value = 0; value <= 2; ++value) {
            grid->addWidget(new QLabel(QLatin1String(names[value])), value + 1, 0);
            for (bool enabled : {true, false}) {
                const QString name = QStringLiteral("Check%1%2").arg(value).arg(enabled ? "" : "Off");
                grid->addWidget(makeCheck(host, name, value, enabled, events), value + 1, enabled ? 1 : 2);
            }
        }
        grid->addWidget(new QLabel(QStringLiteral("Events")), 4, 0, Qt::AlignTop);
        grid->addWidget(events, 4, 1, 1, 2);
        return panel;
    }

private:
    static Check* makeCheck(host::ControlHost& host, const QString& name, int value, bool enabled,
                            QListWidget* events) {
        auto* check = new Check(nullptr, &host);
        check->setObjectName(name);
        check->create();
        check->setValue(value);
        check->setCheckEnabled(enabled);
        check->setMinimumWidth(check->sizeHint().width());
        auto log = [events, name](const QString& what) {
            events->addItem(QStringLiteral("%1 %2").arg(name, what));
            events->scrollToBottom();
        };
        QObject::connect(
            check, &Check::MouseDown, events, [log](short& button, short& shift, float& x, float& y) {
                log(QStringLiteral("MouseDown %1 %2 %3 %4").arg(button).arg(shift).arg(x).arg(y));
            });
        QObject::connect(check, &Check::Click, events,
                         [log, check] { log(QStringLiteral("Click, Value %1").arg(check->value())); });
        QObject::connect(check, &Check::DblClick, events, [log] { log(QStringLiteral("DblClick")); });
        return check;
    }
};

const GalleryPageRegistrar registrar(30, [] { return std::make_unique<CheckPage>(); });

} // namespace
