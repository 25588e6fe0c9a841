// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One page turn: take the old page off the screen, put a drawing on the canvas in two
// layers and fit it above the button row, then play the button's sound and start the
// next animation. Every step that cannot do its work leaves things as they are and the
// next one runs; nothing is kept from one page turn to the next.

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace cuaderno {

class AnimatedPicture;
class PictureBox;
class Screen;
class Sound;
class TwipsGeometry;

// What a page turn moves and uses; all of it belongs to the window.
struct PageStage {
    std::function<void()> repaintWindow;
    PictureBox& canvas;             // shows the coloured drawing under the uncoloured layer
    PictureBox& holder;             // hidden; keeps the uncoloured drawing
    AnimatedPicture& animation;     // plays beside the canvas
    const TwipsGeometry& buttonRow; // its top edge is the top of the button row
    const Screen& screen;
    Sound& sound;
    const QString& appFolder;
    std::int16_t& animationNumber;
};

class PageTurn {
public:
    explicit PageTurn(PageStage stage) : stage_(std::move(stage)) {}

    // The three steps that take the old page off, one by one for the handlers that
    // interleave them with their own, and all at once.
    void stopAnimation(); // hides it and drops its file
    void repaintWindow();
    void hideCanvas();
    void takeOldPageOff();

    // Puts drawing n of the category on the canvas, fitted and centred, with the animation
    // beside it. When the coloured file cannot be loaded the canvas keeps what it showed,
    // layers and all, refitted.
    void presentDrawing(std::uint8_t category, std::int16_t n);

    // Plays appFolder + soundFragment and starts the next animation (1 again after the last).
    void finish(const QString& soundFragment);

private:
    PageStage stage_;
};

// The table entry of a category, or null when the table has none for it.
std::int16_t* drawingEntry(std::array<std::int16_t, 11>& table, std::uint8_t category);

// The category a button stands for (button 0 is category 1); empty when it does not fit.
std::optional<std::uint8_t> categoryForButton(int index);

} // namespace cuaderno
