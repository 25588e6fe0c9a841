// SPDX-License-Identifier: GPL-3.0-or-later
#include "importer.h"

#include "layout/screenlayout.h"
#include "library/library.h"
#include "loading.h"

#include <QFileInfo>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace cuaderno::importer {
namespace {

// Flat colours (clip art, filled pages) keep nearly every pixel in a few colours; there GIF
// is smaller than JPEG and keeps edges crisp.
bool flatColours(const QImage& picture)
{
    std::unordered_map<QRgb, int> counts;
    const qint64 pixels = qint64(picture.width()) * picture.height();
    const qint64 step = std::max<qint64>(1, pixels / 40000);
    int sampled = 0;
    for (qint64 i = 0; i < pixels; i += step) {
        ++counts[picture.pixel(int(i % picture.width()), int(i / picture.width()))];
        ++sampled;
        if (counts.size() > 4096)
            return false;
    }
    std::vector<int> sorted;
    for (const auto& entry : counts)
        sorted.push_back(entry.second);
    std::sort(sorted.rbegin(), sorted.rend());
    int top = 0;
    for (size_t i = 0; i < std::min<size_t>(32, sorted.size()); ++i)
        top += sorted[i];
    return top >= sampled * 85 / 100;
}

void cropTo(QImage& picture, const QRect& drawing)
{
    if (drawing != picture.rect())
        picture = drawing.isEmpty() ? QImage() : picture.copy(drawing);
}

// The drawing, not its page, is what fills the canvas. A picture's plain or transparent page
// is cut before it is classified (a small drawing on a white sheet is not an outline page);
// an outline page then loses its paper margins and punched holes too.
Outcome<void> trimToDrawing(Source& source, lineart::Kind kind, QSize bounds, const QString& name)
{
    if (!source.svg.isEmpty())
        source.svg = lineart::trimSvg(source.svg);
    else if (kind == lineart::Kind::Outlines)
        cropTo(source.image, lineart::contentBox(source.image, kind));
    if (!source.image.isNull()) // the decoded picture is let go as soon as it is scaled
        source.image = lineart::canvasPicture(source.image, bounds);
    if (source.svg.isEmpty() && source.image.isNull())
        return Failure{QStringLiteral("La imagen %1 no tiene nada dibujado: toda ella es fondo "
                                      "transparente o papel en blanco.")
                           .arg(name)};
    return {};
}

// What the picture is, as the parent said or as read from it (a bitmap cut to its content
// first: a small drawing on a white sheet is not an outline page).
lineart::Classification classifySource(Source& source, ForcedKind forced)
{
    lineart::Classification result;
    if (!source.svg.isEmpty()) {
        result.kind = lineart::classifySvg(source.svg);
    } else {
        cropTo(source.image, lineart::contentBox(source.image, lineart::Kind::Coloured));
        if (!source.image.isNull())
            result = lineart::classify(source.image);
    }
    if (forced != ForcedKind::Automatic)
        result.kind =
            forced == ForcedKind::Outlines ? lineart::Kind::Outlines : lineart::Kind::Coloured;
    return result;
}

lineart::ColouringPage colouringPage(const Source& source, bool outlines,
                                     const PrepareOptions& options)
{
    const lineart::Options processing{options.detail, options.cancel};
    if (!source.svg.isEmpty())
        return outlines ? lineart::fromOutlinesSvg(source.svg, options.bounds, processing)
                        : lineart::fromColouredSvg(source.svg, options.bounds, processing);
    return outlines ? lineart::fromOutlines(source.image, options.bounds, processing)
                    : lineart::fromColoured(source.image, options.bounds, processing);
}

} // namespace

QSize canvasBounds(QSize screenPixels, float twipsPerPixel)
{
    if (screenPixels.isEmpty() || twipsPerPixel <= 0)
        return defaultBounds;
    const float rowTop =
        float(screenPixels.height()) * twipsPerPixel - largeButtonSide - bottomMargin;
    // The book centres the canvas above the row and cuts it when less than a twip is left.
    const int height = int(std::floor((rowTop - 2.0f) / twipsPerPixel));
    if (height <= 0)
        return defaultBounds;
    return {screenPixels.width(), height};
}

