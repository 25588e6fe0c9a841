// SPDX-License-Identifier: GPL-3.0-or-later
#include "printpreview.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

namespace cuaderno {

bool QtPrintPreview::previewAndPrint(QWidget* parent, QPageSize paper, const Paint& paint)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(paper);
    printer.setDocName(QStringLiteral("Cuadernillo para colorear"));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Imprimir para colorear"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&paint](QPrinter* device) { paint(*device); });
    return dialog.exec() == QDialog::Accepted;
}

} // namespace cuaderno
