// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A drawing library on disk as the parents' tools change it. It reads the tree exactly as the
// book does (browser/DrawingLibrary) and changes it safely: under a lock file that keeps a
// second writer out, each change writes the renames it will make to a journal first (see
// journal.h), so one stopped at any instant is finished or undone by the next; new files are
// written hidden and renamed into place; renames never replace a file, and the book never
// finds a number holding files of two drawings. A change touches only what it was asked to:
// removing a drawing moves down the later ones up to the next gap, and dropping a link to a
// file that is gone closes only the gap that link leaves; other gaps, and the drawings a
// parent keeps hidden behind them, stay. Links are renamed and deleted as links, written
// through never (but for the package's printing switch), and folders that lead out of the
// library are read, never changed.

#include "outcome.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <optional>

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
    // `identity` tells the files as listed apart from any others later under the same names:
    // each one's name, size, modification time, device and inode (a link as itself).
    struct DrawingFiles {
        QString coloured;
        QString uncoloured;
        QByteArray identity;
        bool operator==(const DrawingFiles&) const = default;
    };
    DrawingFiles drawingFiles(int category, int number) const;

    // The drawing's outline at full quality for printing on paper, kept beside it as
    // dibujos/<c>/contornos/<n>.svg or .png; the book never reads it.
    struct Outline {
        QByteArray bytes; // empty: none
        QString suffix;   // "svg" or "png"
    };
    // Larger outline files are a mistake, never kept nor printed.
    static constexpr qint64 largestOutlineBytes = 64 * 1024 * 1024;
    // An SVG outline is read whole with every check before it prints: far less is allowed.
    static constexpr qint64 largestSvgOutlineBytes = 16 * 1024 * 1024;
    static constexpr int largestOutlineSide = 12000; // pixels of a PNG outline

    // Adds a drawing after the last one of the category and returns its number. Both pictures
    // must have the same size. The uncoloured picture is always written as GIF. The outline,
    // when given, is placed in the same change, before the pair.
    Outcome<int> addDrawing(int category, const QImage& coloured, ColouredFormat format,
                            const QImage& uncoloured, const Outline& outline = {});

    // Removes the drawing's files (its outline too) and renumbers the later ones, outlines
    // with them, up to the next gap, down by renaming them, so the removal leaves no gap.
    Outcome<void> removeDrawing(int category, int number);
    // The same, only while the drawing's files are still `expected` (as drawingFiles gave
    // them); otherwise nothing changes and the failure's reason is Failure::Reason::Changed.
    Outcome<void> removeDrawing(int category, int number, const DrawingFiles& expected);

    // While another program holds the library's lock, a change calls `keepWaiting` about every
    // 100 ms on the thread making the change; the first call is the moment to say so. When it
    // returns false the change gives up with Failure::Reason::Cancelled. Without a handler a
    // change waits up to a minute.
    void setWaitHandler(std::function<bool()> keepWaiting);

    // Whether the book prints: the first line of "impresora.txt" reads SI in any letter case.
    bool printingEnabled() const;
    // Writes SI or NO as the switch's only line. Where the switch is the package's link to
    // /etc/cuaderno/impresora.txt that file is written; any other link is replaced by a file.
    Outcome<void> setPrinting(bool on);

    // Finishes a change that was stopped half-way (or undoes it when a file it needs has gone
    // since), deletes the hidden files stopped changes leave, and drops the links to files
    // that are gone (a sample a newer package no longer ships). Every change above does this
    // first; a program that shows the library may call it before reading.
    Outcome<void> recover();

    // Makes the user's own library when it does not exist yet: links to every file of the
    // system library's data tree, so the samples stay visible, and a real "impresora.txt"
    // holding the system's value. A half-made library never appears under `user`.
    static Outcome<void> ensureUserLibrary(const QString& user, const QString& system);

private:
    Outcome<void> removeChecked(int category, int number,
                                const std::optional<DrawingFiles>& expected);

    QString folder_;
    std::function<bool()> keepWaiting_;
};

} // namespace cuaderno
