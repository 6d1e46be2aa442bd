#pragma once

#include "mainwindow/RowIdentity.h"

#include <QList>

// How the rows of one refresh differ from those of the refresh before. A connection is the
// same one while its owner and both ends stay: a state that moved on (ESTABLISHED to
// CLOSE_WAIT) or a path read differently does not make it new.
struct RowChanges {
    QList<bool> isNew;     // one per current row
    QList<qsizetype> gone; // indexes into the previous rows, in their order

    static RowChanges between(const QList<RowIdentity>& previous, const QList<RowIdentity>& current);
};
