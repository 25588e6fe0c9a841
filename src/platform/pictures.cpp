#include "pictures.h"

#include "directorylookup.h"

#include <QImageReader>

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

PictureLoad read(const QString& onDisk, const QString& path, bool byContent)
{
    QImageReader reader(onDisk);
    reader.setDecideFormatFromContent(byContent);
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

PictureLoad Pictures::load(const QString& path)
{
    const QString onDisk = DirectoryLookup::resolve(path);
    if (onDisk.isEmpty()) {
        return {QImage(), QStringLiteral("No se encuentra el archivo «%1».").arg(path)};
    }
    // The extension is trusted first: that needs no probing of every image plugin. A file
    // whose content is another format (a JPEG saved as .GIF) is then read by its content.
    PictureLoad load = read(onDisk, path, false);
    if (!load.ok()) {
        load = read(onDisk, path, true);
    }
    return load;
}

} // namespace cuaderno
