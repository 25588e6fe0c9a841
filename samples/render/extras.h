// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace cuaderno::samples {

// Little looping scenes shown beside the canvas.
constexpr QSize kAnimationSize(65, 57);
constexpr int kAnimationDelay = 10; // centiseconds per frame
int animationCount();
QList<QImage> animationFrames(int index); // index 0 .. animationCount() - 1

// Brush pictures: the picture's size is the brush size.
QList<int> brushSides();
QImage brushPicture(int side);

// The soft tile laid behind the buttons; it wraps seamlessly.
QImage backgroundTile();

// 16-bit mono PCM WAV files.
QByteArray pageForwardSound();
QByteArray pageBackSound();

} // namespace cuaderno::samples
