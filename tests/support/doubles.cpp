// SPDX-License-Identifier: GPL-3.0-or-later
#include "doubles.h"

namespace cuaderno::test {

bool RecordingPrinter::printPicture(const QImage& picture, QSizeF sizeTwips, QString& error)
{
    if (!failWith.isEmpty()) {
        error = failWith;
        return false;
    }
    jobs.append({picture, sizeTwips});
    return true;
}

} // namespace cuaderno::test
