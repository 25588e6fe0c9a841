// SPDX-License-Identifier: GPL-3.0-or-later
#include "booklet.h"

#include "importer/loading.h"
#include "library/library.h"
#include "library/librarytree.h"
#include "platform/directorylookup.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace cuaderno::booklet {

namespace {

// Bitmaps are printed at this many dots per inch at least, so a scaled-up line stays smooth.
constexpr double bitmapDpi = 300.0;
// Beyond these an outline file is not a drawing but a mistake (or an attack): it is left out
// rather than read into memory.
constexpr int largestSide = Library::largestOutlineSide;
constexpr qint64 largestPixels = 36'000'000; // four times an A4 sheet at 300 dpi
constexpr double marginMillimetres = 10.0;
constexpr double footerMillimetres = 14.0;

QString tooBig(const QString& path)
{
    return QStringLiteral("El contorno «%1» es demasiado grande.").arg(path);
}

// Read with the importer's defences: no entities, nothing outside the file.
LoadedOutline loadVector(const QString& path, const QString& name)
{
    const Outcome<importer::Source> source = importer::load(path, QSize(800, 520));
    if (!source) {
        return {std::nullopt, source.error(), {}};
    }
    auto renderer = std::make_shared<QSvgRenderer>(source.value().svg);
    if (!renderer->isValid() || renderer->viewBoxF().isEmpty()) {
        return {std::nullopt, QStringLiteral("No se puede leer el contorno «%1».").arg(path), {}};
    }
    renderer->setAspectRatioMode(Qt::KeepAspectRatio);
    return {Outline{name, std::move(renderer), {}}, {}, {}};
}

LoadedOutline loadBitmap(const QString& path, const QString& name)
{
    QImageReader reader(path);
    // Only the formats an outline picture is kept in: an SVG in disguise would be drawn by
    // Qt's reader without the importer's checks.
    if (const QByteArray format = reader.format(); format != "png" && format != "gif") {
        return {std::nullopt, QStringLiteral("No se puede leer el contorno «%1».").arg(path), {}};
    }
    const QSize size = reader.size();
    if (size.width() > largestSide || size.height() > largestSide ||
        qint64(size.width()) * size.height() > largestPixels) {
        return {std::nullopt, tooBig(path), {}};
    }
    const QImage picture = reader.read();
    if (picture.isNull()) {
        return {std::nullopt, QStringLiteral("No se puede leer el contorno «%1».").arg(path), {}};
    }
    return {Outline{name, nullptr, picture}, {}, {}};
}

LoadedOutline loadFile(const QString& path, const QString& name)
{
    const QFileInfo info(path);
    const bool vector = info.suffix().compare(u"svg", Qt::CaseInsensitive) == 0;
    if (info.size() > (vector ? Library::largestSvgOutlineBytes : Library::largestOutlineBytes)) {
        return {std::nullopt, tooBig(path), {}};
    }
    if (vector) {
        return loadVector(path, name);
    }
    return loadBitmap(path, name);
}

// The bitmap as clean black lines on white at the given size: transparency over white, a
// smooth scale (so a diagonal stays a diagonal, not a staircase), then a threshold, which
// keeps the lines' width and drops the scaling's grey fringe.
QImage printableBitmap(const QImage& picture, QSize pixels)
{
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, picture);
    }
    const QImage scaled = flat.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage lines = scaled.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::MonoOnly);
    // With black as colour 0 the PDF keeps the picture as a one-bit stencil of the lines
    // (lossless and small) instead of a full-colour JPEG.
    if (lines.color(0) != QColor(Qt::black).rgba()) {
        lines.invertPixels();
        lines.setColorTable({QColor(Qt::black).rgba(), QColor(Qt::white).rgba()});
    }
    return lines;
}

void paintOutline(QPainter& painter, const Outline& outline, const QRectF& target, double dpi)
{
    if (outline.vector) {
        // Shapes reaching past the view box are cut at it, as the drawing's canvas cuts them.
        painter.save();
        painter.setClipRect(target);
        outline.vector->render(&painter, target);
        painter.restore();
        return;
    }
    const QSize pixels = printPixels(outline.bitmap.size(), target.size() / dpi, bitmapDpi);
    painter.setPen(Qt::black); // a one-bit stencil prints in the pen's colour
    painter.drawImage(target, printableBitmap(outline.bitmap, pixels));
}

void paintLine(QPainter& painter, const QRectF& area, double points, const QString& text,
               Qt::Alignment alignment)
{
    QFont font = painter.font();
    font.setPointSizeF(points);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(area, alignment, text);
}

