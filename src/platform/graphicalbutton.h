#pragma once
// A command button that shows a face picture on a background colour, no caption.

#include "twipsgeometry.h"

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

namespace cuaderno {

class GraphicalButton final : public QAbstractButton, public TwipsGeometry {
    Q_OBJECT
public:
    GraphicalButton(const QString& accessibleName, QColor background, QWidget* parent = nullptr);

    void setFace(const QPixmap& face);
    const QPixmap& face() const { return face_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap face_;
    QColor background_;
};

} // namespace cuaderno
