// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture box: it has its own picture, whose size it takes, and an image on show.
// Setting the picture shows it; a painted layer goes into the image on show only, and
// uncovering a rectangle copies the own picture back into it. Repaints draw the image on
// show, so the windowing system never spoils what has been painted or uncovered.
// Fingers and pens reach the box as themselves, never through the mouse events made from them.
// Each pointer's moves are reported as strokes, from where it was at its previous move, so
// that a fast swipe colours a band rather than dots.

#include "twipsgeometry.h"

#include <QImage>
#include <QLineF>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <optional>
#include <vector>

class QTouchEvent;

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
    // (twips, in this box) of the image on show, stretching as needed; the layer's
    // transparent parts show white.
    void paintLayer(const QImage& layer, const QRectF& source, const QRectF& destination);
    // Copies the rectangle (twips, in this box) of the own picture into the image on show.
    // Every brush stamp, whatever the pointer, comes through here.
    void uncover(const QRectF& rectangle);
    // The same for several rectangles at once, repainted in one pass.
    void uncover(const QList<QRectF>& rectangles);
    // Uncoverings that changed the image on show since the picture was last set, whichever
    // pointer made them: above 0, the child has coloured this page.
    int uncoveredSinceSet() const { return uncovered_; }
    // Whether the child has coloured the drawing on show: uncovered some of it since a page
    // turn laid the uncoloured layer over it, and since the page was last kept. Uncovering a
    // picture with no layer shows nothing.
    bool coloured() const { return layered_ && uncovered_ > keptAt_; }
    // The page as shown now is kept: it counts as coloured again only once uncovered further.
    void markKept() { keptAt_ = uncovered_; }

Q_SIGNALS:
    // Every pointer move over the box, with the buttons held and the position in twips;
    // from is where the held mouse was at the previous move of its stroke, or the position
    // itself where the stroke starts (no move since the press, the picture or a release).
    void mouseMoved(Qt::MouseButtons buttons, QPointF positionTwips, QPointF fromTwips);
    // The strokes one event moved while pressed on the box, in twips, each from the point's
    // previous move to its new position (a single point at its first move): fingers that
    // landed on it since the picture was set, or a pen's tip.
    void strokesMoved(const QList<QLineF>& strokesTwips);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;

private:
    struct Finger {
        int id;
        QPointF at; // pixels
        bool moved;
    };

    QRect toPixels(const QRectF& twips) const;
    void forgetStrokes();
    void followFingers(const QTouchEvent& event);

    QImage picture_;
    QImage shown_;
    int borderPx_ = 0;
    int uncovered_ = 0;
    int keptAt_ = 0; // uncovered_ when the page was last kept
    std::vector<Finger> fingers_;
    std::optional<QPointF> mouseAt_; // pixels, while a held mouse's stroke goes on
    std::optional<QPointF> penAt_;   // the same for a pen's tip
    QList<QLineF> moved_;
    bool layered_ = false;
};

} // namespace cuaderno
