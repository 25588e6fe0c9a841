// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing, not its page: what differs from the page's background, found on a coarse grid
// of cells, so that a drawing small on a big sheet still fills the child's canvas.
#include "lineart.h"
#include "outlinepage.h"
#include "raster.h"

#include <QDomDocument>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <optional>

namespace cuaderno::lineart {
namespace {

using namespace detail;

constexpr int kCells = 256;        // cells along the picture's longer side
constexpr int kColourSlack = 32;   // a channel may differ this much and still be background
constexpr double kMargin = 0.03;   // of the drawing's larger side, around it
constexpr double kEdgeBand = 0.08; // of the picture's side: where punched holes and specks lie

struct Cells {
    int cell = 1;
    Mask grid;
};

Cells cellGrid(QSize size)
{
    Cells cells;
    cells.cell = std::max(1, (std::max(size.width(), size.height()) + kCells - 1) / kCells);
    cells.grid = Mask((size.width() + cells.cell - 1) / cells.cell,
                      (size.height() + cells.cell - 1) / cells.cell, 0);
    return cells;
}

int channelDifference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

// The page's background from the picture's edges: transparent, one plain colour, or none
// (a photograph, a pattern) when the edges disagree.
enum class Page { Transparent, Plain, Busy };

Page pageBackground(const QImage& picture, QRgb* colour)
{
    const int w = picture.width(), h = picture.height();
    std::vector<QRgb> edge;
    const int step = std::max(1, (w + h) / 2000);
    for (int x = 0; x < w; x += step)
        edge.insert(edge.end(), {picture.pixel(x, 0), picture.pixel(x, h - 1)});
    for (int y = 0; y < h; y += step)
        edge.insert(edge.end(), {picture.pixel(0, y), picture.pixel(w - 1, y)});
    const auto clear =
        std::count_if(edge.begin(), edge.end(), [](QRgb c) { return qAlpha(c) < 128; });
    if (clear * 10 >= qsizetype(edge.size()) * 9)
        return Page::Transparent;
    std::vector<int> channels[3];
    for (QRgb c : edge)
        for (int k = 0; k < 3; ++k)
            channels[k].push_back(k == 0 ? qRed(c) : k == 1 ? qGreen(c) : qBlue(c));
    int median[3];
    for (int k = 0; k < 3; ++k) {
        std::nth_element(channels[k].begin(), channels[k].begin() + qsizetype(edge.size() / 2),
                         channels[k].end());
        median[k] = channels[k][edge.size() / 2];
    }
    *colour = qRgb(median[0], median[1], median[2]);
    const auto alike = std::count_if(edge.begin(), edge.end(), [&](QRgb c) {
        return qAlpha(c) >= 128 && channelDifference(c, *colour) <= kColourSlack / 2;
    });
    return alike * 100 >= qsizetype(edge.size()) * 85 ? Page::Plain : Page::Busy;
}

// Cells holding a pixel of the drawing; false when the page has no plain background.
bool markColoured(const QImage& picture, Cells& cells, Page* pageFound)
{
    QRgb background = 0;
    const Page page = pageBackground(picture, &background);
    *pageFound = page;
    if (page == Page::Busy)
        return false;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        uint8_t* row = &cells.grid.at(0, y / cells.cell);
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = line[x];
            const bool drawn =
                page == Page::Transparent
                    ? qAlpha(c) > 40
                    : qAlpha(c) >= 128 && channelDifference(c, background) > kColourSlack;
            row[x / cells.cell] |= uint8_t(drawn);
        }
    }
    return true;
}

// An outline page's ink once its paper tint and shading are divided out, found on a copy
// small enough to be quick and large enough to keep thin lines.
void markInk(const QImage& picture, Cells& cells)
{
    const QSize size = fitSize(picture.size(), QSize(1024, 1024)).boundedTo(picture.size());
    const QImage small = onWhite(picture, size);
    const Mask ink = inkOnPaper(small, nullptr);
    const double sx = double(picture.width()) / size.width();
    const double sy = double(picture.height()) / size.height();
    for (int y = 0; y < ink.height; ++y)
        for (int x = 0; x < ink.width; ++x)
            if (ink.at(x, y))
                cells.grid.at(std::min(cells.grid.width - 1, int(x * sx) / cells.cell),
                              std::min(cells.grid.height - 1, int(y * sy) / cells.cell)) = 1;
}

// Specks, and small marks near the edges (punched holes, a scanner's dust), are not the
// drawing. Returns the box of the cells left, in cells.
QRect drawingCells(const Mask& grid)
{
    Labels labels;
    std::vector<int> sizes;
    const int count = labelAreas(
        grid.width, grid.height, [&](size_t i) { return grid[i] != 0; },
        [](size_t, size_t) { return true; }, labels, &sizes);
    std::vector<QRect> boxes(static_cast<size_t>(count));
    for (int y = 0; y < grid.height; ++y)
        for (int x = 0; x < grid.width; ++x)
            if (const int l = labels.at(x, y); l >= 0)
                boxes[size_t(l)] |= QRect(x, y, 1, 1);
    const QRect inner(
        QPoint(int(grid.width * kEdgeBand), int(grid.height * kEdgeBand)),
        QPoint(int(grid.width * (1 - kEdgeBand)) - 1, int(grid.height * (1 - kEdgeBand)) - 1));
    const int small = std::max(3, int(grid.size() / 100));
    QRect box;
    for (int l = 0; l < count; ++l) {
        const bool speck = sizes[size_t(l)] < 3;
        const bool atEdge = sizes[size_t(l)] < small && !boxes[size_t(l)].intersects(inner);
        if (!speck && !atEdge)
            box |= boxes[size_t(l)];
    }
    return box;
}

