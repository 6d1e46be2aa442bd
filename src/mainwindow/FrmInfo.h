#pragma once

#include "snapshot/TrafficRates.h"

#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace controls {
class DNS;
}
namespace os {
class OperatingSystem;
}

// The connection info dialog: one row's remote host, its resolved address, both ports and
// the owner's path, and the name resolution control the main window's commands use. Below
// them, the connection's live figures while the dialog is open.
//
// Lifetime: made hidden on first use and shown modeless; "Ok" or the title bar's close button
// unloads it (it deletes itself), so the next use makes a fresh one. Hold it in a QPointer.
class FrmInfo : public QWidget {
    Q_OBJECT
public:
    explicit FrmInfo(os::OperatingSystem& system, QWidget* parent = nullptr);

    QLabel* Label6 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* TxtIP = nullptr;
    QLineEdit* TxtHost = nullptr;
    QLineEdit* TxtLocal = nullptr;
    QLineEdit* TxtRemote = nullptr;
    QLineEdit* TxtProcess = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* TxtSent = nullptr;
    QLineEdit* TxtReceived = nullptr;
    QLineEdit* TxtRoundTrip = nullptr;
    QLineEdit* TxtRetransmits = nullptr;
    // Beside "Ok", shown for a connection of another network namespace: why it has no figures.
    QLabel* TrafficNote = nullptr;
    QPushButton* Command1 = nullptr;
    // Resets the connection shown; enabled and explained by the main window's command.
    QPushButton* CmdClose = nullptr;
    controls::DNS* DNS1 = nullptr;

    // The connection's totals with their rates, round-trip time and retransmits. Without
    // figures the boxes stay empty (not sampled yet, or no TCP connection), or, once the
    // connection had figures, keep its last ones marked "(closed)": it has ended.
    void showTraffic(const ConnectionTraffic* traffic);
    // Says that the figures are not read, for a connection of another network namespace.
    void showOtherNamespaceNote(bool shown);
    // The next figures are another connection's: none of this one's are kept.
    void forgetTraffic();
    // The remote end of a connection: its host as listed and its address in numbers.
    void showRemote(const QString& host, const QString& address);
    // Shows an endpoint without a remote end (a UDP endpoint, a listening socket): its local
    // address where the remote one would be, and why there is no remote host.
    void showEndpoint(const QString& localAddress, const QString& why);

    // "Ok": unloads the dialog.
    void Command1_Click();

private:
    std::optional<ConnectionTraffic> m_lastTraffic;
    int m_boxWidth = 0; // pixels: the design width, or wider where the font needs it
    QLineEdit* addField(const char* labelName, QLabel*& label, const QString& caption, const char* boxName,
                        double top);
};
