// SPDX-License-Identifier: GPL-3.0-or-later
#include "loading.h"

#include "lineart.h"
#include "svgbudget.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

namespace cuaderno::importer {
namespace {

QString quoted(const QString& file)
{
    return u"«" + QFileInfo(file).fileName() + u"»";
}

Failure unreadable(const QString& file)
{
    return Failure{QStringLiteral("No se puede leer el archivo %1: no es una imagen, o la imagen "
                                  "está dañada o incompleta.")
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
    SvgBudget budget(quoted(file));
    bool root = true;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            if (!reader.entityDeclarations().isEmpty() || reader.text().contains(u"<!ENTITY"))
                return Failure{QStringLiteral("El SVG %1 declara entidades XML; por seguridad "
                                              "no se añade.")
                                   .arg(quoted(file))};
            break;
        case QXmlStreamReader::EntityReference:
            return Failure{QStringLiteral("El SVG %1 usa entidades XML; por seguridad no se "
                                          "añade.")
                               .arg(quoted(file))};
        case QXmlStreamReader::StartElement:
            if (root && reader.name() != u"svg")
                return unreadable(file);
            root = false;
            if (const std::optional<QString> refused = budget.open(reader))
                return Failure{*refused};
            for (const QXmlStreamAttribute& attribute : reader.attributes())
                if (refersOutside(attribute.value(), attribute.name() == u"href"))
                    return Failure{QStringLiteral("El SVG %1 usa otros archivos (%2); solo se "
                                                  "añaden dibujos que estén enteros en un "
                                                  "solo archivo.")
                                       .arg(quoted(file), attribute.value().left(60))};
            break;
        case QXmlStreamReader::EndElement:
            budget.close();
            break;
        case QXmlStreamReader::Characters:
            if (refersOutside(reader.text(), false))
                return Failure{QStringLiteral("El SVG %1 usa otros archivos; solo se añaden "
                                              "dibujos que estén enteros en un solo archivo.")
                                   .arg(quoted(file))};
            break;
        default:
            break;
        }
    }
    if (reader.hasError() || root)
        return unreadable(file);
    if (const std::optional<QString> refused = budget.finish())
        return Failure{*refused};
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

// What a whole decode of the picture would hold in memory, read from its header.
struct DecodeCost {
    qint64 fixedBytes = 0; // held whatever the output size (a progressive JPEG's coefficients)
    int bytesPerPixel = 4; // of the decoded image
    bool scalable = false; // the decoder can shrink while decoding (libjpeg's DCT scaling)
    bool progressive = false;
};

quint32 bigEndian(const QByteArray& data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | quint8(data.at(at + i));
    return value;
}

// A progressive JPEG keeps 2 bytes for every sample of every component until the last scan;
// the frame header (SOF) gives the components and their sampling. Bytes between segments are
// skipped as libjpeg skips them; a frame not found is taken for a progressive one of three
// full components, since libjpeg may still find and decode it.
void readJpegFrame(const QByteArray& data, QSize stored, DecodeCost& cost)
{
    cost.scalable = true;
    cost.fixedBytes = 6 * qint64(stored.width()) * stored.height();
    cost.progressive = true;
    qsizetype at = 2;
    while (at + 4 <= data.size()) {
        if (quint8(data.at(at)) != 0xFF || quint8(data.at(at + 1)) == 0xFF) {
            ++at;
            continue;
        }
        const quint8 marker = quint8(data.at(at + 1));
        const qsizetype length = qsizetype(bigEndian(data, at + 2, 2));
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && at + 4 + length <= data.size() && length >= 8) {
            cost.progressive = (marker & 0x03) == 0x02;
            const int components = quint8(data.at(at + 9));
            int hMax = 1, vMax = 1, units = 0;
            for (int c = 0; c < components && at + 12 + 3 * c <= data.size(); ++c) {
                const int factors = quint8(data.at(at + 11 + 3 * c));
                hMax = std::max(hMax, factors >> 4);
                vMax = std::max(vMax, factors & 0x0F);
                units += (factors >> 4) * (factors & 0x0F);
            }
            cost.fixedBytes = cost.progressive ? 2 * qint64(stored.width()) * stored.height() *
                                                     units / (hMax * vMax)
                                               : 0;
            return;
        }
        if (marker == 0xDA) // the picture's data: a frame comes before it or not at all
            return;
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        at += 2 + length;
    }
}

DecodeCost decodeCost(const QByteArray& data, const QByteArray& format, QSize stored)
{
    DecodeCost cost;
    if (format == "jpeg")
        readJpegFrame(data, stored, cost);
    else if (format == "png" && data.size() > 24 && quint8(data.at(24)) == 16)
        cost.bytesPerPixel = 8; // 16 bits a channel decode to RGBA64
    return cost;
}

qint64 limitBytes()
{
    const qint64 limitMb = QImageReader::allocationLimit(); // 0: no limit set
    return (limitMb > 0 ? limitMb : 160) * 1024 * 1024;
}

// libjpeg decodes at 1/1, 1/2, 1/4 or 1/8: the smallest scale that still gives twice the
// wanted size, or a smaller one when that output would not fit the image limit. Zero when
// even 1/8 does not fit.
int jpegScale(QSize stored, QSize wanted)
{
    int scale = 1;
    while (scale < 8 && stored.width() / (2 * scale) >= 2 * wanted.width() &&
           stored.height() / (2 * scale) >= 2 * wanted.height())
        scale *= 2;
    for (; scale <= 8; scale *= 2) {
        const qint64 w = (stored.width() + scale - 1) / scale;
        const qint64 h = (stored.height() + scale - 1) / scale;
        if (4 * w * h <= limitBytes())
            return scale;
    }
    return 0;
}

Failure tooLarge(const QString& file, QSize stored, qint64 needed, qint64 bound, bool progressive)
{
    // The largest size whose decode fits, with the same proportions.
    const double shrink = std::sqrt(double(bound) / double(std::max<qint64>(needed, 1)));
    const QSize smaller = (QSizeF(stored) * std::min(1.0, shrink * 0.95)).toSize();
    return Failure{
        QStringLiteral("La imagen %1 mide %2 × %3 píxeles: es demasiado grande para añadirla "
                       "(necesitaría unos %4 MB de memoria). Redúzcala a %5 × %6 píxeles o menos "
                       "con un programa de fotos o de dibujo%7, y vuelva a intentarlo.")
            .arg(quoted(file))
            .arg(stored.width())
            .arg(stored.height())
            .arg(needed / (1024 * 1024))
            .arg(smaller.width())
            .arg(smaller.height())
            .arg(progressive ? QStringLiteral(", o guárdela como JPEG normal (no progresivo)")
                             : QString())};
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
    // Qt's own SVG reader would take an SVG the sniffing above missed (a long comment first)
    // past the checks that refuse outside references: SVG comes only through that route.
    if (format.isEmpty() || format.startsWith("svg") || !stored.isValid() || stored.isEmpty())
        return unreadable(file);
    const DecodeCost cost = decodeCost(data, format, stored);
    // Above its bound a whole decode is refused before it starts: the message says how to
    // make the picture smaller, where a failed decode would only say it is damaged.
    const qint64 pixels = qint64(stored.width()) * stored.height();
    const qint64 whole = pixels * cost.bytesPerPixel;
    if (cost.scalable ? pixels > maxPixels(true) : whole > limitBytes())
        return tooLarge(file, stored, whole,
                        cost.scalable ? maxPixels(true) * cost.bytesPerPixel : limitBytes(), false);
    if (!looksComplete(data, format))
        return unreadable(file);
    if (cost.fixedBytes > maxCoefficientBytes)
        return tooLarge(file, stored, cost.fixedBytes, maxCoefficientBytes, cost.progressive);
    Source source;
    source.jpeg = format == "jpeg";
    if (cost.scalable) {
        const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
        const QSize fit = lineart::fitSize(stored, turned ? bounds.transposed() : bounds);
        const int scale = jpegScale(stored, fit);
        if (scale == 0)
            return tooLarge(file, stored, pixels * 4 / 64, limitBytes(), false);
        // Decoded at twice the size it will have or more: enough detail, a fraction of the work;
        // smaller when the limit demands it. Exactly a libjpeg scale, so nothing is resampled.
        if (scale > 1)
            reader.setScaledSize(stored / scale);
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

Outcome<void> vetSvg(const QByteArray& svg, const QString& file)
{
    return checkSvg(svg, file);
}

qint64 maxPixels(bool scalable)
{
    return scalable ? 100'000'000 : limitBytes() / 4;
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
                                      "descomprímalo antes de añadirlo.")
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
    if (source.svg.isEmpty() && fit.width() > 4 * qint64(source.size.width())) // SVG stays sharp
        source.warnings.append(QStringLiteral("La imagen %1 es muy pequeña (%2 × %3 píxeles): "
                                              "al agrandarla se verá borrosa.")
                                   .arg(quoted(file))
                                   .arg(source.size.width())
                                   .arg(source.size.height()));
    return source;
}

} // namespace cuaderno::importer
