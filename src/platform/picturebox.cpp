// SPDX-License-Identifier: GPL-3.0-or-later
#include "picturebox.h"

#include "screen.h"
#include "units.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTabletEvent>
#include <QTouchEvent>

#include <algorithm>
#include <cmath>

namespace cuaderno {

namespace {

// Fingers and pens the box follows itself; the mouse events made from them would colour twice.
bool followedItself(const QPointingDevice* device)
{
    if (device == nullptr) {
        return false;
    }
    const QPointingDevice::PointerType pointer = device->pointerType();
    return device->type() == QInputDevice::DeviceType::TouchScreen ||
           pointer == QPointingDevice::PointerType::Pen ||
           pointer == QPointingDevice::PointerType::Eraser;
}

} // namespace

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent), TwipsGeometry(static_cast<QWidget&>(*this))
{
    setAttribute(Qt::WA_StaticContents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAttribute(Qt::WA_AcceptTouchEvents);
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
    forgetStrokes();
    takePixelSize(picture_.width(), picture_.height(), 2.0f * float(borderPx_) * twipsPerPixel());
    update();
}

void PictureBox::clearPicture()
{
    picture_ = QImage();
    shown_ = QImage();
    forgetStrokes();
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
    {
        // The layer is laid on white paper: where it is transparent the page shows white,
        // never the colours under it, which only the brush uncovers.
        QPainter painter(&shown_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        if (layer.hasAlphaChannel()) {
            painter.fillRect(target, Qt::white);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        painter.drawImage(QRectF(target), layer, sourcePx);
    }
    layered_ = true;
    update(target);
}

void PictureBox::uncover(const QRectF& rectangle)
{
    uncover(QList<QRectF>{rectangle});
}

void PictureBox::uncover(const QList<QRectF>& rectangles)
{
    if (picture_.isNull()) {
        return;
    }
    // One painter for all of them: its set-up costs more than copying a brush's rectangle.
    // It is opened only for a rectangle on the picture, so that stamps wholly outside do not
    // make the image on show a copy of its own.
    std::optional<QPainter> painter;
    for (const QRectF& rectangle : rectangles) {
        const QRect area = toPixels(rectangle).intersected(shown_.rect());
        if (!area.isEmpty()) {
            if (!painter) {
                painter.emplace(&shown_);
                painter->setCompositionMode(QPainter::CompositionMode_Source);
            }
            painter->drawImage(area.topLeft(), picture_, area);
            ++uncovered_;
            update(area);
        }
    }
}

void PictureBox::forgetStrokes()
{
    // A new page starts uncoloured, and fingers still down from the last one do not go on
    // colouring it.
    uncovered_ = 0;
    keptAt_ = 0;
    layered_ = false;
    fingers_.clear();
    mouseAt_.reset();
    penAt_.reset();
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

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    // A press starts a stroke where the next move lands; as before, it colours nothing.
    mouseAt_.reset();
    QWidget::mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    mouseAt_.reset();
    QWidget::mouseReleaseEvent(event);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    if (followedItself(event->pointingDevice())) {
        return;
    }
    const QPointF at = event->position();
    const QPointF from = event->buttons() == Qt::NoButton ? at : mouseAt_.value_or(at);
    if (event->buttons() == Qt::NoButton) {
        mouseAt_.reset();
    } else {
        mouseAt_ = at;
    }
    const double perPixel = twipsPerPixel();
    Q_EMIT mouseMoved(event->buttons(), at * perPixel, from * perPixel);
}

bool PictureBox::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        followFingers(static_cast<const QTouchEvent&>(*event));
        event->accept();
        return true;
    case QEvent::TouchCancel:
        fingers_.clear();
        event->accept();
        return true;
    default:
        return QWidget::event(event);
    }
}

void PictureBox::followFingers(const QTouchEvent& event)
{
    // Each finger is a mouse with a button held: landing colours nothing, its first move
    // colours where it has moved to, each later one the way from its previous move, and
    // lifting ends its stroke.
    moved_.clear();
    for (const QEventPoint& point : event.points()) {
        const auto finger = std::find_if(fingers_.begin(), fingers_.end(),
                                         [&point](const Finger& f) { return f.id == point.id(); });
        const QPointF at = point.position();
        switch (point.state()) {
        case QEventPoint::State::Pressed:
            // Only a finger that lands on the box colours, as only a press on it lets the
            // mouse colour; Qt may hand it a finger that landed beside it, near another.
            if (finger != fingers_.end()) {
                *finger = {point.id(), at, false};
            } else if (rect().contains(at.toPoint())) {
                fingers_.push_back({point.id(), at, false});
            }
            break;
        case QEventPoint::State::Updated:
            if (finger != fingers_.end() && finger->at != at) {
                const QPointF from = finger->moved ? finger->at : at;
                *finger = {point.id(), at, true};
                moved_.append(QLineF(from * twipsPerPixel(), at * twipsPerPixel()));
            }
            break;
        case QEventPoint::State::Released:
            if (finger != fingers_.end()) {
                fingers_.erase(finger);
            }
            break;
        default:
            break;
        }
    }
    if (!moved_.isEmpty()) {
        Q_EMIT strokesMoved(moved_);
    }
}

void PictureBox::tabletEvent(QTabletEvent* event)
{
    // A puck drives the pointer as a mouse does; the pen colours while its tip presses, and
    // its eraser end never does.
    const QPointingDevice::PointerType pointer = event->pointerType();
    if (pointer != QPointingDevice::PointerType::Pen &&
        pointer != QPointingDevice::PointerType::Eraser) {
        event->ignore();
        return;
    }
    event->accept();
    const QPointF at = event->position();
    if (event->type() != QEvent::TabletMove || pointer != QPointingDevice::PointerType::Pen ||
        event->pressure() <= 0.0) {
        penAt_.reset();
        return;
    }
    const QPointF from = penAt_.value_or(at);
    penAt_ = at;
    moved_ = {QLineF(from * twipsPerPixel(), at * twipsPerPixel())};
    Q_EMIT strokesMoved(moved_);
}

} // namespace cuaderno
