// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's tiled background: the picture is read once, at the first repaint that can
// read it, and laid edge to edge from the top-left corner at every repaint. A picture that
// cannot be read is reported once per run, after the repaint, never from inside it: closing
// a box repaints the window, and a box per repaint would never let the child in.

#include <QPixmap>
#include <QPointer>
#include <QString>

class QObject;
class QPainter;
class QRect;

namespace cuaderno {

class MessageBox;

class TiledBackground {
public:
    // The message is posted to context's event loop.
    TiledBackground(MessageBox& messages, QObject* context);

    // Covers area with the picture at path (read only while none is held). Returns false
    // when there is nothing to tile yet.
    bool tile(QPainter& painter, const QRect& area, const QString& path);

    bool holdsPicture() const { return !picture_.isNull(); }
    // Tiles of it cover the whole area, leaving nothing of what was there before.
    bool holdsOpaquePicture() const { return holdsPicture() && !picture_.hasAlphaChannel(); }

private:
    void reportOnce(const QString& error);

    MessageBox& messages_;
    QPointer<QObject> context_;
    QPixmap picture_;
    bool reported_ = false;
};

} // namespace cuaderno
