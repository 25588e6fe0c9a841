// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One picture file becomes a drawing of the library: loaded safely, recognised as a coloured
// picture or an outline page, turned into its two versions, and added. The parents' window
// shows what prepare() gives before anything is written.

#include "library/outcome.h"
#include "lineart.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace cuaderno {
class Library;
}

namespace cuaderno::importer {

// The canvas size where there is no screen to ask.
inline constexpr QSize defaultBounds(800, 520);

// As large as a drawing can be on a screen of this size: the whole width, and the height
// above the book's button row.
QSize canvasBounds(QSize screenPixels, float twipsPerPixel);

// Larger bounds are reduced to this many pixels (a 3840 × 2160 screen).
inline constexpr double maxDrawingPixels = 3840.0 * 2160.0;

enum class ForcedKind { Automatic, Coloured, Outlines };

struct PrepareOptions {
    QSize bounds = defaultBounds;
    ForcedKind kind = ForcedKind::Automatic;
    int detail = 0; // -2 .. 2
    const std::atomic_bool* cancel = nullptr;
};

struct Prepared {
    lineart::ColouringPage page;
    lineart::Classification classification;
    QStringList warnings;     // Spanish sentences naming the file; the parent may still go on
    bool gifColoured = false; // flat colours: the coloured version is stored as GIF, else JPEG
    // The outline kept beside the drawing for paper ("svg": the rewritten SVG or the traced
    // curves); empty when there is none.
    QByteArray outline;
    QString outlineSuffix;
};

Outcome<Prepared> prepare(const QString& file, const PrepareOptions& options);

// prepare() in a helper process of its own under limits (platform/limitedprocess): a picture
// that crashes the decoder, loops or takes too much memory costs only that process, and gives
// one message. Stops at once, killing the helper, when options.cancel or stop is set.
Outcome<Prepared> prepareApart(const QString& file, const PrepareOptions& options,
                               const std::atomic_bool* stop = nullptr);

// The helper to run when it is not beside the program, nor installed (tests, the benchmark).
void setWorkerProgram(const QString& path);

// Adds the prepared drawing after the last one of the category; returns its number.
Outcome<int> addToLibrary(Library& library, int category, const Prepared& prepared);

// Called on the calling thread for each file in the files' order; false stops the batch.
using ReadyFunction = std::function<bool(qsizetype index, Outcome<Prepared>& result)>;

// Prepares the files apart (prepareApart) on all the processor's cores, at most one picture more
// than there are cores in memory at once, and hands each result to ready as soon as it and those
// before it are ready, so whatever ready keeps (adds to the library) is kept even if the batch
// stops.
void prepareInOrder(const QStringList& files, const PrepareOptions& options,
                    const ReadyFunction& ready);

} // namespace cuaderno::importer
