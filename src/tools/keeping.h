// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Leaving a page: what the child coloured on it goes to the keeper; an untouched page does not.

#include <array>
#include <cstdint>

namespace cuaderno {

class Keeper;
class PictureBox;

// Hands the canvas's image on show to the keeper, named by the category and its entry in
// numbers, when the child has coloured it since the page turn or since it was last kept, so
// that the several ways out of one page keep it once.
void keepColouredPage(PictureBox& canvas, Keeper& keeper, std::uint8_t category,
                      const std::array<std::int16_t, 11>& numbers);

} // namespace cuaderno
