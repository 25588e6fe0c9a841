#pragma once
// Printing on the default printer through QPrinter, with no dialog.

#include "printer.h"

namespace cuaderno {

class QtPrinter final : public Printer {
public:
    bool printPicture(const QImage& picture, QSizeF sizeTwips, QString& error) override;
};

} // namespace cuaderno
