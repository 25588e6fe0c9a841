#pragma once

#include <QImage>
#include <QList>
#include <QString>

namespace cuaderno::samples {

// Qt reads GIF but cannot write it, so the data tree's GIFs go through giflib.
// Colours are reduced to one 256-entry palette by median cut; pure black and
// pure white are always kept so outlines and paper survive exactly.

// A still picture. Pixels less than half opaque become the transparent colour.
bool writeGif(const QString& path, const QImage& image, QString* error);

// A looping animation; every frame must have the size of the first one.
bool writeAnimatedGif(const QString& path, const QList<QImage>& frames, int delayCentiseconds,
                      QString* error);

} // namespace cuaderno::samples
