// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a library's folders as the tools need them: every entry with its kind (the book's
// own lookup sees ordinary files only, the tools must also see what hides from it).

#include "platform/directorylookup.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <string>

namespace cuaderno {

struct FolderEntry {
    using Kind = ListedEntry::Kind;
    QString name;
    std::string encodedName; // as the file system stores it
    Kind kind = Kind::File;  // a link counts as what it points to
    bool link = false;
};

// The non-hidden entries of a folder, one listing plus a stat where the listing does not tell
// the kind; empty when the folder cannot be read.
QList<FolderEntry> listFolder(const QString& folder);

// The folder `parts` names under `root`, each part found ignoring letter case (the exact name
// first); empty when one is missing.
QString findFolder(const QString& root, const QStringList& parts);

// "dibujos/<category>/si coloreado" or ".../no coloreado" of a library, as named on disk.
QStringList drawingFolderParts(int category, bool coloured);

// "dibujos/<category>/contornos": each drawing's outline for paper (<n>.svg or <n>.png), which
// the book never reads.
QStringList companionFolderParts(int category);
// The drawing number a companion's name stands for (digits without leading zeros, then .svg
// or .png in any letter case); 0 when none.
int numberOfCompanion(const FolderEntry& entry);

// The entries of a drawing folder that stand for `number` (the book's naming: the number's
// digits then .gif or .jpg, any letter case; uncoloured folders hold GIFs only).
QList<FolderEntry> entriesOfNumber(const QList<FolderEntry>& entries, int number, bool coloured);
// The drawing number an entry's name stands for in such a folder; 0 when none.
int numberOfEntry(const FolderEntry& entry, bool coloured);

} // namespace cuaderno
