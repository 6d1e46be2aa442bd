#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view Usage =
    "usage: tavren-netstat [options] [toolkit options]\n"
    "Shows the computer's TCP connections in a window.\n"
    "\n"
    "  -h, --help                   print this help and exit\n"
    "  -v, --version                print the version and exit\n"
    "  --host [USER@]HOST[:PORT]    show the connections of another Linux host instead, read\n"
    "                               over OpenSSH with the user's keys, agent and known_hosts\n"
    "                               (no password prompt, unknown host keys refused); once per\n"
    "                               host, one window each\n"
    "  --ssh-config FILE            ssh's configuration file for those hosts (ssh -F)\n"
    "\n"
    "Toolkit options, such as -platform NAME, -display DISPLAY or -style NAME, are passed on.\n";

// The toolkit's own options on this system, with and without a value (also written with "--").
constexpr std::string_view ToolkitWithValue[] = {"platform",
                                                 "platformpluginpath",
                                                 "platformtheme",
                                                 "plugin",
                                                 "qwindowgeometry",
                                                 "geometry",
                                                 "qwindowicon",
                                                 "icon",
                                                 "qwindowtitle",
                                                 "title",
                                                 "session",
                                                 "style",
                                                 "stylesheet",
                                                 "display",
                                                 "name",
                                                 "visual"};
constexpr std::string_view ToolkitFlags[] = {"reverse", "testability", "widgetcount", "nograb", "dograb"};

template <std::size_t N> bool listed(const std::string_view (&names)[N], std::string_view name) {
    for (std::string_view known : names)
        if (known == name)
            return true;
    return false;
}

int refuse(const char* what, const char* argument) {
    return refuseArgument(what, argument);
}

} // namespace

int refuseArgument(const char* what, const char* argument) {
    std::fprintf(stderr, "tavren-netstat: %s '%s'\nTry 'tavren-netstat --help'.\n", what, argument);
    return 2;
}

std::optional<int> answerCommandLine(int argc, char** argv, ProgramOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            std::fwrite(Usage.data(), 1, Usage.size(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (argument == "-v" || argument == "--version") {
            std::printf("tavren-netstat %s\n", TAVREN_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (argument.size() < 2 || argument[0] != '-')
            return refuse("unexpected argument", argv[i]);
        // "--host NAME" or "--host=NAME"; the name is checked when its window is made.
        bool handled = false;
        for (const std::string_view own : {std::string_view("--host"), std::string_view("--ssh-config")}) {
            if (argument != own && !argument.starts_with(std::string(own) + "="))
                continue;
            std::string value;
            if (argument == own) {
                if (++i >= argc)
                    return refuse("missing value for option", argv[i - 1]);
                value = argv[i];
            } else {
                value = std::string(argument.substr(own.size() + 1));
            }
            if (own == "--host")
                options.hosts.push_back(value);
            else
                options.sshConfig = value;
            handled = true;
            break;
        }
        if (handled)
            continue;
        std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
        const std::size_t equals = name.find('=');
        const bool valueGiven = equals != std::string_view::npos;
        name = name.substr(0, equals);
        if (listed(ToolkitWithValue, name)) {
            if (!valueGiven && ++i >= argc)
                return refuse("missing value for option", argv[i - 1]);
        } else if (!listed(ToolkitFlags, name) && !name.starts_with("qmljsdebugger")) {
            return refuse("unknown option", argv[i]);
        }
    }
    return std::nullopt;
}
