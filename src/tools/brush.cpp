// SPDX-License-Identifier: GPL-3.0-or-later
#include "brush.h"

#include "platform/imagecontrol.h"
#include "platform/picturebox.h"

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

} // namespace

QRectF brushRectangle(float x, float y, float width, float height)
{
    const float top = (y + originY) - half(height);
    const float left = (x + originX) - half(width);
    return QRectF(left, top, width, height);
}

void stampBrush(ImageControl& brush, PictureBox& canvas, float x, float y)
{
    const QRectF area = brushRectangle(x, y, brush.widthTwips(), brush.heightTwips());
    brush.setTopTwips(float(area.top()));
    brush.setLeftTwips(float(area.left()));
    canvas.uncover(area);
}

void stampBrushes(ImageControl& brush, PictureBox& canvas, const QList<QPointF>& points)
{
    for (const QPointF& at : points) {
        stampBrush(brush, canvas, float(at.x()), float(at.y()));
    }
}

} // namespace cuaderno
