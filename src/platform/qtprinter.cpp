#include "qtprinter.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace cuaderno {

bool QtPrinter::printPicture(const QImage& picture, QSizeF sizeTwips, QString& error)
{
    if (QPrinterInfo::defaultPrinter().isNull() && QPrinterInfo::availablePrinters().isEmpty()) {
        error = QStringLiteral("No hay ninguna impresora instalada.");
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = QStringLiteral("La impresora no acepta el trabajo.");
        return false;
    }
    const double perTwip = printer.resolution() / 1440.0;
    painter.drawImage(QRectF(0, 0, sizeTwips.width() * perTwip, sizeTwips.height() * perTwip),
                      picture);
    if (!painter.end()) {
        error = QStringLiteral("La impresora no ha podido imprimir la página.");
        return false;
    }
    return true;
}

} // namespace cuaderno
