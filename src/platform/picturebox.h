#pragma once
// A picture box: it has its own picture, whose size it takes, and an image on show.
// Setting the picture shows it; a painted layer goes into the image on show only, and
// uncovering a rectangle copies the own picture back into it. Repaints draw the image on
// show, so the windowing system never spoils what has been painted or uncovered.

#include "twipsgeometry.h"

#include <QImage>
#include <QRectF>
#include <QWidget>

namespace cuaderno {

class PictureBox final : public QWidget, public TwipsGeometry {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Border drawn inside the box, in pixels; it adds to the size a picture gives.
    void setBorderWidth(int pixels);

    // The box takes the picture's size (plus its border) and shows the picture plainly.
    void setPicture(const QImage& picture);
    // Drops the picture; the box shows its background.
    void clearPicture();
    const QImage& picture() const { return picture_; }
    const QImage& imageOnShow() const { return shown_; }

    // Paints source (twips, in layer's pixels × twips per pixel) of layer onto destination
    // (twips, in this box) of the image on show, stretching as needed.
    void paintLayer(const QImage& layer, const QRectF& source, const QRectF& destination);
    // Copies the rectangle (twips, in this box) of the own picture into the image on show.
    void uncover(const QRectF& rectangle);

Q_SIGNALS:
    // Every pointer move over the box, with the buttons held and the position in twips.
    void mouseMoved(Qt::MouseButtons buttons, QPointF positionTwips);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QRect toPixels(const QRectF& twips) const;

    QImage picture_;
    QImage shown_;
    int borderPx_ = 0;
};

} // namespace cuaderno
