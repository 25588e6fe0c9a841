// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace cuaderno::samples {

// Drawings larger than this are refused rather than eating all memory.
constexpr int kMaxDrawingSide = 4096;
constexpr qint64 kMaxSvgBytes = 8 * 1024 * 1024;

// The SVG with every fill that is neither "none" nor black turned white, so
// only the outlines and the solid black details remain. Empty on error.
QByteArray uncolouredSvg(const QByteArray& svg, QString* error);

// Renders at the SVG's own size onto white paper. Null image on error.
QImage renderSvg(const QByteArray& svg, QString* error);

// Same as renderSvg, but at a given size onto a transparent background.
QImage renderSvgTransparent(const QByteArray& svg, QSize size, QString* error);

// Writes the coloured picture (JPEG or GIF, chosen by the suffix of
// colouredPath) and the uncoloured GIF of one drawing source file, and, when outlinePath is
// given, the uncoloured version as SVG (the same canvas, vector, for printing on paper).
bool renderDrawing(const QString& svgPath, const QString& colouredPath,
                   const QString& uncolouredPath, QString* error, const QString& outlinePath = {});

} // namespace cuaderno::samples
