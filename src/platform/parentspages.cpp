// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/parentspages.h"

#include <QImageReader>
#include <QMessageBox>
#include <QPushButton>

namespace cuaderno {

QImage readPictureWithin(const QString& path, QSize within)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (within.isValid() && size.isValid()) {
        // Decodes only as many pixels as are shown.
        reader.setScaledSize(size.scaled(within, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    return reader.read();
}

bool confirmChange(QWidget* parent, const Confirmation& confirmation)
{
    QMessageBox box(QMessageBox::Question, confirmation.title, confirmation.question,
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(confirmation.yes, QMessageBox::DestructiveRole);
    box.setDefaultButton(box.addButton(confirmation.no, QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace cuaderno
