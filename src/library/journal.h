// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A change to a library as the renames it is about to make, written to disk before the first
// one, so that a change stopped at any instant (a crash, a logout, a power cut) is finished, or
// where that cannot be done undone, by the next change. The new files a change places and the
// files it sets aside are hidden ".cuaderno-" files, which the book never reads: once the
// journal is gone, any such file left in the library is a leftover to delete.

#include "outcome.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace cuaderno {

struct JournalStep {
    enum class Kind {
        Move,    // to a name that was free when the change began; never replaces
        Replace, // over the file at `to` (the printing switch)
    };
    Kind kind = Kind::Move;
    QString from; // relative to the library
    QString to;
    bool operator==(const JournalStep&) const = default;
};

struct Journal {
    QString change; // what was asked, in Spanish, as the checker names it
    QList<JournalStep> steps;
    bool operator==(const Journal&) const = default;
};

// The journal's file in the library, and the prefix of every hidden file a change makes.
inline constexpr char journalFileName[] = ".cuaderno-cambio";
inline constexpr char hiddenPrefix[] = ".cuaderno-";

QByteArray encodeJournal(const Journal& journal);
// Nothing when the text is not a whole journal, or names a file outside the library.
std::optional<Journal> decodeJournal(const QByteArray& text);

// The journal of the library at `root`, if there is one; nothing also when it is unreadable.
std::optional<Journal> readJournal(const QString& root);

// Makes a change: writes its journal durably (hidden file, flushed, renamed into place,
// folder flushed), makes the steps, flushes the folders and deletes the journal and the files
// set aside. A step that cannot be made undoes the steps made and deletes the new files.
Outcome<void> runJournal(const QString& root, const Journal& journal);

// How many steps, in order, the files under `root` show done.
int stepsDone(const QString& root, const Journal& journal);
// Whether the steps not done can all still be made, so recovery finishes rather than undoes.
bool canFinish(const QString& root, const Journal& journal);

// Finishes an interrupted change, or undoes it when a file it needs has gone meanwhile, and
// deletes its journal and leftovers. Returns whether it was finished.
Outcome<bool> recover(const QString& root, const Journal& journal);

// The hidden files a change leaves in `folder` when stopped, as names in that folder; the
// journal itself is not one.
QStringList leftoverFiles(const QString& folder);

// Test seam: every change counts the points where a stop would matter (new files written, the
// journal written, each step made) and stops without tidying up at the `point`th, as a killed
// program would. 0 never stops.
void stopChangesAtPoint(int point);
// Counts a point; true when the change must stop here.
bool stopsHere();

} // namespace cuaderno
