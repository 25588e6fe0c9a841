// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Prints one picture on one page of the default printer.

#include <QImage>
#include <QSizeF>
#include <QString>

namespace cuaderno {

class Printer {
public:
    virtual ~Printer() = default;
    // Draws picture at the page's top-left corner stretched to sizeTwips and sends the page.
    // On failure returns false and sets error to a Spanish description.
    virtual bool printPicture(const QImage& picture, QSizeF sizeTwips, QString& error) = 0;
};

} // namespace cuaderno
