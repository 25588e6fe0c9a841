// SPDX-License-Identifier: GPL-3.0-or-later
#include "loading.h"

#include "lineart.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSvgRenderer>
#include <QXmlStreamReader>

namespace cuaderno::importer {
namespace {

QString quoted(const QString& file)
{
    return u"«" + QFileInfo(file).fileName() + u"»";
}

Failure unreadable(const QString& file)
{
    return Failure{QStringLiteral("No se puede leer la imagen %1: no es una imagen, o está dañada "
                                  "o incompleta.")
                       .arg(quoted(file))};
}

bool looksLikeSvg(const QByteArray& data)
{
    const QByteArray head = data.left(4096).trimmed();
    return (head.startsWith("<?xml") || head.startsWith("<svg") || head.startsWith("<!--") ||
            head.startsWith("<!DOCTYPE") || head.startsWith("\xEF\xBB\xBF")) &&
           head.contains("<svg");
}

// A reference to anything outside the document: a link, or url(...) not to an own id.
bool refersOutside(QStringView value, bool isLink)
{
    if (isLink) {
        const QStringView v = value.trimmed();
        return !v.isEmpty() && !v.startsWith(u'#') && !v.startsWith(u"data:");
    }
    if (value.contains(u"@import"))
        return true;
    for (qsizetype at = value.indexOf(u"url("); at >= 0; at = value.indexOf(u"url(", at + 4)) {
        QStringView target = value.mid(at + 4).trimmed();
        while (!target.isEmpty() && (target.front() == u'\'' || target.front() == u'"'))
            target = target.mid(1);
        if (!target.startsWith(u'#') && !target.startsWith(u"data:"))
            return true;
    }
    return false;
}

// Refuses what could make reading the SVG expand without bound or reach other files.
Outcome<void> checkSvg(const QByteArray& svg, const QString& file)
{
    QXmlStreamReader reader(svg);
    bool root = true;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            if (!reader.entityDeclarations().isEmpty() || reader.text().contains(u"<!ENTITY"))
                return Failure{QStringLiteral("El SVG %1 declara entidades XML; por seguridad "
                                              "no se importa.")
                                   .arg(quoted(file))};
            break;
        case QXmlStreamReader::EntityReference:
            return Failure{QStringLiteral("El SVG %1 usa entidades XML; por seguridad no se "
                                          "importa.")
                               .arg(quoted(file))};
        case QXmlStreamReader::StartElement:
            if (root && reader.name() != u"svg")
                return unreadable(file);
            root = false;
            for (const QXmlStreamAttribute& attribute : reader.attributes())
                if (refersOutside(attribute.value(), attribute.name() == u"href"))
                    return Failure{QStringLiteral("El SVG %1 usa otros archivos (%2); solo se "
                                                  "importan dibujos completos en un archivo.")
                                       .arg(quoted(file), attribute.value().left(60))};
            break;
        case QXmlStreamReader::Characters:
            if (refersOutside(reader.text(), false))
                return Failure{QStringLiteral("El SVG %1 usa otros archivos; solo se importan "
                                              "dibujos completos en un archivo.")
                                   .arg(quoted(file))};
            break;
        default:
            break;
        }
    }
    if (reader.hasError() || root)
        return unreadable(file);
    return {};
}

// A file cut short still decodes in part, as grey or garbage: its last marker is missing.
bool looksComplete(const QByteArray& data, const QByteArray& format)
{
    if (format == "jpeg")
        return data.lastIndexOf("\xFF\xD9") > data.lastIndexOf("\xFF\xDA");
    if (format == "png")
        return data.right(1024).contains("IEND");
    if (format == "gif") {
        qsizetype end = data.size();
        while (end > 0 && data[end - 1] == '\0')
            --end;
        return end > 0 && data[end - 1] == ';';
    }
    return true;
}

