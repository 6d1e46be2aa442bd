#include "app/CommandLine.h"
#include "mainwindow/Form1.h"
#include "platform/host/ScreenFit.h"
#include "platform/os/Backend.h"
#include "snapshot/ConnectionTable.h"

#ifdef Q_OS_LINUX
#include "platform/os/remote/RemoteSystem.h"
#endif

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

#ifdef Q_OS_LINUX
using Destinations = std::vector<os::remote::SshDestination>;
#else
using Destinations = std::vector<std::string>;
#endif

// The hosts asked for, checked before anything else happens; nothing when one is refused.
std::optional<Destinations> destinationsOf(const ProgramOptions& options, int& status) {
    Destinations destinations;
#ifdef Q_OS_LINUX
    for (const std::string& host : options.hosts) {
        const os::remote::DestinationCheck check = os::remote::readDestination(QString::fromLocal8Bit(host));
        if (!check.destination) {
            const QByteArray why = ("host refused (" + check.refusal + ")").toLocal8Bit();
            status = refuseArgument(why.constData(), host.c_str());
            return std::nullopt;
        }
        destinations.push_back(*check.destination);
    }
#else
    if (!options.hosts.empty()) {
        status = refuseArgument("option not available on this platform", "--host");
        return std::nullopt;
    }
#endif
    return destinations;
}

// One operating-system layer per window: this machine's, or one per host asked for.
std::vector<std::unique_ptr<os::OperatingSystem>> systemsFor(const Destinations& destinations,
                                                             const ProgramOptions& options) {
    std::vector<std::unique_ptr<os::OperatingSystem>> systems;
    if (destinations.empty())
        systems.push_back(os::makeSystem());
#ifdef Q_OS_LINUX
    for (const os::remote::SshDestination& destination : destinations)
        systems.push_back(std::make_unique<os::remote::RemoteSystem>(
            os::remote::SshSettings{destination, QString::fromLocal8Bit(options.sshConfig)},
            os::makeSystem()));
#else
    Q_UNUSED(options);
#endif
    return systems;
}

} // namespace

int main(int argc, char** argv) {
    ProgramOptions options;
    if (const std::optional<int> status = answerCommandLine(argc, argv, options))
        return *status;
    int status = 0;
    const std::optional<Destinations> destinations = destinationsOf(options, status);
    if (!destinations)
        return status;
    QApplication app(argc, argv);
    // Ties the windows to the installed menu entry, for its name and icon in task bars.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tavren.netstat"));
    // The program ends through the main window's unload or its "Exit" only: closing a dialog
    // while the window waits in the tray must not end it.
    app.setQuitOnLastWindowClosed(false);
    host::fitWindowsToScreen(app);
    const std::vector<std::unique_ptr<os::OperatingSystem>> systems = systemsFor(*destinations, options);
    // Each window has its own snapshot: the windows of several hosts share nothing.
    std::vector<std::unique_ptr<ConnectionSnapshot>> snapshots;
    std::vector<std::unique_ptr<Form1>> forms;
    for (const auto& system : systems) {
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
