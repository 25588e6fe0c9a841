// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A booklet of colouring pages: one drawing's outlines per sheet, fitted to the printable area,
// each sheet turned to whichever orientation prints the drawing larger, after an optional cover.
// It paints onto any paged device: a PDF writer or a printer.

#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include "library/outcome.h"

#include <functional>
#include <memory>
#include <optional>

class QPagedPaintDevice;
class QSvgRenderer;

namespace cuaderno {

class Library;

namespace booklet {

// The orientation whose printable area (given upright) holds the picture larger; upright on a tie.
QPageLayout::Orientation bestOrientation(QSizeF uprightArea, QSizeF picture);
// The largest rectangle of the picture's shape inside the area, centred in it.
QRectF fitCentred(const QRectF& area, QSizeF picture);
// The pixel size to print a bitmap of sourcePixels at printedInches with at least minimumDpi:
// scaled up when it has fewer dots, never scaled down.
QSize printPixels(QSize sourcePixels, QSizeF printedInches, double minimumDpi);

// Paper by locale: Letter where the system measures in inches the US way, A4 elsewhere.
QPageSize::PageSizeId defaultPaper();

// One drawing's outlines ready to print: vector (SVG) or a bitmap, and a name for messages.
struct Outline {
    QString name;
    std::shared_ptr<QSvgRenderer> vector;
    QImage bitmap;
    QSizeF size() const;
};

// The outlines of a library's drawing, best first: dibujos/<c>/contornos/<n>.svg, then .png,
// then the uncoloured GIF (never the coloured picture), only for a drawing that exists. A kept
// outline that cannot be read gives way to the next one, and `warning` tells why; when none can
// be read, `problem` gives the Spanish reason instead.
struct LoadedOutline {
    std::optional<Outline> outline;
    QString problem;
    QString warning;
};
LoadedOutline loadOutline(const Library& library, int category, int number);

struct Options {
    // None: the device's own paper (a printer's, as chosen in its dialog).
    std::optional<QPageSize::PageSizeId> paper = QPageSize::A4;
    bool cover = true;
    bool nameAndDateLine = false; // at the foot of every drawing's sheet
};

// Paints the cover (when asked) and one sheet per outline; nothing at all without an outline.
// Returns the Spanish reason when the device refuses the work or there is nothing to print,
// empty when done.
QString paint(QPagedPaintDevice& device, const QList<Outline>& outlines, const Options& options);

// A drawing of the library to print.
struct Drawing {
    int category = 0;
    int number = 0;
    bool operator==(const Drawing&) const = default;
};

// Told after each drawing (printed or left out) how many are done; false stops the work,
// which then fails with Failure::Reason::Cancelled. `leftOut` is told, for each drawing that
// cannot be printed, the Spanish reason; `warned`, for each printed from a lesser outline, why.
struct Listener {
    std::function<bool(qsizetype done)> progress;
    std::function<void(const QString& problem)> leftOut;
    std::function<void(const QString& warning)> warned;
};

// Paints the cover (when asked, and only once a drawing can be printed: never a lone cover)
// and the drawings' sheets, each outline loaded when its sheet is painted and let go after,
// so a booklet of any length holds one outline in memory.
// Returns how many drawings were printed; a failure when the device refuses or none can be.
Outcome<int> paintDrawings(QPagedPaintDevice& device, const Library& library,
                           const QList<Drawing>& drawings, const Options& options,
                           const Listener& listener = {});

// The same as a PDF at `path`, written beside it and renamed over it only when whole: a half
// booklet never replaces a good one, and nothing is written when no drawing can be printed.
// Returns the pages written, cover included.
Outcome<int> writePdf(const QString& path, const Library& library, const QList<Drawing>& drawings,
                      const Options& options, const Listener& listener = {});

} // namespace booklet
} // namespace cuaderno
