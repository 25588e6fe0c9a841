// SPDX-License-Identifier: GPL-3.0-or-later
// Outline page -> clean lines and a coloured version: flatten the paper, threshold,
// then fill every closed area with a cheerful colour, neighbours different.
#include "outlinepage.h"
#include "lineart.h"
#include "raster.h"
#include "tracing.h"

#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <array>
#include <set>

namespace cuaderno::lineart {

using namespace detail;

QSize fitSize(QSize picture, QSize bounds)
{
    if (picture.isEmpty() || bounds.isEmpty())
        return {};
    const qint64 byWidth = qint64(bounds.width()) * picture.height();
    const qint64 byHeight = qint64(bounds.height()) * picture.width();
    if (byWidth <= byHeight) // the width is the limit
        return {bounds.width(),
                int(std::max<qint64>(1, (byWidth + picture.width() / 2) / picture.width()))};
    return {int(std::max<qint64>(1, (byHeight + picture.height() / 2) / picture.height())),
            bounds.height()};
}

QImage canvasPicture(const QImage& picture, QSize bounds)
{
    const QSize size = fitSize(picture.size(), bounds);
    return size.isEmpty() ? QImage() : onWhite(picture, size);
}

int strokeWidth(int pictureWidth)
{
    return std::max(2, (pictureWidth * 3 + 400) / 800);
}

namespace detail {

Mask inkOnPaper(const QImage& page, float* threshold)
{
    const int w = page.width(), h = page.height();
    Grid<float> lightness(w, h);
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < w; ++x)
            lightness.at(x, y) = luminance(line[x]);
    }
    const Grid<float> paper = paperLevel(lightness);
    std::array<int, 256> histogram{};
    for (size_t i = 0; i < lightness.size(); ++i) {
        lightness[i] = std::min(1.0f, lightness[i] / paper[i]);
        ++histogram[size_t(lightness[i] * 255.0f)];
    }
    // Otsu's threshold, kept within limits so a nearly blank page keeps its faint lines
    // and a grey page does not turn black.
    const double total = double(lightness.size());
    double sumAll = 0;
    for (int i = 0; i < 256; ++i)
        sumAll += i * double(histogram[size_t(i)]);
    double sumBelow = 0, countBelow = 0, bestScore = -1;
    int best = 128;
    for (int t = 0; t < 256; ++t) {
        countBelow += histogram[size_t(t)];
        sumBelow += t * double(histogram[size_t(t)]);
        const double countAbove = total - countBelow;
        if (countBelow == 0 || countAbove == 0)
            continue;
        const double meanBelow = sumBelow / countBelow;
        const double meanAbove = (sumAll - sumBelow) / countAbove;
        const double score =
            countBelow * countAbove * (meanBelow - meanAbove) * (meanBelow - meanAbove);
        if (score > bestScore) {
            bestScore = score;
            best = t;
        }
    }
    const float cut = std::clamp(float(best) / 255.0f, 0.45f, 0.75f);
    if (threshold)
        *threshold = cut;
    Mask ink(w, h, 0);
    for (size_t i = 0; i < lightness.size(); ++i)
        ink[i] = lightness[i] < cut;
    return ink;
}

} // namespace detail

namespace {

constexpr std::array<QRgb, 8> kPalette = {
    qRgb(255, 205, 60),  qRgb(110, 190, 255), qRgb(255, 130, 150), qRgb(130, 220, 120),
    qRgb(200, 150, 255), qRgb(255, 165, 80),  qRgb(90, 215, 200),  qRgb(250, 235, 110)};

// Colours for the closed areas: larger areas choose first; each takes, of the colours none
// of its neighbours has, the one used least so far (or, if it has neighbours of every
// colour, the one fewest of them have).
std::vector<QRgb> colourAreas(const std::vector<int>& sizes,
                              const std::vector<std::set<int>>& neighbours)
{
    std::vector<int> order(sizes.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return sizes[size_t(a)] > sizes[size_t(b)]; });
    std::vector<int> choice(sizes.size(), -1);
    std::array<int, kPalette.size()> usedOverall{};
    for (int area : order) {
        std::array<int, kPalette.size()> cost{};
        for (int n : neighbours[size_t(area)])
            if (choice[size_t(n)] >= 0)
                cost[size_t(choice[size_t(n)])] += 1 << 20;
        for (size_t c = 0; c < cost.size(); ++c)
            cost[c] += usedOverall[c];
        const int best = int(std::min_element(cost.begin(), cost.end()) - cost.begin());
        choice[size_t(area)] = best;
        ++usedOverall[size_t(best)];
    }
    std::vector<QRgb> colours(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i)
        colours[i] = kPalette[size_t(choice[i])];
    return colours;
}

