// SPDX-License-Identifier: GPL-3.0-or-later
#include "units.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

namespace cuaderno {

namespace {

template <typename Int> std::optional<Int> fitting(double value)
{
    if (!std::isfinite(value) || value < double(std::numeric_limits<Int>::min()) ||
        value > double(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(value);
}

double nearestEven(double value)
{
    // nearbyint honours the current rounding mode; make sure it is the default one.
    const int mode = std::fegetround();
    if (mode != FE_TONEAREST) {
        std::fesetround(FE_TONEAREST);
    }
    const double r = std::nearbyint(value);
    if (mode != FE_TONEAREST) {
        std::fesetround(mode);
    }
    return r;
}

} // namespace

std::optional<std::int16_t> roundToInt16(double value)
{
    return fitting<std::int16_t>(nearestEven(value));
}

std::optional<std::int16_t> floorToInt16(double value)
{
    return fitting<std::int16_t>(std::floor(value));
}

bool checkedIncrement(std::int16_t& value)
{
    if (value == std::numeric_limits<std::int16_t>::max()) {
        return false;
    }
    ++value;
    return true;
}

bool checkedDecrement(std::int16_t& value)
{
    if (value == std::numeric_limits<std::int16_t>::min()) {
        return false;
    }
    --value;
    return true;
}

int twipsToPixels(double twips, double perPixel)
{
    constexpr double limit = 1 << 24; // far beyond any screen, well inside QWidget's range
    if (perPixel <= 0.0 || !std::isfinite(twips)) {
        return 0;
    }
    const double px = nearestEven(twips / perPixel);
    return int(std::clamp(px, -limit, limit));
}

} // namespace cuaderno
