#include "graphicalbutton.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace cuaderno {

GraphicalButton::GraphicalButton(const QString& accessibleName, QColor background, QWidget* parent)
    : QAbstractButton(parent), TwipsGeometry(static_cast<QWidget&>(*this)), background_(background)
{
    setAccessibleName(accessibleName);
    setToolTip(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void GraphicalButton::setFace(const QPixmap& face)
{
    face_ = face;
    update();
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
