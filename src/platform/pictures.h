// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Loads GIF, JPEG and icon files through the case-blind directory lookup.

#include <QImage>
#include <QString>

namespace cuaderno {

struct PictureLoad {
    QImage image;  // null when the load failed
    QString error; // Spanish description of the failure
    bool ok() const { return !image.isNull(); }
};

class Pictures {
public:
    // The first frame of the picture at path, or a failure that names the file. Of a file
    // that holds several sizes (an icon), the one closest to preferred when that is given.
    static PictureLoad load(const QString& path, QSize preferred = QSize());
};

} // namespace cuaderno
