// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing.h"

#include "platform/picturebox.h"
#include "platform/printer.h"

namespace cuaderno {

bool printCanvas(const PictureBox& canvas, Printer& printer, QString& error)
{
    return printer.printPicture(canvas.picture(), QSizeF(canvas.widthTwips(), canvas.heightTwips()),
                                error);
}

} // namespace cuaderno
