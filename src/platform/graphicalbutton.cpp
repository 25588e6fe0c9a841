// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphicalbutton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QTouchEvent>

namespace cuaderno {

GraphicalButton::GraphicalButton(const QString& accessibleName, QColor background, QWidget* parent)
    : QAbstractButton(parent), TwipsGeometry(static_cast<QWidget&>(*this)), background_(background)
{
    // The name is for screen readers only: no tooltip. Children who cannot read have no use
    // for one, and on Wayland (Qt 6.4) a tooltip showing under the pointer takes the pointer
    // to its own window, which turns the hand into the arrow until the next click.
    setAccessibleName(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    // Qt turns only a lone finger into mouse events: with another finger on the canvas, a
    // button that waited for the mouse would never hear the tap.
    setAttribute(Qt::WA_AcceptTouchEvents);
}

void GraphicalButton::setFace(const QPixmap& face)
{
    face_ = face;
    update();
}

bool GraphicalButton::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        followFinger(static_cast<const QTouchEvent&>(*event));
        event->accept();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        // The mouse a touch screen makes of the tap it has already reported would click again.
        if (const QPointingDevice* device = static_cast<QMouseEvent*>(event)->pointingDevice();
            device != nullptr && device->type() == QInputDevice::DeviceType::TouchScreen) {
            event->ignore();
            return true;
        }
        return QAbstractButton::event(event);
    default:
        return QAbstractButton::event(event);
    }
}

void GraphicalButton::followFinger(const QTouchEvent& event)
{
    // As with the mouse: down while the finger is on the button, a click when it lifts there.
    if (event.type() == QEvent::TouchCancel) {
        finger_ = -1;
        setDown(false);
        return;
    }
    for (const QEventPoint& point : event.points()) {
        const bool inside = hitButton(point.position().toPoint());
        if (finger_ < 0 && point.state() == QEventPoint::State::Pressed && inside && isEnabled()) {
            finger_ = point.id();
            setDown(true);
        } else if (point.id() == finger_ && point.state() == QEventPoint::State::Updated) {
            setDown(inside);
        } else if (point.id() == finger_ && point.state() == QEventPoint::State::Released) {
            finger_ = -1;
            setDown(false);
            if (inside) {
                click();
            }
        }
    }
}

QSize GraphicalButton::sizeHint() const
{
    return {75, 75};
}

void GraphicalButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect box = rect();
    const bool down = isDown();
    painter.fillRect(box, background_);
    // A raised bevel that sinks while pressed, so the child sees the press.
    const QColor light = down ? background_.darker(160) : background_.lighter(150);
    const QColor dark = down ? background_.lighter(150) : background_.darker(170);
    painter.setPen(light);
    painter.drawLine(box.topLeft(), box.topRight());
    painter.drawLine(box.topLeft(), box.bottomLeft());
    painter.setPen(dark);
    painter.drawLine(box.bottomLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomRight());
    if (!face_.isNull()) {
        const QRect inner = box.adjusted(3, 3, -3, -3);
        QSize size = face_.deviceIndependentSize().toSize();
        if (size.width() > inner.width() || size.height() > inner.height()) {
            size.scale(inner.size(), Qt::KeepAspectRatio);
        }
        QRect target(QPoint(), size);
        target.moveCenter(inner.center());
        if (down) {
            target.translate(1, 1);
        }
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(target, face_);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = box.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace cuaderno
