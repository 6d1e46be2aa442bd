#pragma once

// The options both platforms' companion commands take, as the system's netstat spells them:
// letters after "-" or "/", in any case and grouped ("-ano"). Plain C++.

#include <cstdio>
#include <cstring>

namespace listing {

enum class Request { List, Help, Wrong };

// The option that adds the connections of the other network namespaces; a platform without
// them accepts it and has none to add.
inline constexpr char NamespacesOption[] = "--namespaces";

// Reads the options; on a wrong one, `wrong` names it.
inline Request readArguments(int argc, char** argv, bool& all, bool& numeric, const char*& wrong,
                             bool* namespaces = nullptr) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (!std::strcmp(argument, "--help") || !std::strcmp(argument, "-h") || !std::strcmp(argument, "/?"))
            return Request::Help;
        if (!std::strcmp(argument, NamespacesOption)) {
            if (namespaces)
                *namespaces = true;
            continue;
        }
        wrong = argument;
        if ((argument[0] != '-' && argument[0] != '/') || !argument[1])
            return Request::Wrong;
        for (const char* letter = argument + 1; *letter; ++letter) {
            if (*letter == 'n' || *letter == 'N') {
                numeric = true;
            } else if (*letter == 'a' || *letter == 'A') {
                all = true;
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
