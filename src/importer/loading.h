// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads a picture file defensively: a file the parent chose may be anything.

#include "library/outcome.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QStringList>

namespace cuaderno::importer {

struct Source {
    QImage image;   // a bitmap, ARGB32 or RGB32, upright; null for an SVG
    QByteArray svg; // the document, checked to refer to nothing outside itself
    QSize size;     // the picture's own size
    bool jpeg = false;
    QStringList warnings;
};

inline constexpr qint64 maxFileBytes = 100 * 1024 * 1024;
inline constexpr qint64 maxSvgBytes = 16 * 1024 * 1024;
// A progressive JPEG's coefficients, held for the whole picture while it decodes, are refused
// above this (about 53 million pixels with the usual chroma subsampling).
inline constexpr qint64 maxCoefficientBytes = 160 * 1024 * 1024;
// Pixels a header may claim: what the process's image allocation limit lets Qt decode whole
// (4 bytes a pixel); a format decoded scaled down (JPEG) may claim more.
qint64 maxPixels(bool scalable);

// Loads the file; a bitmap is decoded no larger than needed for bounds (JPEG is decoded
// scaled down, which keeps large photographs fast and small in memory).
Outcome<Source> load(const QString& file, QSize bounds);

// What load() requires of an SVG before anything else parses it: no entities, no outside
// references, and no more levels, elements, copies or embedded pixels than svgbudget.h allows.
Outcome<void> vetSvg(const QByteArray& svg, const QString& file);

} // namespace cuaderno::importer
