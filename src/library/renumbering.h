// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The renames that take drawings out of a category and close the gap each leaves, in an
// order the book can watch: at every instant each number has both files of one drawing, one
// of its files, or none. A drawing's outline companion moves right after its pair, so it only
// ever sits beside its own drawing or beside none.

#include "journal.h"
#include "librarytree.h"
#include "outcome.h"

#include <QList>
#include <QString>

namespace cuaderno {

// A category's drawing folders as listed when a change begins, with the folder of the outlines
// kept for paper.
struct CategoryListing {
    QString coloured; // relative to the library; empty when missing
    QString uncoloured;
    QString companions;
    QList<FolderEntry> colouredEntries;
    QList<FolderEntry> uncolouredEntries;
    QList<FolderEntry> companionEntries;
    QString outside; // the first of them that leads out of the library, or empty
};
CategoryListing listCategory(const QString& root, int category);

// Takes the drawings numbered `gone` out (their files set aside under hidden names starting
// with `aside`) and moves each later drawing of the same run down; the run ends at the first
// number without a coloured file, so drawings past a gap keep their numbers.
Outcome<QList<JournalStep>> closeUpSteps(const QString& root, const CategoryListing& category,
                                         const QList<int>& gone, const QString& aside);

// Sets aside the links to files that are gone. A number left with nothing is taken out as
// above; a number that keeps a real file keeps its place.
Outcome<QList<JournalStep>> danglingLinkSteps(const QString& root, const CategoryListing& category,
                                              const QString& aside);

// The Spanish refusal for a change under a folder that leads out of the library.
Failure outsideLibrary(const QString& root, const QString& folder);

} // namespace cuaderno
