// SPDX-License-Identifier: GPL-3.0-or-later
#include "pageturn.h"

#include "browser/drawinglibrary.h"
#include "layout/screenlayout.h"
#include "platform/animatedpicture.h"
#include "platform/directorylookup.h"
#include "platform/picturebox.h"
#include "platform/pictures.h"
#include "platform/screen.h"
#include "platform/sound.h"
#include "platform/units.h"

#include <limits>

namespace cuaderno {

void PageTurn::stopAnimation()
{
    stage_.animation.hide();
    stage_.animation.setFile(QString());
}

void PageTurn::repaintWindow()
{
    if (stage_.repaintWindow) {
        stage_.repaintWindow();
    }
}

void PageTurn::hideCanvas()
{
    stage_.canvas.hide();
}

void PageTurn::takeOldPageOff()
{
    stopAnimation();
    repaintWindow();
    hideCanvas();
}

void PageTurn::presentDrawing(std::uint8_t category, std::int16_t n)
{
    PictureBox& canvas = stage_.canvas;
    const DrawingLibrary library(stage_.appFolder);
    const QString extension = library.drawingExtension(category, n);
    const QString colouredPath = library.colouredDrawingPath(category, n, extension);
    const QString uncolouredPath = library.uncolouredDrawingPath(category, n);

    // Decoded once; the canvas takes it before the fit and again after it.
    const PictureLoad coloured = Pictures::load(colouredPath);
    if (coloured.ok()) {
        canvas.setPicture(coloured.image);
    }
    canvas.setLeftTwips((stage_.screen.widthTwips() - canvas.widthTwips()) / 2.0f);
    const CanvasFit fit = fitCanvas(stage_.buttonRow.topTwips(), canvas.heightTwips());
    canvas.setTopTwips(fit.top);
    if (fit.height) {
        canvas.setHeightTwips(*fit.height);
    }
    const AnimationPlace place =
        placeAnimation(canvas.leftTwips(), canvas.topTwips(), canvas.widthTwips());
    stage_.animation.setTopTwips(place.top);
    stage_.animation.setLeftTwips(place.left);
    canvas.update();
    canvas.show();

    // Without the new colours no new outlines go on: the previous page stays as it was.
    if (!coloured.ok()) {
        return;
    }
    // The holder never keeps the previous drawing's outlines for the new colours.
    if (const PictureLoad uncoloured = Pictures::load(uncolouredPath); uncoloured.ok()) {
        stage_.holder.setPicture(uncoloured.image);
    } else {
        stage_.holder.clearPicture();
    }
    // Taking the picture again gives back the full height a tall drawing lost in the fit;
    // the canvas's own copy is already in the form it keeps, so it is not converted twice.
    const QImage picture = canvas.picture();
    canvas.setPicture(picture);
    // At the canvas's own size the outlines fall exactly on the colours under them.
    const QRectF whole(0.0, 0.0, canvas.widthTwips(), canvas.heightTwips());
    canvas.paintLayer(stage_.holder.picture(), whole, whole);
}

void PageTurn::finish(const QString& soundFragment)
{
    stage_.sound.play(stage_.appFolder + soundFragment);

    std::int16_t& number = stage_.animationNumber;
    const auto animation = [&number] { return QStringLiteral("/animados/%1.gif").arg(number); };
    checkedIncrement(number);
    // The data tree's names are matched whatever their case; the folder is taken as it is.
    if (DirectoryLookup::find(stage_.appFolder + animation().toUpper()).isEmpty()) {
        number = 1;
    }
    stage_.animation.show();
    stage_.animation.setFile(stage_.appFolder + animation());
}

std::int16_t* drawingEntry(std::array<std::int16_t, 11>& table, std::uint8_t category)
{
    return category < table.size() ? &table[category] : nullptr;
}

std::optional<std::uint8_t> categoryForButton(int index)
{
    if (index < -1 || index >= std::numeric_limits<std::uint8_t>::max()) {
        return std::nullopt;
    }
    return std::uint8_t(index + 1);
}

} // namespace cuaderno
