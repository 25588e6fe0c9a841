// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Printing on the default printer through QPrinter, with no dialog.

#include "printer.h"

namespace cuaderno {

class QtPrinter final : public Printer {
public:
    // With an output file the page goes into that PDF file instead of a printer.
    explicit QtPrinter(QString outputFile = QString());
    bool printPicture(const QImage& picture, QSizeF sizeTwips, QString& error) override;

private:
    QString outputFile_;
};

} // namespace cuaderno
