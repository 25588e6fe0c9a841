// SPDX-License-Identifier: GPL-3.0-or-later
#include "imagecontrol.h"

#include "screen.h"

namespace cuaderno {

void ImageControl::takePictureSize(int widthPx, int heightPx)
{
    const float perPixel = twipsPerPixel();
    width_ = float(widthPx) * perPixel;
    height_ = float(heightPx) * perPixel;
}

} // namespace cuaderno
