// SPDX-License-Identifier: GPL-3.0-or-later
#include "textfile.h"

#include <QFile>

namespace cuaderno {

std::optional<QString> readFirstLine(const QString& path, qint64 maxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray head = file.read(maxBytes);
    file.close();
    if (head.isEmpty()) {
        return std::nullopt;
    }
    qsizetype end = head.size();
    for (qsizetype i = 0; i < head.size(); ++i) {
        if (head[i] == '\n' || head[i] == '\r') {
            end = i;
            break;
        }
    }
    return QString::fromUtf8(head.left(end));
}

} // namespace cuaderno