void paintCover(QPainter& painter, const QRectF& area)
{
    QSvgRenderer title(QStringLiteral(":/booklet/titulo.svg"));
    title.setAspectRatioMode(Qt::KeepAspectRatio);
    const QRectF top(area.left(), area.top(), area.width(), area.height() * 0.6);
    title.render(&painter, fitCentred(top, title.viewBoxF().size()));
    const QRectF below(area.left(), top.bottom(), area.width(), area.height() - top.height());
    paintLine(painter, below, 26, QStringLiteral("Nombre: ____________________"), Qt::AlignCenter);
}

LoadedOutline findAndLoad(const Library& library, int category, int number, const QString& name)
{
    const Library::DrawingFiles files = library.drawingFiles(category, number);
    if (files.coloured.isEmpty()) {
        return {std::nullopt, QStringLiteral("No existe."), {}};
    }
    const QString companion = library.folder() + u'/' + companionFolderParts(category).join(u'/') +
                              u'/' + QString::number(number);
    // A kept outline that cannot be read gives way to the next, and at last to the GIF.
    QStringList problems;
    const auto fallenBack = [&](LoadedOutline loaded, const QString& instead) {
        if (!problems.isEmpty()) {
            loaded.warning =
                problems.join(u' ') + QStringLiteral(" Se imprime desde %1.").arg(instead);
        }
        return loaded;
    };
    for (const char* extension : {".svg", ".png"}) {
        const QString path = DirectoryLookup::resolve(companion + QLatin1StringView(extension));
        if (path.isEmpty()) {
            continue;
        }
        LoadedOutline loaded = loadFile(path, name);
        if (loaded.outline) {
            return fallenBack(std::move(loaded), u"«" + QFileInfo(path).fileName() + u"»");
        }
        problems.append(loaded.problem);
    }
    if (files.uncoloured.isEmpty()) {
        problems.append(QStringLiteral("Le falta su versión para colorear."));
        return {std::nullopt, problems.join(u' '), {}};
    }
    LoadedOutline loaded = loadFile(files.uncoloured, name);
    if (!loaded.outline) {
        problems.append(loaded.problem);
        return {std::nullopt, problems.join(u' '), {}};
    }
    return fallenBack(std::move(loaded), QStringLiteral("su versión para colorear"));
}

QPageLayout layoutFor(const QPageSize& paper, QPageLayout::Orientation orientation)
{
    const double m = marginMillimetres;
    return QPageLayout(paper, orientation, QMarginsF(m, m, m, m), QPageLayout::Millimeter);
}

} // namespace

QPageLayout::Orientation bestOrientation(QSizeF uprightArea, QSizeF picture)
{
    const QSizeF across = uprightArea.transposed();
    const double upright = fitCentred(QRectF(QPointF(), uprightArea), picture).width();
    const double turned = fitCentred(QRectF(QPointF(), across), picture).width();
    return turned > upright ? QPageLayout::Landscape : QPageLayout::Portrait;
}

QRectF fitCentred(const QRectF& area, QSizeF picture)
{
    if (picture.isEmpty() || area.isEmpty()) {
        return {area.center(), QSizeF(0, 0)};
    }
    const QSizeF fitted = picture.scaled(area.size(), Qt::KeepAspectRatio);
    QRectF rect(QPointF(), fitted);
    rect.moveCenter(area.center());
    return rect;
}

QSize printPixels(QSize sourcePixels, QSizeF printedInches, double minimumDpi)
{
    const double scale =
        std::max({1.0, printedInches.width() * minimumDpi / std::max(1, sourcePixels.width()),
                  printedInches.height() * minimumDpi / std::max(1, sourcePixels.height())});
    return {int(std::ceil(sourcePixels.width() * scale - 1e-9)),
            int(std::ceil(sourcePixels.height() * scale - 1e-9))};
}

QPageSize::PageSizeId defaultPaper()
{
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                              : QPageSize::A4;
}

QSizeF Outline::size() const
{
    return vector ? vector->viewBoxF().size() : QSizeF(bitmap.size());
}

LoadedOutline loadOutline(const Library& library, int category, int number)
{
    const QString name = QStringLiteral("Categoría %1, dibujo %2").arg(category).arg(number);
    LoadedOutline loaded = findAndLoad(library, category, number, name);
    for (QString* text : {&loaded.problem, &loaded.warning}) {
        if (!text->isEmpty()) {
            *text = name + QStringLiteral(": ") + *text;
        }
    }
    return loaded;
}

