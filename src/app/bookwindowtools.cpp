// SPDX-License-Identifier: GPL-3.0-or-later
#include "bookwindow.h"

#include "platform/messagebox.h"
#include "tools/brush.h"
#include "tools/numberedfiles.h"
#include "tools/printerswitch.h"
#include "tools/printing.h"
#include "tools/toolpictures.h"

#include <QPainter>

namespace cuaderno {

void BookWindow::nextBrush()
{
    // No handling: a step that fails ends the handler; what it had not reached stays as it
    // was, so an unreadable picture keeps the previous face and brush size.
    QString error;
    if (!brushPictures().advance(state.brushNumber, state.appFolder, error)) {
        return;
    }
    const QString path = brushPictures().path(state.appFolder, state.brushNumber);
    if (!showOnFace(*brushButton, path, error)) {
        return;
    }
    takeBrushSize(brushShape, path, error);
}

// The pointer and print buttons have one trap each: a failure ends the handler with one
// message.
void BookWindow::nextPointer()
{
    QString error;
    const bool done =
        pointerIcons().advance(state.pointerNumber, state.appFolder, error) &&
        showOnFace(*pointerButton, pointerIcons().path(state.appFolder, state.pointerNumber),
                   error) &&
        setCanvasPointer(*canvas, pointerIcons().path(state.appFolder, state.pointerNumber), error);
    if (!done) {
        services_.messages.show(QStringLiteral("Atención: ") + error);
    }
}

void BookWindow::printPage()
{
    QString error;
    if (printingSwitchedOn(state.printerSwitch) &&
        !printCanvas(*canvas, services_.printer, error)) {
        services_.messages.show(QStringLiteral("Atención: ") + error);
    }
}

void BookWindow::colourAt(Qt::MouseButtons buttons, QPointF to, QPointF from)
{
    // Any button, or any mix of them, colours; a move with none colours nothing.
    if (buttons != Qt::NoButton) {
        stampStroke(brushShape, *canvas, QLineF(from, to));
    }
}

void BookWindow::colourStrokes(const QList<QLineF>& strokes)
{
    stampStrokes(brushShape, *canvas, strokes);
}

void BookWindow::paintBackground(QPainter& painter)
{
    // Where the background cannot be tiled the window keeps its black back colour.
    background_.tile(painter, rect(), applicationFolder_ + QStringLiteral("/fondo.gif"));
}

} // namespace cuaderno
