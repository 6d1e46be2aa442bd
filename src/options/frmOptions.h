#pragma once

#include <QPointer>
#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;

namespace controls {
class Check;
}
namespace widgets {
class ListView;
}

namespace options {

// The options dialog: switches the main window's refresh timer on and off, sets its interval,
// and switches grid lines on in its connection list. Nothing is stored: the settings live in
// the dialog's controls and in the timer and list themselves.
//
// Lifetime: creating it is its load, which switches the timer off. "Ok" hides it and keeps it;
// "Cancel" or the title bar's close button unloads it (it deletes itself), so the next opening
// builds a fresh one. Hold it in a QPointer and open it through `open()`.
class frmOptions : public QWidget {
    Q_OBJECT
public:
    // Neither the timer nor the list is owned; either may go away before the dialog does.
    frmOptions(QTimer* timer, widgets::ListView* listView, QWidget* parent = nullptr);

    // What the main window's "Options" command does: make the dialog if there is none (or the
    // one there is has been unloaded), then show it modeless and bring it forward.
    static frmOptions* open(QPointer<frmOptions>& dialog, QTimer* timer, widgets::ListView* listView,
                            QWidget* parent);

    bool isUnloaded() const { return m_unloaded; }

    // The interval an interval text stands for: a whole number of milliseconds from 1 to 65535,
    // optionally surrounded by blanks; anything else has none.
    static std::optional<int> parseInterval(const QString& text);
    static const QString& intervalRejectedText();

signals:
    // Sent once when the dialog is unloaded; it is deleted soon after.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void applyRefreshSetting();
    void setIntervalControlsEnabled(bool enabled);
    void okClicked();

    QPointer<QTimer> m_timer;
    QPointer<widgets::ListView> m_listView;
    bool m_unloaded = false;

    controls::Check* ChkRefresh;
    QScrollBar* VSCROLL1;
    QLineEdit* TxtSpeed;
    QLabel* Label1;
    controls::Check* ChkHideGrid;
    QPushButton* CmdOk;
    QPushButton* CmdCancel;
};

} // namespace options
