// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Names what keeps the book from showing a library as its owner meant: the book itself stays
// silent about missing or broken files, so the parents' tools tell.

#include <QList>
#include <QString>

namespace cuaderno {

struct Finding {
    // What kind of fix the problem needs; the parents' window gives advice by it.
    enum class Kind {
        Damaged,         // a drawing's file the book cannot use as it is
        Missing,         // a part of the library (sound, background, brush…) missing or damaged
        BadName,         // a file or folder under a name the book does not read
        EmptyCategory,   // a category with no drawing at all
        Gap,             // a missing drawing that hides those after it
        MissingColoured, // an outline file with no coloured version beside it
        ExtraVersion,    // a second coloured file under the same number
        BrokenLink,      // a link to a file that is gone
        NotAFile,        // a folder or other non-file under a drawing's name
        Interrupted,     // what a stopped change left; the next change deals with it
        UnusedOutline,   // an outline kept for paper that no booklet can use
    };

    int category = 0; // 1 to 10 for a drawing folder, 0 for the rest of the library
    int number = 0;   // the drawing or file number concerned, 0 when none
    QString file;     // relative to the library, as stored on disk
    QString message;  // one Spanish sentence, no line break
    Kind kind = Kind::Damaged;

    bool operator==(const Finding&) const = default;
};

// Every problem of the library in `folder`, category by category in number order, then the
// brushes, pointers, animations, background and sounds. Pictures are judged by their headers.
QList<Finding> checkLibrary(const QString& folder);

// The largest drawing the canvas shows whole above the button row of a 1024 × 768 screen.
int largestDrawingWidth();
int largestDrawingHeight();

} // namespace cuaderno