// The drawing's box with its margin; empty when nothing differs from the page.
QRect drawingBox(const QImage& picture, Kind kind, Page* page)
{
    Cells cells = cellGrid(picture.size());
    *page = Page::Transparent;
    if (kind == Kind::Outlines)
        markInk(picture, cells);
    else if (!markColoured(picture, cells, page))
        return picture.rect();
    const QRect found = drawingCells(cells.grid);
    if (found.isEmpty())
        return {};
    const QRect drawing(found.topLeft() * cells.cell,
                        (found.bottomRight() + QPoint(1, 1)) * cells.cell - QPoint(1, 1));
    const int margin = int(std::lround(kMargin * std::max(drawing.width(), drawing.height())));
    return drawing.adjusted(-margin, -margin, margin, margin) & picture.rect();
}

} // namespace

QRect contentBox(const QImage& picture, Kind kind)
{
    if (picture.isNull())
        return {};
    Page page = Page::Transparent;
    const QRect box = drawingBox(picture, kind, &page);
    // One plain colour all over is a part to colour, not an empty page.
    return box.isEmpty() && page == Page::Plain ? picture.rect() : box;
}

namespace {

// Everything drawn wrapped in one group the renderer can measure; returns its id.
QString wrapDrawing(QDomDocument& document)
{
    QDomElement root = document.documentElement();
    QDomElement whole = document.createElement(u"g"_qs);
    const QString id = u"cuaderno-dibujo-entero"_qs;
    whole.setAttribute(u"id"_qs, id);
    for (QDomNode child = root.firstChild(); !child.isNull();) {
        const QDomNode next = child.nextSibling();
        const QString tag = child.toElement().tagName();
        if (tag != u"defs" && tag != u"style")
            whole.appendChild(root.removeChild(child));
        child = next;
    }
    root.appendChild(whole);
    return id;
}

// The drawing's extent in the page's units, wherever it lies (its page may show none of it).
QRectF drawingExtent(const QSvgRenderer& renderer, const QString& id, const QRectF& page)
{
    const QRectF extent = renderer.boundsOnElement(id);
    if (!extent.isValid() || extent.isEmpty())
        return page;
    // What the page shows, unless the page shows (almost) nothing of it.
    const QRectF shown = extent & page;
    return shown.width() * shown.height() >= 0.5 * extent.width() * extent.height() ? shown
                                                                                    : extent;
}

// Seen on a small raster, the drawing's box inside its extent (a background shape covering
// the page is not the drawing), in the page's units; empty when nothing is drawn.
QRectF drawnPart(QSvgRenderer& renderer, QRectF extent)
{
    const double pad = 0.05 * std::max(extent.width(), extent.height());
    extent.adjust(-pad, -pad, pad, pad);
    const QSize size =
        extent.size().scaled(512, 512, Qt::KeepAspectRatio).toSize().expandedTo(QSize(1, 1));
    QImage raster(size, QImage::Format_RGB32);
    raster.fill(Qt::white);
    {
        QPainter painter(&raster);
        renderer.setViewBox(extent);
        renderer.render(&painter, QRectF(QPointF(), QSizeF(size)));
    }
    Page page = Page::Plain;
    const QRect box = drawingBox(raster, Kind::Coloured, &page);
    const double units = extent.width() / size.width();
    return box.isEmpty() ? QRectF()
                         : QRectF(extent.x() + box.x() * units, extent.y() + box.y() * units,
                                  box.width() * units, box.height() * units);
}

} // namespace

// The document is parsed, serialised and drawn once; its tree and one renderer are held.
QByteArray trimSvg(const QByteArray& svg)
{
    QDomDocument document;
    if (!document.setContent(svg))
        return svg;
    const QString id = wrapDrawing(document);
    QSvgRenderer renderer(document.toByteArray());
    if (!renderer.isValid() || renderer.defaultSize().isEmpty())
        return svg;
    const QRectF page = renderer.viewBoxF().isEmpty() ? QRectF(QPointF(), renderer.defaultSize())
                                                      : renderer.viewBoxF();
    const double pixelsPerUnit = renderer.defaultSize().width() / page.width();
    const QRectF cut = drawnPart(renderer, drawingExtent(renderer, id, page));
    if (cut.isEmpty())
        return {};
    if (const QRectF common = cut & page;
        common.width() >= 0.97 * page.width() && common.height() >= 0.97 * page.height())
        return svg; // all drawing: the page stays as it is
    QDomElement root = document.documentElement();
    root.setAttribute(
        u"viewBox"_qs,
        u"%1 %2 %3 %4"_qs.arg(cut.x()).arg(cut.y()).arg(cut.width()).arg(cut.height()));
    root.setAttribute(u"width"_qs, QString::number(cut.width() * pixelsPerUnit));
    root.setAttribute(u"height"_qs, QString::number(cut.height() * pixelsPerUnit));
    root.removeAttribute(u"preserveAspectRatio"_qs);
    return document.toByteArray();
}

} // namespace cuaderno::lineart
