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
// then the uncoloured GIF (never the coloured picture). A missing, unreadable or huge file gives
// the Spanish reason instead.
struct LoadedOutline {
    std::optional<Outline> outline;
    QString problem;
};
LoadedOutline loadOutline(const Library& library, int category, int number);

struct Options {
    QPageSize::PageSizeId paper = QPageSize::A4;
    bool cover = true;
    bool nameAndDateLine = false; // at the foot of every drawing's sheet
};

// Paints the cover (when asked) and one sheet per outline. Returns the Spanish reason when the
// device refuses the work, empty when done.
QString paint(QPagedPaintDevice& device, const QList<Outline>& outlines, const Options& options);

} // namespace booklet
} // namespace cuaderno
