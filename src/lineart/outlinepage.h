// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lineart.h"
#include "raster.h"

namespace cuaderno::lineart {

namespace detail {
// Dark ink of a page after its paper colour and shading are divided out; the cut used
// (0..1 of the paper's brightness) is reported if asked for.
Mask inkOnPaper(const QImage& page, float* threshold);
} // namespace detail

// The page whose lines are given: the lines as the uncoloured version, and every closed
// area filled with a colour in the coloured one.
ColouringPage colourPage(const detail::Mask& lines, const Options& options);

} // namespace cuaderno::lineart
