// SPDX-License-Identifier: GPL-3.0-or-later
#include "screenlayout.h"

#include "platform/units.h"

#include <cstdint>

namespace cuaderno {

ScreenLayout layoutScreen(float screenWidth, float screenHeight, const DesignGeometry& design)
{
    ScreenLayout out;
    const float side = largeButtonSide;

    // The offset uses the designed extent of the row (previous to quit), not its laid-out
    // width, so the row sits a little right of centre. Too wide a screen leaves it at 0.
    std::int16_t x0 = 0;
    if (const auto offset = floorToInt16(
            (screenWidth - (design.command2Left + side - design.command3Left)) / 2.0f)) {
        x0 = *offset;
    }
    const float top = screenHeight - side - bottomMargin;
    const float lowerTop = top + categoryButtonSide + rowGap;

    out.command3 = {float(x0), top, side, side};
    out.command4 = {out.command3.left + side + rowGap, top, side, side};
    out.command6[1] = {out.command4.left + side + rowGap, top, side, side};
    float left = out.command6[1].left + side + rowGap;
    for (std::size_t i = 0; i < 5; ++i) {
        out.command5[i] = {left, top, categoryButtonSide, categoryButtonSide};
        out.command5[i + 5] = {left, lowerTop, categoryButtonSide, categoryButtonSide};
        left = left + categoryButtonSide + rowGap;
    }
    out.command6[0] = {out.command5[4].left + categoryButtonSide + rowGap, top, side, side};
    out.command1 = {out.command6[0].left + side + rowGap, top, side, side};
    out.command2 = {out.command1.left + side + rowGap, top, side, side};

    out.canvasLeft = (screenWidth - design.canvasWidth) / 2.0f;
    const AnimationPlace animation =
        placeAnimation(out.canvasLeft, design.canvasTop, design.canvasWidth);
    out.animationLeft = animation.left;
    out.animationTop = animation.top;
    return out;
}

CanvasFit fitCanvas(float rowTop, float canvasHeight)
{
    // A half that does not fit in 16 bits leaves the top at 0, which takes the cut branch.
    const float t = float(roundToInt16((rowTop - canvasHeight) / 2.0f).value_or(0));
    if (t < 1.0f) {
        return {5.0f, rowTop - 25.0f};
    }
    return {t, std::nullopt};
}

AnimationPlace placeAnimation(float canvasLeft, float canvasTop, float canvasWidth)
{
    return {canvasLeft + canvasWidth + animationGap, canvasTop};
}

} // namespace cuaderno