Outcome<Prepared> prepare(const QString& file, const PrepareOptions& givenOptions)
{
    // Processing memory grows with the pixels of the result: at most a 4K screen's worth.
    PrepareOptions options = givenOptions;
    const double area = double(options.bounds.width()) * options.bounds.height();
    if (area > maxDrawingPixels)
        options.bounds = (QSizeF(options.bounds) * std::sqrt(maxDrawingPixels / area)).toSize();
    Source source;
    { // only source keeps the decoded picture, so that scaling it lets the original go
        const Outcome<Source> loaded = load(file, options.bounds);
        if (!loaded)
            return Failure{loaded.error()};
        source = loaded.value();
    }
    const QString name = u"«" + QFileInfo(file).fileName() + u"»";

    Prepared prepared;
    prepared.warnings = source.warnings;
    prepared.classification = classifySource(source, options.kind);
    if (prepared.classification.photo && prepared.classification.kind == lineart::Kind::Coloured)
        prepared.warnings.append(QStringLiteral("La imagen %1 parece una fotografía: no saldrá "
                                                "una buena página para colorear.")
                                     .arg(name));
    if (const Outcome<void> trimmed =
            trimToDrawing(source, prepared.classification.kind, options.bounds, name);
        !trimmed)
        return Failure{trimmed.error()};

    const bool outlines = prepared.classification.kind == lineart::Kind::Outlines;
    prepared.page = colouringPage(source, outlines, options);
    if (options.cancel && options.cancel->load())
        return Failure{QStringLiteral("No se ha añadido %1: se canceló.").arg(name)};
    if (prepared.page.isNull())
        return Failure{QStringLiteral("No se puede convertir %1 en un dibujo.").arg(name)};
    // An outline the booklet could not read back is not kept: the drawing prints from its GIF.
    static_assert(maxSvgBytes == Library::largestSvgOutlineBytes);
    if (!prepared.page.outlineSvg.isEmpty() && prepared.page.outlineSvg.size() <= maxSvgBytes) {
        prepared.outline = std::exchange(prepared.page.outlineSvg, {});
        prepared.outlineSuffix = QStringLiteral("svg");
    }
    prepared.gifColoured = outlines || (!prepared.classification.photo && !source.jpeg &&
                                        flatColours(prepared.page.coloured));
    return prepared;
}

Outcome<int> addToLibrary(Library& library, int category, const Prepared& prepared)
{
    return library.addDrawing(category, prepared.page.coloured,
                              prepared.gifColoured ? ColouredFormat::Gif : ColouredFormat::Jpeg,
                              prepared.page.uncoloured, {prepared.outline, prepared.outlineSuffix});
}

void prepareInOrder(const QStringList& files, const PrepareOptions& options,
                    const ReadyFunction& ready)
{
    QThreadPool pool;
    const qsizetype window = pool.maxThreadCount() + 1;
    std::mutex mutex;
    std::condition_variable finished;
    std::map<qsizetype, Outcome<Prepared>> results;
    std::atomic_bool stopped = false;
    qsizetype next = 0;
    const auto startMore = [&](qsizetype handed) {
        for (; next < files.size() && next < handed + window; ++next)
            pool.start([&, index = next] {
                Outcome<Prepared> result = stopped.load()
                                               ? Outcome<Prepared>(Failure{QString()})
                                               : prepareApart(files.at(index), options, &stopped);
                const std::lock_guard lock(mutex);
                results.emplace(index, std::move(result));
                finished.notify_all();
            });
    };
    startMore(0);
    for (qsizetype index = 0; index < files.size(); ++index) {
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return results.count(index) > 0; });
        Outcome<Prepared> result = std::move(results.at(index));
        results.erase(index);
        lock.unlock();
        if (!ready(index, result)) {
            stopped = true;
            break;
        }
        startMore(index + 1);
    }
    pool.waitForDone(); // helpers under way when the batch stops are killed
}

} // namespace cuaderno::importer
