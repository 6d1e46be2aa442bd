#include "mainwindow/FrmInfo.h"

#include "controls/dns/DNS.h"
#include "platform/host/Units.h"
#include "platform/host/WindowKeys.h"
#include "snapshot/TrafficRates.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

// Design values, in twips.
// The live figures' four rows add 4 x 480 to the height; "Ok" moves down below them.
constexpr double LiveRows = 4, RowStep = 480;
constexpr double ClientWidth = 3885, ClientHeight = 3855 + LiveRows * RowStep;
constexpr double CaptionLeft = 120, BoxLeft = 1680, BoxWidth = 2055, BoxHeight = 285;
constexpr double HeadingFontPoints = 11.25;
constexpr double CloseLeft = 705, CloseWidth = 1935;

const char* const DecorationPicture = ":/mainwindow/pictures/window48.png";

// The widest figures a traffic box shows before its units step up.
const QString WidestTraffic = QStringLiteral("1023.9 MiB, 1023.9 KiB/s");
const QString ClosedMark = QStringLiteral(" (closed)");
const QString NoRemoteHostTip =
    QStringLiteral("This is an endpoint, not a connection: it has no remote host, only its own address.");

// The width a read-only box needs to show `text` whole in the dialog's font: the text, its
// cursor, the box's own margins (2 a side) and what the style's frame takes.
int boxWidthFor(const QWidget& dialog, const QString& text) {
    QLineEdit probe(text);
    probe.setFont(dialog.font());
    QStyleOptionFrame option;
    option.initFrom(&probe);
    option.rect = QRect(0, 0, 100, probe.sizeHint().height());
    option.lineWidth = probe.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &probe);
    const int frame =
        100 - probe.style()->subElementRect(QStyle::SE_LineEditContents, &option, &probe).width();
    // One pixel more for the rounding of fractional glyph widths.
    return probe.fontMetrics().horizontalAdvance(text) + 1 + 2 * 2 + frame + 1;
}

} // namespace

FrmInfo::FrmInfo(os::OperatingSystem& system, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("FrmInfo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Connection Info"));
    host::setWindowRole(this, QAccessible::Dialog);
    // Wider than designed where the font needs it; everything right of the captions moves with
    // the boxes' right edge.
    m_boxWidth = std::max(host::twipsToPixels(BoxWidth), boxWidthFor(*this, WidestTraffic));
    const int widened = m_boxWidth - host::twipsToPixels(BoxWidth);
    setFixedSize(host::twipsToPixels(ClientWidth) + widened, host::twipsToPixels(ClientHeight));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    Label6 = new QLabel(QStringLiteral("IP Information"), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont heading(QStringLiteral("Tahoma"));
    heading.setPointSizeF(HeadingFontPoints);
    heading.setWeight(QFont::Normal);
    Label6->setFont(heading);
    Label6->setGeometry(host::twipsRect(960, 360, 2655, 375).adjusted(0, 0, widened, 0));

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
    TxtSent = addField("Label7", Label7, QStringLiteral("Sent:"), "TxtSent", 3360);
    TxtReceived = addField("Label8", Label8, QStringLiteral("Received:"), "TxtReceived", 3840);
    TxtRoundTrip = addField("Label9", Label9, QStringLiteral("RTT:"), "TxtRoundTrip", 4320);
    TxtRetransmits = addField("Label10", Label10, QStringLiteral("Retransmits:"), "TxtRetransmits", 4800);

    TrafficNote = new QLabel(QStringLiteral("Traffic is not read in other network namespaces."), this);
    TrafficNote->setObjectName(QStringLiteral("TrafficNote"));
    TrafficNote->setWordWrap(true);
    TrafficNote->setGeometry(host::twipsRect(CaptionLeft, 3270 + LiveRows * RowStep, 2520, 555));
    TrafficNote->hide();

    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(host::twipsRect(2760, 3360 + LiveRows * RowStep, 975, 375).translated(widened, 0));
    // Its only button: Return and Escape both close it.
    host::answerDialogKeys(this, Command1, Command1);
    connect(Command1, &QPushButton::clicked, this, &FrmInfo::Command1_Click);
    // Beside "Ok", on the row the dialog leaves free.
    CmdClose = new QPushButton(QStringLiteral("&Close Connection"), this);
    CmdClose->setObjectName(QStringLiteral("CmdClose"));
    CmdClose->setGeometry(host::twipsRect(CloseLeft, 3360 + LiveRows * RowStep, CloseWidth, 375));
    CmdClose->setEnabled(false);

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
    QRect shape = host::twipsRect(BoxLeft, top, BoxWidth, BoxHeight);
    shape.setWidth(m_boxWidth);
    box->setGeometry(shape);
    box->setReadOnly(true); // shown to read and copy; nothing reads typing back
    label->setBuddy(box);
    return box;
}

void FrmInfo::showTraffic(const ConnectionTraffic* traffic) {
    if (traffic)
        m_lastTraffic = *traffic;
    const ConnectionTraffic* shown = traffic ? traffic : m_lastTraffic ? &*m_lastTraffic : nullptr;
    // A connection that had figures and has none now has ended: its last ones are its final.
    const QString mark = traffic || !shown ? QString() : ClosedMark;
    const auto withRate = [&mark, traffic](std::uint64_t total, const std::optional<double>& rate) {
        return rate && traffic ? bytesText(double(total)) + QLatin1String(", ") + bytesPerSecondText(*rate)
                               : bytesText(double(total)) + mark;
    };
    TxtSent->setText(shown ? withRate(shown->totals.bytesSent, shown->sentPerSecond) : QString());
    TxtReceived->setText(shown ? withRate(shown->totals.bytesReceived, shown->receivedPerSecond) : QString());
    TxtRoundTrip->setText(shown ? roundTripText(shown->totals.roundTripMicroseconds) + mark : QString());
    TxtRetransmits->setText(shown ? QString::number(shown->totals.retransmits) + mark : QString());
}

void FrmInfo::forgetTraffic() {
    m_lastTraffic.reset();
}

void FrmInfo::showRemote(const QString& host, const QString& address) {
    Label1->setText(QStringLiteral("IP:"));
    TxtIP->setText(address);
    TxtHost->setText(host);
    TxtHost->setToolTip(QString());
}

void FrmInfo::showEndpoint(const QString& localAddress, const QString& why) {
    Label1->setText(QStringLiteral("Local IP:"));
    TxtIP->setText(localAddress);
    TxtHost->setText(why);
    TxtHost->setToolTip(NoRemoteHostTip);
}

// Reading another namespace's figures means entering it, a privilege the program does not take.
void FrmInfo::showOtherNamespaceNote(bool shown) {
    TrafficNote->setVisible(shown);
}

void FrmInfo::Command1_Click() {
    close();
}
