#include "picturebox.h"

#include "screen.h"
#include "units.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace cuaderno {

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent), TwipsGeometry(static_cast<QWidget&>(*this))
{
    setAttribute(Qt::WA_StaticContents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void PictureBox::setBorderWidth(int pixels)
{
    borderPx_ = std::max(0, pixels);
    update();
}

void PictureBox::setPicture(const QImage& picture)
{
    // An opaque picture is kept in the screen's own format, so that repainting a rectangle of
    // it is a plain copy rather than a blend.
    picture_ = picture.convertToFormat(
        picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    shown_ = picture_;
    takePixelSize(picture_.width(), picture_.height(), 2.0f * float(borderPx_) * twipsPerPixel());
    update();
}

void PictureBox::clearPicture()
{
    picture_ = QImage();
    shown_ = QImage();
    update();
}

QRect PictureBox::toPixels(const QRectF& twips) const
{
    const double perPixel = twipsPerPixel();
    const int x0 = twipsToPixels(twips.left(), perPixel);
    const int y0 = twipsToPixels(twips.top(), perPixel);
    const int x1 = twipsToPixels(twips.left() + twips.width(), perPixel);
    const int y1 = twipsToPixels(twips.top() + twips.height(), perPixel);
    return QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1));
}

void PictureBox::paintLayer(const QImage& layer, const QRectF& source, const QRectF& destination)
{
    if (layer.isNull() || shown_.isNull()) {
        return;
    }
    const double perPixel = twipsPerPixel();
    const QRectF sourcePx(source.left() / perPixel, source.top() / perPixel,
                          source.width() / perPixel, source.height() / perPixel);
    const QRect target = toPixels(destination);
    if (target.isEmpty() || sourcePx.isEmpty()) {
        return;
    }
    // A layer with see-through parts must leave them see-through, as on a transparent picture.
    if (layer.hasAlphaChannel() && !shown_.hasAlphaChannel()) {
        shown_.convertTo(QImage::Format_ARGB32_Premultiplied);
    }
    {
        QPainter painter(&shown_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRectF(target), layer, sourcePx);
    }
    update(target);
}

void PictureBox::uncover(const QRectF& rectangle)
{
    if (picture_.isNull()) {
        return;
    }
    const QRect area = toPixels(rectangle).intersected(shown_.rect());
    if (area.isEmpty()) {
        return;
    }
    {
        QPainter painter(&shown_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(area.topLeft(), picture_, area);
    }
    update(area);
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    // An opaque picture covers its own area: the white is needed only around or through it.
    const QRect onShow = shown_.rect().translated(borderPx_, borderPx_);
    if (shown_.isNull() || shown_.hasAlphaChannel() || !onShow.contains(dirty)) {
        painter.fillRect(dirty, Qt::white);
    }
    if (!shown_.isNull()) {
        painter.drawImage(dirty.topLeft(), shown_, dirty.translated(-borderPx_, -borderPx_));
    }
    if (borderPx_ > 0) {
        painter.setPen(QPen(Qt::black, borderPx_));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    const double perPixel = twipsPerPixel();
    const QPointF position = event->position() * perPixel;
    Q_EMIT mouseMoved(event->buttons(), position);
}

} // namespace cuaderno
