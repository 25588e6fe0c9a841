// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formfixture.h"

#include <QColor>
#include <QImage>
#include <QRect>

namespace cuaderno::test {

// The bounding box of the pixels of image in colour; empty when there are none, and
// invalid (-1 size) when they do not fill that box exactly.
inline QRect areaOf(const QImage& image, QColor colour)
{
    QRect box;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                box |= QRect(x, y, 1, 1);
                ++count;
            }
        }
    }
    return count == box.width() * box.height() ? box : QRect(0, 0, -1, -1);
}

} // namespace cuaderno::test
