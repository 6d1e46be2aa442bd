#include "mainwindow/FrmInfo.h"

#include "controls/dns/DNS.h"
#include "platform/host/Units.h"
#include "platform/host/WindowKeys.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace {

// Design values, in twips.
constexpr double ClientWidth = 3885, ClientHeight = 3855;
constexpr double CaptionLeft = 120, BoxLeft = 1680, BoxWidth = 2055, BoxHeight = 285;
constexpr double HeadingFontPoints = 11.25;

const char* const DecorationPicture = ":/mainwindow/pictures/window48.png";

} // namespace

FrmInfo::FrmInfo(os::OperatingSystem& system, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("FrmInfo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Connection Info"));
    host::setWindowRole(this, QAccessible::Dialog);
    setFixedSize(host::twipsToPixels(ClientWidth), host::twipsToPixels(ClientHeight));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    Label6 = new QLabel(QStringLiteral("IP Information"), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont heading(QStringLiteral("Tahoma"));
    heading.setPointSizeF(HeadingFontPoints);
    heading.setWeight(QFont::Normal);
    Label6->setFont(heading);
    Label6->setGeometry(host::twipsRect(960, 360, 2655, 375));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QString::fromLatin1(DecorationPicture)));
    Image1->setGeometry(host::twipsRect(120, 120, 720, 720));
    Image1->setAccessibleName(QStringLiteral("Tavren NetStat"));

    TxtIP = addField("Label1", Label1, QStringLiteral("IP:"), "TxtIP", 960);
    TxtHost = addField("Label2", Label2, QStringLiteral("Hostname:"), "TxtHost", 1440);
    TxtLocal = addField("Label3", Label3, QStringLiteral("Local Port:"), "TxtLocal", 1920);
    TxtRemote = addField("Label4", Label4, QStringLiteral("Remote Port:"), "TxtRemote", 2400);
    TxtProcess = addField("Label5", Label5, QStringLiteral("Process:"), "TxtProcess", 2880);

    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(host::twipsRect(2760, 3360, 975, 375));
    // Its only button: Return and Escape both close it.
    host::answerDialogKeys(this, Command1, Command1);
    connect(Command1, &QPushButton::clicked, this, &FrmInfo::Command1_Click);

    // Has no surface while the program runs; it only answers lookups.
    DNS1 = new controls::DNS(&system, this);
    DNS1->setObjectName(QStringLiteral("DNS1"));
    DNS1->hide();
}

QLineEdit* FrmInfo::addField(const char* labelName, QLabel*& label, const QString& caption,
                             const char* boxName, double top) {
    label = new QLabel(caption, this);
    label->setObjectName(QLatin1String(labelName));
    label->setGeometry(host::twipsRect(CaptionLeft, top, BoxLeft - CaptionLeft, BoxHeight));
    auto* box = new QLineEdit(this);
    box->setObjectName(QLatin1String(boxName));
    box->setGeometry(host::twipsRect(BoxLeft, top, BoxWidth, BoxHeight));
    box->setReadOnly(true); // shown to read and copy; nothing reads typing back
    label->setBuddy(box);
    return box;
}

void FrmInfo::Command1_Click() {
    close();
}
