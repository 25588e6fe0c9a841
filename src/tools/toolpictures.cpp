// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolpictures.h"

#include "platform/graphicalbutton.h"
#include "platform/imagecontrol.h"
#include "platform/pictures.h"

#include <QCursor>
#include <QPixmap>
#include <QWidget>

namespace cuaderno {

namespace {

bool load(const QString& path, QImage& image, QString& error, QSize preferred = QSize())
{
    PictureLoad loaded = Pictures::load(path, preferred);
    if (!loaded.ok()) {
        error = loaded.error;
        return false;
    }
    image = std::move(loaded.image);
    return true;
}

} // namespace

bool showOnFace(GraphicalButton& button, const QString& path, QString& error)
{
    QImage face;
    if (!load(path, face, error)) {
        return false;
    }
    button.setFace(QPixmap::fromImage(face));
    return true;
}

bool takeBrushSize(ImageControl& brush, const QString& path, QString& error)
{
    QImage picture;
    if (!load(path, picture, error)) {
        return false;
    }
    brush.takePictureSize(picture.width(), picture.height());
    return true;
}

bool setCanvasPointer(QWidget& canvas, const QString& path, QString& error)
{
    // The usual pointer size, where an icon offers several.
    const QSize pointerSize(32, 32);
    QImage icon;
    if (!load(path, icon, error, pointerSize)) {
        return false;
    }
    const QPixmap pointer = QPixmap::fromImage(icon);
    canvas.setCursor(QCursor(pointer, pointer.width() / 2, pointer.height() / 2));
    return true;
}

} // namespace cuaderno
