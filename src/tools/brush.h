// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The colouring brush: at each move with a button held, the rectangle of the brush's size
// centred on the pointer shows the canvas's own picture, the coloured drawing. Between two
// moves of one stroke the brush is stamped along the way, so fast strokes leave no gaps.

#include <QLineF>
#include <QList>
#include <QPointF>
#include <QRectF>

namespace cuaderno {

class ImageControl;
class PictureBox;

// The brush's rectangle in the canvas for a pointer at (x, y), in twips: each half size is
// rounded down and each sum is formed in single precision, as the brush has always done.
QRectF brushRectangle(float x, float y, float width, float height);

// Stamps the brush along a stroke (twips) from its p1, stamped by the move before, to its p2:
// stamps at most half a brush apart, the last one at p2, where the brush is left; a stroke of
// one point stamps there once. Only the part inside the canvas changes and is repainted.
void stampStroke(ImageControl& brush, PictureBox& canvas, const QLineF& stroke);
// The strokes of one event, one per finger (each a brush of its own), repainted in one pass.
void stampStrokes(ImageControl& brush, PictureBox& canvas, const QList<QLineF>& strokes);

} // namespace cuaderno
