// SPDX-License-Identifier: GPL-3.0-or-later
#include "twipsgeometry.h"

#include "screen.h"
#include "units.h"

#include <QWidget>

#include <algorithm>

namespace cuaderno {

void TwipsGeometry::setLeftTwips(float value)
{
    left_ = value;
    place();
}

void TwipsGeometry::setTopTwips(float value)
{
    top_ = value;
    place();
}

void TwipsGeometry::setWidthTwips(float value)
{
    width_ = value;
    place();
}

void TwipsGeometry::setHeightTwips(float value)
{
    height_ = value;
    place();
}

void TwipsGeometry::setGeometryTwips(float left, float top, float width, float height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    place();
}

void TwipsGeometry::takePixelSize(int widthPx, int heightPx, float extraTwips)
{
    const float perPixel = twipsPerPixel();
    width_ = float(widthPx) * perPixel + extraTwips;
    height_ = float(heightPx) * perPixel + extraTwips;
    place();
}

void TwipsGeometry::place()
{
    const double perPixel = twipsPerPixel();
    const int x = twipsToPixels(left_, perPixel);
    const int y = twipsToPixels(top_, perPixel);
    const int w = std::max(0, twipsToPixels(width_, perPixel));
    const int h = std::max(0, twipsToPixels(height_, perPixel));
    widget_.setGeometry(x, y, w, h);
}

} // namespace cuaderno
