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
            (screenWidth - (design.quitButtonLeft + side - design.previousButtonLeft)) / 2.0f)) {
        x0 = *offset;
    }
    const float top = screenHeight - side - bottomMargin;
    const float lowerTop = top + categoryButtonSide + rowGap;

    out.previousButton = {float(x0), top, side, side};
    out.nextButton = {out.previousButton.left + side + rowGap, top, side, side};
    out.printButton = {out.nextButton.left + side + rowGap, top, side, side};
    float left = out.printButton.left + side + rowGap;
    for (std::size_t i = 0; i < 5; ++i) {
        out.categoryButtons[i] = {left, top, categoryButtonSide, categoryButtonSide};
        out.categoryButtons[i + 5] = {left, lowerTop, categoryButtonSide, categoryButtonSide};
        left = left + categoryButtonSide + rowGap;
    }
    out.pointerButton = {out.categoryButtons[4].left + categoryButtonSide + rowGap, top, side,
                         side};
    out.brushButton = {out.pointerButton.left + side + rowGap, top, side, side};
    out.quitButton = {out.brushButton.left + side + rowGap, top, side, side};

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
