// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file operations every change to a library is built from: renames that never replace a
// file, done all together or not at all, and new files that appear only once complete.

#include "outcome.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class QIODevice;

namespace cuaderno {

struct Move {
    QString from;
    QString to;
};

// Renames one file (or link, as itself) to a name that must be free; no copy, ever.
using RenameFunction = std::function<Outcome<void>(const QString& from, const QString& to)>;
Outcome<void> renameNoReplace(const QString& from, const QString& to);

// Does the moves in order; when one fails, undoes the ones done, in reverse order, so the
// files stand as before. The rename is a parameter so the undo can be exercised.
Outcome<void> moveAllOrNone(const QList<Move>& moves,
                            const RenameFunction& rename = renameNoReplace);

// A hidden file in `folder` (the book never reads hidden files) filled by `write`, flushed to
// disk; removed again when anything fails. Returns its path.
using WriteFunction = std::function<bool(QIODevice& device, QString& error)>;
Outcome<QString> writeHiddenFile(const QString& folder, const WriteFunction& write);

// The Spanish description of an errno value, for messages that name a file.
QString systemError(int code);

} // namespace cuaderno
