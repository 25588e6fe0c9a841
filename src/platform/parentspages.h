// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the parents' pages that list pictures share: reading a picture only as large as it is
// shown, and asking before a change that cannot be undone. Each page keeps its own words.

#include <QImage>
#include <QSize>
#include <QString>

class QWidget;

namespace cuaderno {

// The picture at path decoded at most at `within`, its proportions kept and never under one
// pixel a side, or whole when `within` is not valid. An unreadable file, or one that changed
// since it was listed, gives a null image.
QImage readPictureWithin(const QString& path, QSize within = QSize());

// The words of a question asked before a change that cannot be undone.
struct Confirmation {
    QString title;
    QString question;
    QString yes; // the button that makes the change
    QString no;  // the default button
};
// Asks in a modal box; true only when the parent presses the `yes` button.
bool confirmChange(QWidget* parent, const Confirmation& confirmation);

} // namespace cuaderno
