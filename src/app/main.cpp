#include "app/CommandLine.h"
#include "mainwindow/Form1.h"
#include "platform/host/ScreenFit.h"
#include "platform/os/Backend.h"
#include "snapshot/ConnectionTable.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    if (const std::optional<int> status = answerCommandLine(argc, argv))
        return *status;
    QApplication app(argc, argv);
    // Ties the windows to the installed menu entry, for its name and icon in task bars.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tavren.netstat"));
    // The program ends through the main window's unload or its "Exit" only: closing a dialog
    // while the window waits in the tray must not end it.
    app.setQuitOnLastWindowClosed(false);
    host::fitWindowsToScreen(app);
    const std::unique_ptr<os::OperatingSystem> system = os::makeSystem();
    ConnectionSnapshot snapshot;
    Form1 form(*system, snapshot);
    // Loaded from inside the event loop, so that ending the program during the first refresh
    // ends the loop too.
    QTimer::singleShot(0, &form, &Form1::Form_Load);
    return app.exec();
}