Outcome<Source> loadBitmap(const QByteArray& data, const QString& file, QSize bounds)
{
    QByteArray bytes = data;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    const QSize stored = reader.size();
    if (format.isEmpty() || !stored.isValid() || stored.isEmpty())
        return unreadable(file);
    const bool jpeg = format == "jpeg";
    if (qint64(stored.width()) * stored.height() > maxPixels(jpeg))
        return Failure{QStringLiteral("La imagen %1 mide %2 × %3 píxeles: es demasiado grande "
                                      "(como mucho, %4 millones de píxeles).")
                           .arg(quoted(file))
                           .arg(stored.width())
                           .arg(stored.height())
                           .arg(maxPixels(jpeg) / 1'000'000)};
    if (!looksComplete(data, format))
        return unreadable(file);
    Source source;
    source.jpeg = jpeg;
    if (source.jpeg) {
        // Decoded at twice the size it will have: enough detail, a fraction of the work.
        const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
        const QSize fit = lineart::fitSize(stored, turned ? bounds.transposed() : bounds);
        if (fit.width() * 2 < stored.width())
            reader.setScaledSize(fit * 2);
    }
    const QImage image = reader.read();
    if (image.isNull())
        return unreadable(file);
    source.image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                 : QImage::Format_RGB32);
    source.size = source.image.size();
    return source;
}

} // namespace

qint64 maxPixels(bool jpeg)
{
    const qint64 limitMb = QImageReader::allocationLimit(); // 0: no limit set
    return jpeg ? 100'000'000 : limitMb > 0 ? limitMb * 1024 * 1024 / 4 : 40'000'000;
}

Outcome<Source> load(const QString& file, QSize bounds)
{
    const QFileInfo info(file);
    if (!info.exists())
        return Failure{QStringLiteral("No se encuentra el archivo %1.").arg(quoted(file))};
    if (info.isDir())
        return Failure{
            QStringLiteral("%1 es una carpeta, no un archivo de imagen.").arg(quoted(file))};
    if (info.size() == 0)
        return Failure{QStringLiteral("El archivo %1 está vacío.").arg(quoted(file))};
    if (info.size() > maxFileBytes)
        return Failure{QStringLiteral("El archivo %1 es demasiado grande (más de %2 MB).")
                           .arg(quoted(file))
                           .arg(maxFileBytes / (1024 * 1024))};
    QFile reading(file);
    if (!reading.open(QIODevice::ReadOnly))
        return Failure{QStringLiteral("No se puede abrir el archivo %1.").arg(quoted(file))};
    const QByteArray data = reading.readAll();
    if (data.startsWith("\x1F\x8B"))
        return Failure{QStringLiteral("El archivo %1 está comprimido (.svgz o .gz); "
                                      "descomprímalo antes de importarlo.")
                           .arg(quoted(file))};

    Outcome<Source> loaded = unreadable(file);
    if (looksLikeSvg(data)) {
        if (data.size() > maxSvgBytes)
            return Failure{QStringLiteral("El SVG %1 es demasiado grande.").arg(quoted(file))};
        if (const Outcome<void> safe = checkSvg(data, file); !safe)
            return Failure{safe.error()};
        Source source;
        source.svg = data;
        source.size = QSvgRenderer(data).defaultSize();
        if (source.size.isEmpty())
            return unreadable(file);
        loaded = source;
    } else {
        loaded = loadBitmap(data, file, bounds);
    }
    if (!loaded)
        return loaded;
    Source source = loaded.value();
    const QSize fit = lineart::fitSize(source.size, bounds);
    if (fit.width() > 4 * source.size.width())
        source.warnings.append(QStringLiteral("La imagen %1 es muy pequeña (%2 × %3 píxeles): "
                                              "al agrandarla se verá borrosa.")
                                   .arg(quoted(file))
                                   .arg(source.size.width())
                                   .arg(source.size.height()));
    return source;
}

} // namespace cuaderno::importer
