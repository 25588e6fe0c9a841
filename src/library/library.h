// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A drawing library on disk as the parents' tools change it. It reads the tree exactly as the
// book does (browser/DrawingLibrary) and changes it safely: new files are written hidden in
// the same folder and renamed into place, both files of a drawing or neither; renames never
// replace a file; a lock file in the library keeps a second writer out; and no file is
// touched that the change was not asked to touch.

#include "outcome.h"

#include <QImage>
#include <QString>

namespace cuaderno {

enum class ColouredFormat { Jpeg, Gif };

class Library {
public:
    static constexpr int firstCategory = 1;
    static constexpr int lastCategory = 10;

    explicit Library(QString folder);
    const QString& folder() const { return folder_; }

    // The last drawing the book reaches in the category (the first gap ends it); 0 when it
    // has none or the category is outside 1 to 10.
    int lastDrawingNumber(int category) const;

    // The files of a drawing as stored on disk (found ignoring letter case); each is empty when
    // missing. The coloured one is the GIF when both a GIF and a JPEG are there, as the book
    // takes it.
    struct DrawingFiles {
        QString coloured;
        QString uncoloured;
    };
    DrawingFiles drawingFiles(int category, int number) const;

    // Adds a drawing after the last one of the category and returns its number. Both pictures
    // must have the same size. The uncoloured picture is always written as GIF.
    Outcome<int> addDrawing(int category, const QImage& coloured, ColouredFormat format,
                            const QImage& uncoloured);

    // Removes both files of the drawing and renumbers the later ones down by renaming them,
    // so no gap is left.
    Outcome<void> removeDrawing(int category, int number);

    // Whether the book prints: the first line of "impresora.txt" reads SI in any letter case.
    bool printingEnabled() const;
    // Writes SI or NO as the switch's only line.
    Outcome<void> setPrinting(bool on);

    // Drops links to files that are gone (a sample a newer package no longer ships) from the
    // drawing folders and closes the gaps they leave. Every change above does this first.
    // Returns how many links were dropped.
    Outcome<int> repair();

    // Makes the user's own library when it does not exist yet: links to every file of the
    // system library's data tree, so the samples stay visible, and a real "impresora.txt"
    // holding the system's value. A half-made library never appears under `user`.
    static Outcome<void> ensureUserLibrary(const QString& user, const QString& system);

private:
    QString folder_;
};

} // namespace cuaderno
