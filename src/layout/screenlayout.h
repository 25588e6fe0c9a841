// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The button row along the bottom of the screen and the canvas placement, in twips.

#include <array>
#include <optional>

namespace cuaderno {

struct TwipsRect {
    float left = 0.0f;
    float top = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    bool operator==(const TwipsRect&) const = default;
};

// What the window looks like as designed, before the layout moves anything.
struct DesignGeometry {
    float previousButtonLeft = 600.0f;
    float quitButtonLeft = 8280.0f;
    float canvasWidth = 10185.0f;
    float canvasTop = 840.0f;
};

struct ScreenLayout {
    TwipsRect brushButton;
    TwipsRect quitButton;
    TwipsRect previousButton;
    TwipsRect nextButton;
    TwipsRect pointerButton;
    TwipsRect printButton;
    std::array<TwipsRect, 10> categoryButtons; // two rows of five
    float canvasLeft = 0.0f;
    float animationLeft = 0.0f;
    float animationTop = 0.0f;
};

inline constexpr float largeButtonSide = 1125.0f;
inline constexpr float categoryButtonSide = 495.0f;
inline constexpr float rowGap = 50.0f;
inline constexpr float bottomMargin = 100.0f;
inline constexpr float animationGap = 100.0f;

// The whole layout for a screen of the given size in twips.
ScreenLayout layoutScreen(float screenWidth, float screenHeight, const DesignGeometry& design);

// Where the canvas goes vertically above a button row whose top is rowTop.
struct CanvasFit {
    float top = 0.0f;
    std::optional<float> height; // set when the canvas must be cut to fit
    bool operator==(const CanvasFit&) const = default;
};
CanvasFit fitCanvas(float rowTop, float canvasHeight);

// The animation's place beside a canvas.
struct AnimationPlace {
    float left = 0.0f;
    float top = 0.0f;
};
AnimationPlace placeAnimation(float canvasLeft, float canvasTop, float canvasWidth);

} // namespace cuaderno
