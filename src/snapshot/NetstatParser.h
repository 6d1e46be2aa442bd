#pragma once

#include "snapshot/ConnectionTable.h"
#include "snapshot/Yield.h"

#include <QString>
#include <QStringView>

// Reads the connection-listing text into records 0 to n - 1 of the snapshot's table, in line
// order, and sets ConnectionCount to n: every connection line is stored, the table grows to
// hold them. Runs of spaces in the text are collapsed in place, so the caller's string
// changes. Never fails: lines that do not hold a connection are skipped.
//
// The listening TCP lines and the UDP lines (which have no state: "UDP 0.0.0.0:5353 *:* 812")
// are read only when `kinds` asks for them. The owner is a process id, or says why there is
// none to show: "0" no process holds the socket, "-" one the user may not see does, "?" it
// was not found in time. A live socket without an owner is stored with process 0, so that no
// connection can be hidden from the list; a closing one without an owner, and one of another
// user, is only counted in Ownerless.
//
// Connections of other network namespaces follow under a title of their own for each
// ("Active Connections in net:[4026532281] of process 4242"): their records carry the
// namespace, NamespaceProcesses the process. Those without an owner are not kept.
struct ListingKinds {
    bool listening = false;
    bool udp = false;
};
void ParseNetstatOutput(ConnectionSnapshot& snapshot, QString& text, const YieldFunction& yield = {},
                        ListingKinds kinds = {});

// The display text for the foreign port service name "https".
inline constexpr char HttpsDisplayText[] = "443 (Https)";

// Whether a connection in this state (a state word of the listing) has been closed by its
// program, so that no process need hold it any more; or is open (or listening) yet.
bool isClosingState(QStringView state);
bool isLiveState(QStringView state);

// Collapses every run of spaces to one space, in place.
void collapseSpaces(QString& text);

// Splits "host:port". "[v6 address]:port" splits after the brackets; any other text at its
// first colon, and a text without a colon is all port.
struct AddressParts {
    QStringView host;
    QStringView port;
};
AddressParts splitAddress(QStringView address);
