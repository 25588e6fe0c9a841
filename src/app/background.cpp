// SPDX-License-Identifier: GPL-3.0-or-later
#include "background.h"

#include "platform/messagebox.h"
#include "platform/pictures.h"

#include <QMetaObject>
#include <QObject>
#include <QPainter>

namespace cuaderno {

TiledBackground::TiledBackground(MessageBox& messages, QObject* context)
    : messages_(messages), context_(context)
{}

bool TiledBackground::tile(QPainter& painter, const QRect& area, const QString& path)
{
    if (picture_.isNull()) {
        const PictureLoad loaded = Pictures::load(path);
        if (!loaded.ok()) {
            reportOnce(loaded.error);
            return false;
        }
        picture_ = QPixmap::fromImage(loaded.image);
    }
    // Tiles start at the area's corner; those reaching past its edges are clipped.
    painter.drawTiledPixmap(area, picture_, QPoint(0, 0));
    return true;
}

void TiledBackground::reportOnce(const QString& error)
{
    if (reported_ || context_.isNull()) {
        return;
    }
    reported_ = true;
    const QString text = QStringLiteral("No encuentro la imagen de fondo ") +
                         QStringLiteral("\r\n") + QStringLiteral("ERROR: ") + error;
    MessageBox* messages = &messages_;
    QMetaObject::invokeMethod(
        context_.data(), [messages, text] { messages->show(text); }, Qt::QueuedConnection);
}

} // namespace cuaderno
