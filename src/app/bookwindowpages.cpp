// SPDX-License-Identifier: GPL-3.0-or-later
#include "bookwindow.h"

#include "browser/drawinglibrary.h"
#include "browser/pageturn.h"
#include "platform/units.h"
#include "tools/keeping.h"

namespace cuaderno {

namespace {

PageTurn pageTurnOf(BookWindow& window, const Services& services)
{
    return PageTurn({[&window] { window.update(); }, *window.canvas, *window.outlineHolder,
                     *window.animation, *window.previousButton, services.screen, services.sound,
                     window.state.appFolder, window.state.animationNumber});
}

} // namespace

// The three page turns run skip and continue: a step that fails is passed over silently
// and the next one runs. d is the current category's entry, read afresh at each step. Each
// first keeps the page being left, if the child coloured it.

void BookWindow::showPreviousDrawing()
{
    keepColouredPage(*canvas, services_.keeper, state.category, state.drawingNumber);
    PageTurn turn = pageTurnOf(*this, services_);
    const DrawingLibrary library(state.appFolder);
    turn.stopAnimation();
    turn.repaintWindow();
    if (std::int16_t* d = drawingEntry(state.drawingNumber, state.category)) {
        checkedDecrement(*d);
    }
    turn.hideCanvas();
    if (std::int16_t* d = drawingEntry(state.drawingNumber, state.category);
        d != nullptr && !library.drawingExists(state.category, *d)) {
        *d = library.lastDrawingNumber(state.category);
    }
    if (const std::int16_t* d = drawingEntry(state.drawingNumber, state.category)) {
        turn.presentDrawing(state.category, *d);
    }
    turn.finish(QStringLiteral("/sonido2.wav"));
}

void BookWindow::showNextDrawing()
{
    keepColouredPage(*canvas, services_.keeper, state.category, state.drawingNumber);
    PageTurn turn = pageTurnOf(*this, services_);
    const DrawingLibrary library(state.appFolder);
    turn.takeOldPageOff();
    if (std::int16_t* d = drawingEntry(state.drawingNumber, state.category)) {
        checkedIncrement(*d);
    }
    if (std::int16_t* d = drawingEntry(state.drawingNumber, state.category);
        d != nullptr && !library.drawingExists(state.category, *d)) {
        *d = 1;
    }
    if (const std::int16_t* d = drawingEntry(state.drawingNumber, state.category)) {
        turn.presentDrawing(state.category, *d);
    }
    turn.finish(QStringLiteral("/sonido1.wav"));
}

void BookWindow::openCategory(int button)
{
    keepColouredPage(*canvas, services_.keeper, state.category, state.drawingNumber);
    PageTurn turn = pageTurnOf(*this, services_);
    const DrawingLibrary library(state.appFolder);
    if (const auto category = categoryForButton(button)) {
        state.category = *category;
    }
    turn.takeOldPageOff();
    // A category visited before opens at the drawing it was left at.
    if (std::int16_t* d = drawingEntry(state.drawingNumber, state.category);
        d != nullptr && !library.drawingExists(state.category, *d)) {
        *d = 1;
    }
    if (const std::int16_t* d = drawingEntry(state.drawingNumber, state.category)) {
        turn.presentDrawing(state.category, *d);
    }
    turn.finish(QStringLiteral("/sonido1.wav"));
}

} // namespace cuaderno
