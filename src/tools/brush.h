// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The colouring brush: at each move with a button held, the rectangle of the brush's size
// centred on the pointer shows the canvas's own picture, the coloured drawing.

#include <QList>
#include <QPointF>
#include <QRectF>

namespace cuaderno {

class ImageControl;
class PictureBox;

// The brush's rectangle in the canvas for a pointer at (x, y), in twips: each half size is
// rounded down and each sum is formed in single precision, as the brush has always done.
QRectF brushRectangle(float x, float y, float width, float height);

// Moves the brush to the pointer and uncovers its rectangle on the canvas; only the part
// inside the canvas changes, and only that part is repainted.
void stampBrush(ImageControl& brush, PictureBox& canvas, float x, float y);
// A stamp at each point (twips), as the mouse with a button held makes at each move: every
// finger is a brush of its own. The canvas repaints all their rectangles in one pass.
void stampBrushes(ImageControl& brush, PictureBox& canvas, const QList<QPointF>& points);

} // namespace cuaderno