// Areas touching the border are the page's background.
std::vector<uint8_t> backgroundAreas(const Labels& area, int count)
{
    const int w = area.width, h = area.height;
    std::vector<uint8_t> background(size_t(count), 0);
    for (int x = 0; x < w; ++x) {
        for (int y : {0, h - 1})
            if (area.at(x, y) >= 0)
                background[size_t(area.at(x, y))] = 1;
    }
    for (int y = 0; y < h; ++y) {
        for (int x : {0, w - 1})
            if (area.at(x, y) >= 0)
                background[size_t(area.at(x, y))] = 1;
    }
    return background;
}

// Tiny areas (hatching, the space between close lines) take the colour of what surrounds
// them: every pixel outside the areas kept takes the nearest one (breadth first from all
// areas at once).
void absorbTinyAreas(Labels& area, const std::vector<int>& sizes,
                     const std::vector<uint8_t>& background)
{
    const int minArea = int(std::max<qint64>(6, qint64(area.width) * area.height / 16000));
    for (size_t i = 0; i < area.size(); ++i) {
        const int a = area[i];
        if (a >= 0 && !background[size_t(a)] && sizes[size_t(a)] < minArea)
            area[i] = -1;
    }
    spreadLabels(area);
}

// Which closed areas share an edge, the background left out.
std::vector<std::set<int>> areaNeighbours(const Labels& area, int count,
                                          const std::vector<uint8_t>& background)
{
    const int w = area.width, h = area.height;
    std::vector<std::set<int>> neighbours(static_cast<size_t>(count));
    const auto touch = [&](int a, int b) {
        if (a >= 0 && b >= 0 && a != b && !background[size_t(a)] && !background[size_t(b)]) {
            neighbours[size_t(a)].insert(b);
            neighbours[size_t(b)].insert(a);
        }
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x + 1 < w)
                touch(area.at(x, y), area.at(x + 1, y));
            if (y + 1 < h)
                touch(area.at(x, y), area.at(x, y + 1));
        }
    return neighbours;
}

// Lines black, the background white, every closed area its colour.
QImage paintAreas(const Mask& lines, const Labels& area, const std::vector<uint8_t>& background,
                  const std::vector<QRgb>& colours)
{
    const int w = lines.width, h = lines.height;
    QImage coloured(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(coloured.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int a = area.at(x, y);
            line[x] = lines.at(x, y)                     ? qRgb(0, 0, 0)
                      : (a < 0 || background[size_t(a)]) ? qRgb(255, 255, 255)
                                                         : colours[size_t(a)];
        }
    }
    return coloured;
}

} // namespace

ColouringPage colourPage(const Mask& lines, const Options& options)
{
    // Gaps of a pixel or two in the lines are sealed before the areas are found.
    const Mask sealed = dilate(lines, 1);
    Labels area;
    std::vector<int> sizes;
    const int count = labelAreas(
        lines.width, lines.height, [&](size_t i) { return !sealed[i]; },
        [](size_t, size_t) { return true; }, area, &sizes);
    if (cancelled(options))
        return {};
    const std::vector<uint8_t> background = backgroundAreas(area, count);
    absorbTinyAreas(area, sizes, background);
    const std::vector<QRgb> colours = colourAreas(sizes, areaNeighbours(area, count, background));
    return {paintAreas(lines, area, background, colours), maskImage(lines), {}};
}

ColouringPage fromOutlines(const QImage& picture, QSize bounds, const Options& options)
{
    const QSize size = fitSize(picture.size(), bounds);
    if (size.isEmpty() || cancelled(options))
        return {};
    Mask lines = inkOnPaper(onWhite(picture, size), nullptr);
    const float scale = float(size.width()) / 800.0f;
    dropSpecks(lines,
               std::max(4, int(24.0f * scale * scale * (1.0f + 0.4f * float(-options.detail)))));
    if (cancelled(options))
        return {};
    ColouringPage page = colourPage(lines, options);
    if (!page.isNull()) {
        // The lines traced into filled curves, which stay smooth however large they print.
        TraceBitmap traced(QRect(0, 0, lines.width, lines.height));
        for (int y = 0; y < lines.height; ++y)
            for (int x = 0; x < lines.width; ++x)
                if (lines.at(x, y))
                    traced.set(x, y);
        page.outlineSvg = pathsSvg(size, {}, 0, traced.trace(2));
    }
    return page;
}

} // namespace cuaderno::lineart
