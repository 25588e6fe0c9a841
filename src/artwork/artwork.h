// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own pictures, compiled in: button faces, category icons, title, icon.

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace cuaderno {

enum class Art { Previous, Next, Quit, Hand, Printer };

QString programTitle();
QIcon beachBallIcon();
// The picture the canvas shows before the first drawing, 679 × 440 pixels.
QImage titlePicture();
QPixmap buttonFace(Art art);
// Icon and Spanish name of category button index (0 to 9).
QPixmap categoryFace(int index);
// The same icon at the book's size and at the parents' window's larger size.
QIcon categoryIcon(int index);
QString categoryName(int index);

} // namespace cuaderno
