// SPDX-License-Identifier: GPL-3.0-or-later
#include "bookwindow.h"

#include "browser/drawinglibrary.h"
#include "browser/pageturn.h"
#include "platform/units.h"
#include "tools/keeping.h"

namespace cuaderno {

namespace {

PageTurn pageTurnOf(Form1& window, const Services& services)
{
    return PageTurn({[&window] { window.update(); }, *window.Picture1, *window.Picture2,
                     *window.Gif89a1, *window.Command3, services.screen, services.sound,
                     window.appFolder, window.animationNumber});
}

} // namespace

// The three page turns run skip and continue: a step that fails is passed over silently
// and the next one runs. d is the current category's entry, read afresh at each step. Each
// first keeps the page being left, if the child coloured it.

void Form1::Command3_Click()
{
    keepColouredPage(*Picture1, services_.keeper, currentCategory, drawingNumber);
    PageTurn turn = pageTurnOf(*this, services_);
    const DrawingLibrary library(appFolder);
    turn.stopAnimation();
    turn.repaintWindow();
    if (std::int16_t* d = drawingEntry(drawingNumber, currentCategory)) {
        checkedDecrement(*d);
    }
    turn.hideCanvas();
    if (std::int16_t* d = drawingEntry(drawingNumber, currentCategory);
        d != nullptr && !library.DrawingExists(currentCategory, *d)) {
        *d = library.LastDrawingNumber(currentCategory);
    }
    if (const std::int16_t* d = drawingEntry(drawingNumber, currentCategory)) {
        turn.PresentDrawing(currentCategory, *d);
    }
    turn.FinishPageTurn(QStringLiteral("/sonido2.wav"));
}

void Form1::command4_Click()
{
    keepColouredPage(*Picture1, services_.keeper, currentCategory, drawingNumber);
    PageTurn turn = pageTurnOf(*this, services_);
    const DrawingLibrary library(appFolder);
    turn.BeginPageTurn();
    if (std::int16_t* d = drawingEntry(drawingNumber, currentCategory)) {
        checkedIncrement(*d);
    }
    if (std::int16_t* d = drawingEntry(drawingNumber, currentCategory);
        d != nullptr && !library.DrawingExists(currentCategory, *d)) {
        *d = 1;
    }
    if (const std::int16_t* d = drawingEntry(drawingNumber, currentCategory)) {
        turn.PresentDrawing(currentCategory, *d);
    }
    turn.FinishPageTurn(QStringLiteral("/sonido1.wav"));
}

void Form1::Command5_Click(std::int16_t Index)
{
    keepColouredPage(*Picture1, services_.keeper, currentCategory, drawingNumber);
    PageTurn turn = pageTurnOf(*this, services_);
    const DrawingLibrary library(appFolder);
    if (const auto category = categoryForButton(Index)) {
        currentCategory = *category;
    }
    turn.BeginPageTurn();
    // A category visited before opens at the drawing it was left at.
    if (std::int16_t* d = drawingEntry(drawingNumber, currentCategory);
        d != nullptr && !library.DrawingExists(currentCategory, *d)) {
        *d = 1;
    }
    if (const std::int16_t* d = drawingEntry(drawingNumber, currentCategory)) {
        turn.PresentDrawing(currentCategory, *d);
    }
    turn.FinishPageTurn(QStringLiteral("/sonido1.wav"));
}

} // namespace cuaderno
