// SPDX-License-Identifier: GPL-3.0-or-later
#include "bookwindow.h"

#include "platform/messagebox.h"
#include "tools/brush.h"
#include "tools/numberedfiles.h"
#include "tools/printing.h"
#include "tools/toolpictures.h"

#include <QPainter>

namespace cuaderno {

void Form1::Command1_Click()
{
    // No handling: a step that fails ends the handler; what it had not reached stays as it
    // was, so an unreadable picture keeps the previous face and brush size.
    QString error;
    if (!brushPictures().advance(brushNumber, appFolder, error)) {
        return;
    }
    const QString path = brushPictures().path(appFolder, brushNumber);
    if (!showOnFace(*Command1, path, error)) {
        return;
    }
    takeBrushSize(Image1, path, error);
}

void Form1::Command6_Click(std::int16_t Index)
{
    // One trap over both buttons: the first failure ends the handler with one message.
    QString error;
    bool done = true;
    if (Index == 0) {
        done = pointerIcons().advance(pointerNumber, appFolder, error) &&
               showOnFace(*Command6[0], pointerIcons().path(appFolder, pointerNumber), error) &&
               setCanvasPointer(*Picture1, pointerIcons().path(appFolder, pointerNumber), error);
    } else if (Index == 1) {
        done =
            !printingSwitchedOn(printerSwitch) || printCanvas(*Picture1, services_.printer, error);
    }
    if (!done) {
        services_.messages.show(QStringLiteral("Atención: ") + error);
    }
}

void Form1::Picture1_Mousemove(Qt::MouseButtons Button, float X, float Y, QPointF From)
{
    // Any button, or any mix of them, colours; a move with none colours nothing.
    if (Button != Qt::NoButton) {
        stampStroke(Image1, *Picture1, QLineF(From, QPointF(X, Y)));
    }
}

void Form1::Picture1_StrokesMoved(const QList<QLineF>& strokes)
{
    stampStrokes(Image1, *Picture1, strokes);
}

void Form1::Form_Paint(QPainter& painter)
{
    // Where the background cannot be tiled the window keeps its black back colour.
    background_.tile(painter, rect(), applicationFolder_ + QStringLiteral("/fondo.gif"));
}

} // namespace cuaderno
