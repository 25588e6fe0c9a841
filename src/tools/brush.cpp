// SPDX-License-Identifier: GPL-3.0-or-later
#include "brush.h"

#include "platform/imagecontrol.h"
#include "platform/picturebox.h"

#include <algorithm>
#include <cmath>

namespace cuaderno {

namespace {

// The canvas's origin; the brush is centred on the pointer because both are 0.
constexpr float originX = 0.0f;
constexpr float originY = 0.0f;

float half(float size)
{
    return std::floor(size / 2.0f);
}

// A stroke crossing the whole screen with the smallest brush needs a few thousand stamps;
// the bound only keeps nonsense positions from stalling the child's book.
constexpr int mostStamps = 8192;

// The brush's rectangles along the stroke, after its first point (stamped by the move before).
void addStamps(const ImageControl& brush, const QLineF& stroke, QList<QRectF>& areas)
{
    const float width = brush.widthTwips();
    const float height = brush.heightTwips();
    const double dx = stroke.dx();
    const double dy = stroke.dy();
    // Half a brush, never under one twip so that an empty brush cannot divide by zero.
    const double across = std::max(std::abs(dx) / std::max(width / 2.0, 1.0),
                                   std::abs(dy) / std::max(height / 2.0, 1.0));
    const int steps = across > 1.0 ? int(std::min(std::ceil(across), double(mostStamps))) : 1;
    for (int k = 1; k < steps; ++k) {
        const QPointF at = stroke.pointAt(double(k) / steps);
        areas.append(brushRectangle(float(at.x()), float(at.y()), width, height));
    }
    areas.append(brushRectangle(float(stroke.x2()), float(stroke.y2()), width, height));
}

} // namespace

QRectF brushRectangle(float x, float y, float width, float height)
{
    const float top = (y + originY) - half(height);
    const float left = (x + originX) - half(width);
    return QRectF(left, top, width, height);
}

void stampStroke(ImageControl& brush, PictureBox& canvas, const QLineF& stroke)
{
    stampStrokes(brush, canvas, {stroke});
}

void stampStrokes(ImageControl& brush, PictureBox& canvas, const QList<QLineF>& strokes)
{
    QList<QRectF> areas;
    for (const QLineF& stroke : strokes) {
        addStamps(brush, stroke, areas);
    }
    if (!areas.isEmpty()) {
        brush.setTopTwips(float(areas.last().top()));
        brush.setLeftTwips(float(areas.last().left()));
    }
    canvas.uncover(areas);
}

} // namespace cuaderno
