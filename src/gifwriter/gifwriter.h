// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIODevice>
#include <QImage>
#include <QList>
#include <QString>

namespace cuaderno {

// Qt reads GIF but cannot write it, so every GIF this project writes goes through giflib.
// Colours are reduced to one 256-entry palette by median cut; pure black and
// pure white are always kept so outlines and paper survive exactly.

// A still picture. Pixels less than half opaque become the transparent colour.
// Written whole or not at all (the file appears only once complete).
bool writeGif(const QString& path, const QImage& image, QString* error);
// Into an open device, for callers that place the file themselves.
bool writeGif(QIODevice& device, const QImage& image, QString* error);

// A looping animation; every frame must have the size of the first one.
bool writeAnimatedGif(const QString& path, const QList<QImage>& frames, int delayCentiseconds,
                      QString* error);

} // namespace cuaderno
