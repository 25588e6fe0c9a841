// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A command button that shows a face picture on a background colour, no caption. A finger's
// tap clicks it, whatever other fingers are down elsewhere.

#include "twipsgeometry.h"

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

class QTouchEvent;

namespace cuaderno {

class GraphicalButton final : public QAbstractButton, public TwipsGeometry {
    Q_OBJECT
public:
    GraphicalButton(const QString& accessibleName, QColor background, QWidget* parent = nullptr);

    void setFace(const QPixmap& face);
    const QPixmap& face() const { return face_; }
    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void followFinger(const QTouchEvent& event);

    QPixmap face_;
    QColor background_;
    int finger_ = -1; // the finger holding the button down, if any
};

} // namespace cuaderno
