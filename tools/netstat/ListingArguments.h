#pragma once

// The options both platforms' companion commands take, as the system's netstat spells them:
// letters after "-" or "/", in any case and grouped ("-ano"). Plain C++.

#include <cstdio>
#include <cstring>

namespace listing {

enum class Request { List, Help, Version, Wrong };

// The option that adds the connections of the other network namespaces; a platform without
// them accepts it and has none to add.
inline constexpr char NamespacesOption[] = "--namespaces";

// The machine-readable listing: --json, and -i for each TCP socket's kernel counters in it.
struct JsonChoice {
    bool json = false;
    bool trafficInfo = false;
};

// Reads the options; on a wrong one, `wrong` names it. Without `json` its options are wrong.
inline Request readArguments(int argc, char** argv, bool& all, bool& numeric, const char*& wrong,
                             JsonChoice* json = nullptr, bool* namespaces = nullptr) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (!std::strcmp(argument, "--help") || !std::strcmp(argument, "-h") || !std::strcmp(argument, "/?"))
            return Request::Help;
        if (!std::strcmp(argument, NamespacesOption)) {
            if (namespaces)
                *namespaces = true;
            continue;
        }
        if (!std::strcmp(argument, "--version"))
            return Request::Version;
        wrong = argument;
        if (json && !std::strcmp(argument, "--json")) {
            json->json = true;
            continue;
        }
        if ((argument[0] != '-' && argument[0] != '/') || !argument[1])
            return Request::Wrong;
        for (const char* letter = argument + 1; *letter; ++letter) {
            if (*letter == 'n' || *letter == 'N') {
                numeric = true;
            } else if (*letter == 'a' || *letter == 'A') {
                all = true;
            } else if (json && (*letter == 'i' || *letter == 'I')) {
                json->trafficInfo = true;
            } else if (*letter != 'o' && *letter != 'O') { // the owner column is always printed
                return Request::Wrong;
            }
        }
    }
    return Request::List;
}

// The first line of the answer to a wrong argument; the usage follows it.
inline void reportWrongArgument(const char* wrong) {
    const bool option = (wrong[0] == '-' || wrong[0] == '/') && wrong[1];
    std::fprintf(stderr, "tavren-netstat-cli: %s '%s'\n", option ? "unknown option" : "unexpected argument", wrong);
}

} // namespace listing
