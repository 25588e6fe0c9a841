// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures.h"

#include "directorylookup.h"

#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace cuaderno {

namespace {

// Refused before decoding: beyond what a widget can show, or beyond the process's image
// allocation limit (set once at start-up) at four bytes a pixel.
bool tooBig(QSize size)
{
    constexpr int widgetLimit = 32767;
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    return size.width() > widgetLimit || size.height() > widgetLimit ||
           (limitBytes > 0 && qint64(size.width()) * size.height() * 4 > limitBytes);
}

// Moves the reader to its picture whose size is closest to preferred (the first of equals).
void jumpToClosest(QImageReader& reader, QSize preferred)
{
    constexpr int mostEntries = 64; // a corrupt icon may claim thousands
    const int count = std::min(reader.imageCount(), mostEntries);
    if (!preferred.isValid() || count < 2) {
        return;
    }
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < count && reader.jumpToImage(i); ++i) {
        const QSize size = reader.size();
        const int distance = std::abs(size.width() - preferred.width()) +
                             std::abs(size.height() - preferred.height());
        if (size.isValid() && distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    reader.jumpToImage(best);
}

PictureLoad read(const QString& onDisk, const QString& path, bool byContent, QSize preferred)
{
    QImageReader reader(onDisk);
    reader.setDecideFormatFromContent(byContent);
    jumpToClosest(reader, preferred);
    const QSize size = reader.size();
    if (size.isValid() && tooBig(size)) {
        return {QImage(), QStringLiteral("La imagen «%1» es demasiado grande (%2 × %3 píxeles).")
                              .arg(path)
                              .arg(size.width())
                              .arg(size.height())};
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {QImage(),
                QStringLiteral("El archivo «%1» no es una imagen que se pueda leer.").arg(path)};
    }
    return {std::move(image), QString()};
}

} // namespace

PictureLoad Pictures::load(const QString& path, QSize preferred)
{
    const QString onDisk = DirectoryLookup::resolve(path);
    if (onDisk.isEmpty()) {
        return {QImage(), QStringLiteral("No se encuentra el archivo «%1».").arg(path)};
    }
    // The extension is trusted first: that needs no probing of every image plugin. A file
    // whose content is another format (a JPEG saved as .GIF) is then read by its content.
    PictureLoad load = read(onDisk, path, false, preferred);
    if (!load.ok()) {
        load = read(onDisk, path, true, preferred);
    }
    return load;
}

} // namespace cuaderno
