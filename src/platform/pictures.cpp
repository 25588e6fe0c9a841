#include "pictures.h"

#include "directorylookup.h"

#include <QImageReader>

namespace cuaderno {

namespace {

// A picture bigger than this (in MB of decoded pixels) is refused rather than decoded.
constexpr int allocationLimitMb = 256;

PictureLoad read(const QString& onDisk, const QString& path, bool byContent)
{
    QImageReader reader(onDisk);
    reader.setDecideFormatFromContent(byContent);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > 32767 || size.height() > 32767)) {
        return {QImage(), QStringLiteral("La imagen «%1» es demasiado grande (%2 × %3 píxeles).")
                              .arg(path)
                              .arg(size.width())
                              .arg(size.height())};
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {QImage(), QStringLiteral("El archivo «%1» no es una imagen que se pueda leer (%2).")
                              .arg(path, reader.errorString())};
    }
    return {std::move(image), QString()};
}

} // namespace

PictureLoad Pictures::load(const QString& path)
{
    const QString onDisk = DirectoryLookup::resolve(path);
    if (onDisk.isEmpty()) {
        return {QImage(), QStringLiteral("No se encuentra el archivo «%1».").arg(path)};
    }
    QImageReader::setAllocationLimit(allocationLimitMb);
    // The extension is trusted first: that needs no probing of every image plugin. A file
    // whose content is another format (a JPEG saved as .GIF) is then read by its content.
    PictureLoad load = read(onDisk, path, false);
    if (!load.ok()) {
        load = read(onDisk, path, true);
    }
    return load;
}

} // namespace cuaderno
