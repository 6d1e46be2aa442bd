// The name resolution control: a text field, its two methods, the result and the events they
// raised. Lookups go to the system resolver and block until it answers.
#include "GalleryPage.h"

#include "controls/dns/DNS.h"
#include "platform/os/linux/LinuxSystem.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using controls::DNS;

namespace {

class DnsPage : public GalleryPage {
public:
    QString title() const override { return QStringLiteral("DNS"); }

    QWidget* showcase(host::ControlHost& host) override {
        auto* panel = new QWidget;
        auto* grid = new QGridLayout(panel);
        auto* text = new QLineEdit(QStringLiteral("localhost"));
        auto* toAddress = new QPushButton(QStringLiteral("NameToAddress"));
        auto* toName = new QPushButton(QStringLiteral("AddressToName"));
        auto* result = new QLabel;
        result->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* events = new QListWidget;
        events->setFixedHeight(90);

        // The instance itself: invisible while the program runs, an empty square in a design.
        auto* frame = new QFrame;
        frame->setFrameShape(QFrame::Box);
        auto* frameLayout = new QGridLayout(frame);
        frameLayout->setContentsMargins(1, 1, 1, 1);
        auto* dns = new DNS(&m_system, frame, &host);
        dns->setObjectName(QStringLiteral("DNS1"));
        frameLayout->addWidget(dns);

        grid->addWidget(new QLabel(QStringLiteral("Text")), 0, 0);
        grid->addWidget(text, 0, 1, 1, 2);
        grid->addWidget(toAddress, 1, 1);
        grid->addWidget(toName, 1, 2);
        grid->addWidget(new QLabel(QStringLiteral("Result")), 2, 0);
        grid->addWidget(result, 2, 1, 1, 2);
        grid->addWidget(new QLabel(QStringLiteral("Events")), 3, 0, Qt::AlignTop);
        grid->addWidget(events, 3, 1, 1, 2);
        grid->addWidget(new QLabel(QStringLiteral("Instance")), 4, 0);
        grid->addWidget(frame, 4, 1, Qt::AlignLeft);
        if (host.isRunMode()) {
            frame->hide();
            grid->addWidget(new QLabel(QStringLiteral("(not shown while the program runs)")), 4, 1, 1, 2);
        }

        QObject::connect(dns, &DNS::Error, events, [events](qint32 number, QString& description) {
            events->addItem(QStringLiteral("Error %1 \"%2\"").arg(number).arg(description));
            events->scrollToBottom();
        });
        QObject::connect(dns, &DNS::ResolveCompleted, events, [events] {
            events->addItem(QStringLiteral("ResolveCompleted"));
            events->scrollToBottom();
        });
        auto nameToAddress = [dns, text, result] {
            const std::optional<QString> address = dns->NameToAddress(text->text());
            result->setText(address ? QStringLiteral("\"%1\"").arg(*address) : QStringLiteral("(no value)"));
        };
        QObject::connect(toAddress, &QPushButton::clicked, dns, nameToAddress);
        QObject::connect(toName, &QPushButton::clicked, dns, [dns, text, result] {
            result->setText(QStringLiteral("\"%1\"").arg(dns->AddressToName(text->text())));
        });

        // One lookup up front, of a name the hosts file answers, so the page shows a result.
        nameToAddress();
        return panel;
    }

private:
    os::LinuxSystem m_system;
};

const GalleryPageRegistrar registrar(20, [] { return std::make_unique<DnsPage>(); });

} // namespace
