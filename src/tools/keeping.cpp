// SPDX-License-Identifier: GPL-3.0-or-later
#include "keeping.h"

#include "platform/keeper.h"
#include "platform/picturebox.h"

namespace cuaderno {

void keepColouredPage(PictureBox& canvas, Keeper& keeper, std::uint8_t category,
                      const std::array<std::int16_t, 11>& numbers)
{
    if (canvas.coloured() && category < numbers.size()) {
        keeper.keep(canvas.imageOnShow(), category, numbers[category]);
        canvas.markKept();
    }
}

} // namespace cuaderno
