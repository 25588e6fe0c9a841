// SPDX-License-Identifier: GPL-3.0-or-later
#include "spanish.h"

namespace cuaderno {

QString plural(qint64 count, const QString& one, const QString& many)
{
    return (count == 1 ? one : many).arg(count);
}

QString numberRange(int first, int last, const QString& one, const QString& many)
{
    return first == last ? one.arg(first) : many.arg(first).arg(last);
}

QString sentence(QString text)
{
    if (text.isEmpty()) {
        return text;
    }
    // A message that opens with a quoted name keeps the name as it is.
    if (text.at(0).isLower()) {
        text[0] = text.at(0).toUpper();
    }
    if (!text.endsWith(u'.') && !text.endsWith(u'?') && !text.endsWith(u'!') &&
        !text.endsWith(u'…')) {
        text += u'.';
    }
    return text;
}

} // namespace cuaderno
