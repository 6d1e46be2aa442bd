#include "options/frmOptions.h"

#include "controls/check/Check.h"
#include "platform/host/Colours.h"
#include "platform/host/MessageBoxService.h"
#include "platform/host/PropertyStore.h"
#include "platform/host/Units.h"
#include "platform/host/WindowKeys.h"
#include "platform/widgets/ImageList.h" // the list view header needs it complete
#include "platform/widgets/ListView.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>

namespace options {
namespace {

constexpr int MinimumInterval = 1;
constexpr int MaximumInterval = 65535; // the timer's own limit; 0 would stop it
constexpr int DesignInterval = 5;

// The design data of one of the dialog's check boxes: black text on the button face.
host::PropertyStore checkDesign(const QString& caption) {
    host::PropertyStore store;
    store.write(QStringLiteral("caption"), caption);
    store.write(QStringLiteral("forecolor"), host::Colour{0}, host::Colour{0x00800000});
    store.write(QStringLiteral("caption"), caption);
    store.write(QStringLiteral("backcolor"), host::systemColour(host::ButtonFace), host::Colour{0x00FFFFFF});
    return store;
}

controls::Check* makeCheck(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* check = new controls::Check(parent);
    check->setObjectName(QLatin1String(name));
    check->load(checkDesign(caption));
    check->setGeometry(geometry);
    return check;
}

} // namespace

frmOptions::frmOptions(QTimer* timer, widgets::ListView* listView, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_timer(timer), m_listView(listView) {
    setObjectName(QStringLiteral("frmOptions"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Options"));
    host::setWindowRole(this, QAccessible::Dialog);
    setFixedSize(host::twipsToPixels(2595), host::twipsToPixels(2040));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    ChkRefresh = makeCheck(this, "ChkRefresh", QStringLiteral("Auto-Refresh Every"),
                           host::twipsRect(120, 240, 2415, 255));

    VSCROLL1 = new QScrollBar(Qt::Horizontal, this);
    VSCROLL1->setObjectName(QStringLiteral("VSCROLL1"));
    VSCROLL1->setRange(MinimumInterval, MaximumInterval);
    VSCROLL1->setSingleStep(1);
    VSCROLL1->setPageStep(1);
    VSCROLL1->setValue(DesignInterval);
    VSCROLL1->setFocusPolicy(Qt::StrongFocus);
    VSCROLL1->setGeometry(host::twipsRect(360, 600, 375, 255));
    VSCROLL1->setAccessibleName(QStringLiteral("Auto-refresh interval"));

    TxtSpeed = new QLineEdit(QString::number(DesignInterval), this);
    TxtSpeed->setObjectName(QStringLiteral("TxtSpeed"));
    TxtSpeed->setGeometry(host::twipsRect(720, 600, 735, 285));
    TxtSpeed->setAccessibleName(QStringLiteral("Auto-refresh interval in milliseconds"));

    Label1 = new QLabel(QStringLiteral("mseconds"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    // The design width was measured for a smaller font; let the text reach the client edge
    // rather than cut it off.
    QRect label = host::twipsRect(1560, 600, 720, 195);
    label.setWidth(std::max(label.width(), std::min(Label1->sizeHint().width(), width() - label.left())));
    Label1->setGeometry(label);

    ChkHideGrid = makeCheck(this, "ChkHideGrid", QStringLiteral("Show Grid Lines"),
                            host::twipsRect(120, 1080, 2415, 255));

    CmdOk = new QPushButton(QStringLiteral("Ok"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setGeometry(host::twipsRect(120, 1560, 975, 375));

    CmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    CmdCancel->setGeometry(host::twipsRect(1560, 1560, 975, 375));

    auto* refreshCaption = ChkRefresh->findChild<QWidget*>(QStringLiteral("Check1"));
    auto* gridCaption = ChkHideGrid->findChild<QWidget*>(QStringLiteral("Check1"));
    setTabOrder(TxtSpeed, VSCROLL1);
    setTabOrder(VSCROLL1, CmdOk);
    setTabOrder(CmdOk, CmdCancel);
    setTabOrder(CmdCancel, refreshCaption);
    setTabOrder(refreshCaption, gridCaption);
    host::answerDialogKeys(this, CmdOk, CmdCancel);

    connect(ChkRefresh, &controls::Check::Click, this, &frmOptions::applyRefreshSetting);
    connect(VSCROLL1, &QScrollBar::valueChanged, TxtSpeed,
            [this](int value) { TxtSpeed->setText(QString::number(value)); });
    connect(CmdOk, &QPushButton::clicked, this, &frmOptions::okClicked);
    connect(CmdCancel, &QPushButton::clicked, this, &frmOptions::close);

    // Loading the dialog applies the unchecked box: automatic refresh goes off.
    applyRefreshSetting();
}

frmOptions* frmOptions::open(QPointer<frmOptions>& dialog, QTimer* timer, widgets::ListView* listView,
                             QWidget* parent) {
    if (!dialog || dialog->isUnloaded())
        dialog = new frmOptions(timer, listView, parent);
    // The interval controls ahead of it in the tab order start disabled, and "Ok" next would
    // take a first Space as its own: the dialog opens on its first check box instead.
    dialog->ChkRefresh->findChild<QWidget*>(QStringLiteral("Check1"))->setFocus(Qt::TabFocusReason);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

std::optional<int> frmOptions::parseInterval(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    const QString trimmed = text.trimmed();
    if (!digits.match(trimmed).hasMatch())
        return std::nullopt;
    const int value = trimmed.toInt();
    if (value < MinimumInterval || value > MaximumInterval)
        return std::nullopt;
    return value;
}

const QString& frmOptions::intervalRejectedText() {
    static const QString text =
        QStringLiteral("The refresh interval must be a whole number of milliseconds from 1 to 65535. "
                       "Automatic refresh is left as it was.");
    return text;
}

void frmOptions::applyRefreshSetting() {
    switch (ChkRefresh->value()) {
    case 1: {
        setIntervalControlsEnabled(true);
        const auto interval = parseInterval(TxtSpeed->text());
        if (!interval) {
            // A text that is no interval would stop the timer or run it flat out: keep the
            // timer as it is and say why.
            QPointer<frmOptions> alive(this);
            host::MessageBoxService::show({this, QMessageBox::Warning, QStringLiteral("Options"),
                                           intervalRejectedText(), QMessageBox::Ok});
            if (alive) {
                TxtSpeed->setFocus();
                TxtSpeed->selectAll();
            }
            return;
        }
        if (m_timer) {
            m_timer->setInterval(*interval);
            m_timer->start();
        }
        break;
    }
    case 0:
        setIntervalControlsEnabled(false);
        if (m_timer)
            m_timer->stop();
        break;
    default:
        break; // other values are left alone
    }
}

void frmOptions::setIntervalControlsEnabled(bool enabled) {
    VSCROLL1->setEnabled(enabled);
    Label1->setEnabled(enabled);
    TxtSpeed->setEnabled(enabled);
}

void frmOptions::okClicked() {
    // Checked shows the grid lines, unchecked takes them away; other values leave them.
    const std::int32_t grid = ChkHideGrid->value();
    if ((grid == 0 || grid == 1) && m_listView)
        m_listView->setGridLines(grid == 1);
    hide();
}

void frmOptions::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted() && !m_unloaded) {
        m_unloaded = true;
        emit unloaded();
    }
}

} // namespace options
