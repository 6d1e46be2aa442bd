#pragma once

#include "snapshot/ConnectionTable.h"
#include "snapshot/Yield.h"

#include <QString>
#include <QStringView>

// Reads the connection-listing text into records 0 to n - 1 of the snapshot's table, in line
// order, and sets ConnectionCount to n: every connection line is stored, the table grows to
// hold them. Runs of spaces in the text are collapsed in place, so the caller's string
// changes. Never fails: lines that do not hold a connection with a non-zero process id are
// skipped.
//
// The listening TCP lines and the UDP lines (which have no state: "UDP 0.0.0.0:5353 *:* 812")
// are read only when `kinds` asks for them. Lines whose owner reads 0 are not stored; those of
// the kinds read, time-wait ones aside, go to UnownedConnections.
//
// Connections of other network namespaces follow under a title of their own for each
// ("Active Connections in net:[4026532281] of process 4242"): their records carry the
// namespace, NamespaceProcesses the process. Those without an owner are not kept: the
// program's socket list, which UnownedConnections is matched against, is its own namespace's.
struct ListingKinds {
    bool listening = false;
    bool udp = false;
};
void ParseNetstatOutput(ConnectionSnapshot& snapshot, QString& text, const YieldFunction& yield = {},
                        ListingKinds kinds = {});

// The display text for the foreign port service name "https".
inline constexpr char HttpsDisplayText[] = "443 (Https)";

// Collapses every run of spaces to one space, in place.
void collapseSpaces(QString& text);

// Splits "host:port". "[v6 address]:port" splits after the brackets; any other text at its
// first colon, and a text without a colon is all port.
struct AddressParts {
    QStringView host;
    QStringView port;
};
AddressParts splitAddress(QStringView address);