namespace {

using Load = std::function<std::optional<Outline>(qsizetype index)>;

// A device that keeps its first page's orientation for every page (a printer's preview) gets
// the sheet turned on the page instead, which comes out of the printer the same.
void paintSheet(QPainter& painter, QPagedPaintDevice& device, const Outline& outline,
                const Options& options, QPageLayout::Orientation orientation)
{
    QRectF area(0, 0, device.width(), device.height());
    const double dpi = device.logicalDpiX();
    painter.save();
    if (device.pageLayout().orientation() != orientation) {
        painter.translate(area.width(), 0);
        painter.rotate(90);
        area = area.transposed();
    }
    if (options.nameAndDateLine) {
        const double footer = footerMillimetres / 25.4 * dpi;
        area.setHeight(area.height() - footer);
        paintLine(painter, QRectF(0, area.bottom(), area.width(), footer), 12,
                  QStringLiteral("Nombre: ____________________   Fecha: ____________"),
                  Qt::AlignLeft | Qt::AlignBottom);
    }
    paintOutline(painter, outline, fitCentred(area, outline.size()), dpi);
    painter.restore();
}

// The cover, then a sheet for each outline `load` gives (none: that one is left out), each
// loaded only when its sheet is painted. The painter starts with the first printable drawing,
// so a device given nothing to print gets nothing, not a lone cover. Returns the sheets of
// drawings painted.
Outcome<int> paintSheets(QPagedPaintDevice& device, qsizetype count, const Load& load,
                         const Options& options, const std::function<bool(qsizetype)>& progress)
{
    const QPageSize paper =
        options.paper ? QPageSize(*options.paper) : device.pageLayout().pageSize();
    QPainter painter;
    // Each sheet takes its layout before it begins: the first by starting the painter, the
    // others by a new page.
    const auto startSheet = [&](QPageLayout::Orientation orientation) {
        device.setPageLayout(layoutFor(paper, orientation));
        return painter.isActive() ? device.newPage() : painter.begin(&device);
    };
    const Failure refused{QStringLiteral("No se ha podido escribir el cuadernillo.")};
    const QSizeF upright = layoutFor(paper, QPageLayout::Portrait).paintRect().size();
    int painted = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (const std::optional<Outline> outline = load(i)) {
            if (options.cover && painted == 0) {
                if (!startSheet(QPageLayout::Portrait)) {
                    return refused;
                }
                paintCover(painter, QRectF(0, 0, device.width(), device.height()));
            }
            const QPageLayout::Orientation orientation = bestOrientation(upright, outline->size());
            if (!startSheet(orientation)) {
                return refused;
            }
            paintSheet(painter, device, *outline, options, orientation);
            ++painted;
        }
        if (progress && !progress(i + 1)) {
            if (painter.isActive()) {
                painter.end();
            }
            return Failure{QStringLiteral("Se ha cancelado el cuadernillo."),
                           Failure::Reason::Cancelled};
        }
    }
    if (painted == 0) {
        return Failure{QStringLiteral("No hay ningún dibujo que imprimir.")};
    }
    if (!painter.end()) {
        return refused;
    }
    return painted;
}

} // namespace

QString paint(QPagedPaintDevice& device, const QList<Outline>& outlines, const Options& options)
{
    const Outcome<int> painted =
        paintSheets(device, outlines.size(),
                    [&](qsizetype i) { return std::optional(outlines[i]); }, options, {});
    return painted ? QString() : painted.error();
}

Outcome<int> paintDrawings(QPagedPaintDevice& device, const Library& library,
                           const QList<Drawing>& drawings, const Options& options,
                           const Listener& listener)
{
    const Load load = [&](qsizetype i) {
        LoadedOutline loaded = loadOutline(library, drawings[i].category, drawings[i].number);
        if (!loaded.outline && listener.leftOut) {
            listener.leftOut(loaded.problem);
        }
        if (!loaded.warning.isEmpty() && listener.warned) {
            listener.warned(loaded.warning);
        }
        return std::move(loaded.outline);
    };
    return paintSheets(device, drawings.size(), load, options, listener.progress);
}

Outcome<int> writePdf(const QString& path, const Library& library, const QList<Drawing>& drawings,
                      const Options& options, const Listener& listener)
{
    const QString shown = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return Failure{QStringLiteral("No se puede escribir «%1»: compruebe que la carpeta existe "
                                      "y que usted puede escribir en ella.")
                           .arg(shown)};
    }
    Outcome<int> painted = Failure{};
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("Cuadernillo para colorear"));
        writer.setCreator(QStringLiteral("cuaderno"));
        painted = paintDrawings(writer, library, drawings, options, listener);
    }
    if (!painted) {
        file.cancelWriting();
        return painted.failure();
    }
    if (!file.commit()) {
        return Failure{QStringLiteral("No se ha podido guardar «%1»: quizá el disco está lleno. "
                                      "No se ha cambiado nada.")
                           .arg(shown)};
    }
    return painted.value() + (options.cover ? 1 : 0);
}

} // namespace cuaderno::booklet
