// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

#include <atomic>

// Turns one picture into the two versions of a drawing: the coloured one the brush
// reveals and the uncoloured one (black outlines on white) the child starts from.
// Pure functions of their input: no files, no window, the same result every time.
namespace cuaderno::lineart {

enum class Kind { Coloured, Outlines };

struct Classification {
    Kind kind = Kind::Coloured;
    bool photo = false; // many colours and soft shading: a poor colouring page
};

struct Options {
    int detail = 0; // -2 (fewer lines) .. 2 (more lines)
    const std::atomic_bool* cancel = nullptr;
};

struct ColouringPage {
    QImage coloured;   // RGB32
    QImage uncoloured; // RGB32, black lines on white (grey at their smooth edges), same size
    // The same outlines as an SVG at full quality, for paper: its view box is the canvas, so
    // it lies over the uncoloured version. Empty when there is none.
    QByteArray outlineSvg;
    bool isNull() const { return coloured.isNull() || uncoloured.isNull(); }
};

// Largest size with the picture's aspect ratio inside bounds (enlarging or reducing).
QSize fitSize(QSize picture, QSize bounds);

// The picture composited on white at the size it will have inside bounds; a caller that lets
// the original go keeps only this much of it in memory.
QImage canvasPicture(const QImage& picture, QSize bounds);

// Outline width a child's brush can follow at this picture width (3 px at 800, growing
// with it).
int strokeWidth(int pictureWidth);

// Where the drawing lies on its page: what differs from the page's background (transparent or
// one plain colour; for an outline page, ink on its paper, without punched holes near the
// edges), with a margin of about 3 % of its larger side. The whole picture when it is all
// drawing, has no plain background or is one plain colour; empty when nothing is drawn on
// transparency or paper.
QRect contentBox(const QImage& picture, Kind kind);
// The document with its page cut to its drawing in the same way (the drawing's own extent when
// the page shows none of it); unchanged when it is all drawing; empty when nothing is drawn.
QByteArray trimSvg(const QByteArray& svg);

Classification classify(const QImage& picture);
Kind classifySvg(const QByteArray& svg);

// Every function below returns a null page when cancelled or given an empty picture. An SVG
// given to any function here is one the importer's checks passed (importer::vetSvg): Qt reads,
// draws and writes its trees recursively, so depth and size are bounded before.
ColouringPage fromColoured(const QImage& picture, QSize bounds, const Options& options = {});
ColouringPage fromColouredSvg(const QByteArray& svg, QSize bounds, const Options& options = {});
ColouringPage fromOutlines(const QImage& picture, QSize bounds, const Options& options = {});
ColouringPage fromOutlinesSvg(const QByteArray& svg, QSize bounds, const Options& options = {});

} // namespace cuaderno::lineart
