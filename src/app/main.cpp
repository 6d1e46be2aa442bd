#include "app/CommandLine.h"
#include "mainwindow/Form1.h"
#include "platform/os/Backend.h"
#include "snapshot/ConnectionTable.h"

#ifdef Q_OS_LINUX
#include "platform/os/remote/RemoteSystem.h"
#endif

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

// One operating-system layer per window: this machine's, or one per host asked for.
std::optional<std::vector<std::unique_ptr<os::OperatingSystem>>> systemsFor(const ProgramOptions& options,
                                                                            int& status) {
    std::vector<std::unique_ptr<os::OperatingSystem>> systems;
    if (options.hosts.empty()) {
        systems.push_back(os::makeSystem());
        return systems;
    }
#ifdef Q_OS_LINUX
    for (const std::string& host : options.hosts) {
        const os::remote::DestinationCheck check = os::remote::readDestination(QString::fromLocal8Bit(host));
        if (!check.destination) {
            const QByteArray why = ("host refused (" + check.refusal + ")").toLocal8Bit();
            status = refuseArgument(why.constData(), host.c_str());
            return std::nullopt;
        }
        os::remote::SshSettings settings{*check.destination, QString::fromLocal8Bit(options.sshConfig)};
        systems.push_back(std::make_unique<os::remote::RemoteSystem>(settings, os::makeSystem()));
    }
    return systems;
#else
    status = refuseArgument("option not available on this platform", "--host");
    return std::nullopt;
#endif
}

} // namespace

int main(int argc, char** argv) {
    ProgramOptions options;
    if (const std::optional<int> status = answerCommandLine(argc, argv, options))
        return *status;
    QApplication app(argc, argv);
    // Ties the windows to the installed menu entry, for its name and icon in task bars.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tavren.netstat"));
    // The program ends through the main window's unload or its "Exit" only: closing a dialog
    // while the window waits in the tray must not end it.
    app.setQuitOnLastWindowClosed(false);
    int status = 0;
    auto systems = systemsFor(options, status);
    if (!systems)
        return status;
    // Each window has its own snapshot: the windows of several hosts share nothing.
    std::vector<std::unique_ptr<ConnectionSnapshot>> snapshots;
    std::vector<std::unique_ptr<Form1>> forms;
    for (const auto& system : *systems) {
        snapshots.push_back(std::make_unique<ConnectionSnapshot>());
        forms.push_back(std::make_unique<Form1>(*system, *snapshots.back()));
        // Loaded from inside the event loop, so that ending the program during the first
        // refresh ends the loop too.
        QTimer::singleShot(0, forms.back().get(), &Form1::Form_Load);
    }
    const int result = app.exec();
    // The windows go before their systems, which close the connections to the hosts.
    forms.clear();
    return result;
}
