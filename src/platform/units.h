// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Twips, rounding and checked 16-bit arithmetic shared by every module.

#include <cstdint>
#include <optional>

namespace cuaderno {

// Nearest integer, a tie going to the even neighbour; empty when the value does not fit.
std::optional<std::int16_t> roundToInt16(double value);
// Rounds toward negative infinity; empty when the value does not fit.
std::optional<std::int16_t> floorToInt16(double value);

// Adds or subtracts one; on overflow the value stays and the result is false.
bool checkedIncrement(std::int16_t& value);
bool checkedDecrement(std::int16_t& value);

// Twips to whole pixels, ties to even, clamped to what a widget can take.
int twipsToPixels(double twips, double perPixel);

} // namespace cuaderno
