// SPDX-License-Identifier: GPL-3.0-or-later
#include "messagebox.h"

#include <QMessageBox>

namespace cuaderno {

QtMessageBox::QtMessageBox(QWidget* parent, QString title)
    : parent_(parent), title_(std::move(title))
{}

void QtMessageBox::show(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, title_, text, QMessageBox::Ok, parent_.data());
    box.exec();
}

} // namespace cuaderno
