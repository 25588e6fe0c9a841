// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file operations every change to a library is built from: renames that never replace a
// file, and new files that appear only once complete.

#include "outcome.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace cuaderno {

// Renames one file (or link, as itself) to a name that must be free; no copy, ever. Where the
// file system refuses the no-replace flag (NFS), a file or link is linked to the new name and
// unlinked from the old, and a folder renamed only onto a free name: a rename can still only
// replace an empty folder there, never anything in it.
Outcome<void> renameNoReplace(const QString& from, const QString& to);

// A hidden ".cuaderno-" file in `folder` (the book never reads hidden files) filled by
// `write`, flushed to disk; removed again when anything fails. Returns its path.
using WriteFunction = std::function<bool(QIODevice& device, QString& error)>;
Outcome<QString> writeHiddenFile(const QString& folder, const WriteFunction& write);

// Flushes a folder's entries to disk, so renames in it survive a power cut.
Outcome<void> syncFolder(const QString& folder);

// Test seams: make the no-replace flag refused as on NFS, and every write of a new file fail
// with errno `code` (ENOSPC for a full disk); 0 writes again.
void refuseRenameFlags(bool refuse);
void failWritesWith(int code);

// The Spanish description of an errno value and what to do about it, for messages that name
// a file; `folder`, where known, tells a read-only folder of one's own from another's.
QString systemError(int code, const QString& folder = {});

} // namespace cuaderno
