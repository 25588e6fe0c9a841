// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtprinter.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace cuaderno {

namespace {
constexpr double twipsPerInch = 1440.0;
} // namespace

QtPrinter::QtPrinter(QString outputFile) : outputFile_(std::move(outputFile)) {}

bool QtPrinter::printPicture(const QImage& picture, QSizeF sizeTwips, QString& error)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Dibujo coloreado"));
    if (!outputFile_.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(outputFile_);
    } else {
        // The default printer; a system with printers but no default takes its first one.
        QPrinterInfo target = QPrinterInfo::defaultPrinter();
        if (target.isNull()) {
            const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
            if (all.isEmpty()) {
                error = QStringLiteral("No hay ninguna impresora instalada.");
                return false;
            }
            target = all.first();
        }
        printer.setPrinterName(target.printerName());
        if (!printer.isValid()) {
            error =
                QStringLiteral("La impresora «%1» no está disponible.").arg(target.printerName());
            return false;
        }
    }

    QPainter painter;
    if (!painter.begin(&printer)) {
        error = QStringLiteral("La impresora no acepta el trabajo.");
        return false;
    }
    // The page's corner is (0, 0); the size in twips becomes the printer's own dots.
    const double dotsPerTwip = printer.resolution() / twipsPerInch;
    painter.drawImage(
        QRectF(0, 0, sizeTwips.width() * dotsPerTwip, sizeTwips.height() * dotsPerTwip), picture);
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        error = QStringLiteral("La impresora no ha podido imprimir la página.");
        return false;
    }
    return true;
}

} // namespace cuaderno
