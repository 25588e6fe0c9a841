// SPDX-License-Identifier: GPL-3.0-or-later
// Coloured bitmap -> outlines: quantise into flat colour regions, keep the drawing's own
// ink, and draw the boundaries between regions whose colours differ visibly.
#include "lineart.h"
#include "raster.h"
#include "tracing.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <unordered_map>

namespace cuaderno::lineart {
namespace {

using namespace detail;

constexpr double kAnalysisPixels = 1'600'000.0;

struct Lab {
    float l = 0, a = 0, b = 0;
};

float distance2(const Lab& p, const Lab& q)
{
    const float dl = p.l - q.l, da = p.a - q.a, db = p.b - q.b;
    return dl * dl + da * da + db * db;
}

Grid<Lab> toLab(const QImage& image)
{
    static const std::array<float, 256> linear = [] {
        std::array<float, 256> table{};
        for (int i = 0; i < 256; ++i) {
            const float c = float(i) / 255.0f;
            table[size_t(i)] = c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
        }
        return table;
    }();
    const auto f = [](float t) {
        return t > 0.008856f ? std::cbrt(t) : 7.787f * t + 16.0f / 116.0f;
    };
    Grid<Lab> lab(image.width(), image.height());
    std::unordered_map<QRgb, Lab> seen;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = line[x] | 0xff000000u;
            if (x > 0 && rgb == (line[x - 1] | 0xff000000u)) {
                lab.at(x, y) = lab.at(x - 1, y);
                continue;
            }
            const float r = linear[size_t(qRed(rgb))], g = linear[size_t(qGreen(rgb))],
                        b = linear[size_t(qBlue(rgb))];
            const float fx = f((0.4124f * r + 0.3576f * g + 0.1805f * b) / 0.95047f);
            const float fy = f(0.2126f * r + 0.7152f * g + 0.0722f * b);
            const float fz = f((0.0193f * r + 0.1192f * g + 0.9505f * b) / 1.08883f);
            lab.at(x, y) = {116.0f * fy - 16.0f, 500.0f * (fx - fy), 200.0f * (fy - fz)};
        }
    }
    return lab;
}

// About 20,000 pixels, evenly spaced.
std::vector<Lab> sampleEvenly(const Grid<Lab>& lab)
{
    const size_t step = std::max<size_t>(1, lab.size() / 20000);
    std::vector<Lab> sample;
    for (size_t i = 0; i < lab.size(); i += step)
        sample.push_back(lab[i]);
    return sample;
}

// Up to k starting centres: each next one is the colour farthest from those chosen, weighted
// by how common it is, so a flat area's colour, however close to another, wins over the
// blends along edges.
std::vector<Lab> farthestCentres(const std::vector<Lab>& sample, int k)
{
    std::unordered_map<uint64_t, int> common;
    const auto key = [](const Lab& c) {
        return (uint64_t(uint16_t(int(c.l * 2))) << 32) | (uint64_t(uint16_t(int(c.a * 2))) << 16) |
               uint64_t(uint16_t(int(c.b * 2)));
    };
    for (const Lab& c : sample)
        ++common[key(c)];
    std::vector<float> weight(sample.size());
    size_t first = 0;
    for (size_t i = 0; i < sample.size(); ++i) {
        weight[i] = std::sqrt(float(common[key(sample[i])]));
        if (weight[i] > weight[first])
            first = i;
    }
    std::vector<Lab> centres{sample[first]};
    std::vector<float> nearest(sample.size(), 1e30f);
    while (int(centres.size()) < k) {
        size_t far = 0;
        for (size_t i = 0; i < sample.size(); ++i) {
            nearest[i] = std::min(nearest[i], distance2(sample[i], centres.back()));
            if (nearest[i] * weight[i] > nearest[far] * weight[far])
                far = i;
        }
        if (nearest[far] < 1.0f)
            break; // fewer distinct colours than clusters
        centres.push_back(sample[far]);
    }
    return centres;
}

// Six rounds of k-means: each centre moves to the mean of the sample nearest to it.
void refineCentres(const std::vector<Lab>& sample, std::vector<Lab>& centres)
{
    for (int iteration = 0; iteration < 6; ++iteration) {
        std::vector<Lab> sums(centres.size());
        std::vector<int> counts(centres.size(), 0);
        for (const Lab& colour : sample) {
            int best = 0;
            for (int c = 1; c < int(centres.size()); ++c)
                if (distance2(colour, centres[size_t(c)]) <
                    distance2(colour, centres[size_t(best)]))
                    best = c;
            sums[size_t(best)].l += colour.l;
            sums[size_t(best)].a += colour.a;
            sums[size_t(best)].b += colour.b;
            ++counts[size_t(best)];
        }
        for (size_t c = 0; c < centres.size(); ++c)
            if (counts[c] > 0)
                centres[c] = {sums[c].l / float(counts[c]), sums[c].a / float(counts[c]),
                              sums[c].b / float(counts[c])};
    }
}

// k-means on an even sample of the pixels, started from farthest points so the result
// never depends on chance.
std::vector<Lab> clusterColours(const Grid<Lab>& lab, int k)
{
    const std::vector<Lab> sample = sampleEvenly(lab);
    std::vector<Lab> centres = farthestCentres(sample, k);
    refineCentres(sample, centres);
    return centres;
}

Labels assign(const Grid<Lab>& lab, const std::vector<Lab>& centres)
{
    Labels labels(lab.width, lab.height, 0);
    for (size_t i = 0; i < lab.size(); ++i) {
        if (i > 0 && lab[i].l == lab[i - 1].l && lab[i].a == lab[i - 1].a &&
            lab[i].b == lab[i - 1].b) {
            labels[i] = labels[i - 1];
            continue;
        }
        int best = 0;
        float bestDistance = distance2(lab[i], centres[0]);
        for (int c = 1; c < int(centres.size()); ++c) {
            const float d = distance2(lab[i], centres[size_t(c)]);
            if (d < bestDistance) {
                bestDistance = d;
                best = c;
            }
        }
        labels[i] = best;
    }
    return labels;
}

// The most common label of each 3 x 3 neighbourhood: removes the anti-aliasing fringe.
void majority(Labels& labels)
{
    Labels out = labels;
    for (int y = 1; y + 1 < labels.height; ++y)
        for (int x = 1; x + 1 < labels.width; ++x) {
            std::array<int, 9> seen{};
            int n = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    seen[size_t(n++)] = labels.at(x + dx, y + dy);
            const int own = labels.at(x, y);
            int best = own;
            int bestCount = int(std::count(seen.begin(), seen.end(), own));
            for (int v : seen) {
                const int count = int(std::count(seen.begin(), seen.end(), v));
                if (count > bestCount) {
                    best = v;
                    bestCount = count;
                }
            }
            out.at(x, y) = best;
        }
    labels = std::move(out);
}

// Shared border lengths of small pieces with their neighbours, keyed (small, neighbour), in
// a fixed order: unordered_map iteration order is not deterministic.
std::vector<std::pair<uint64_t, int>> smallPieceBorders(const Labels& piece,
                                                        const std::vector<int>& sizes, int minArea)
{
    const int w = piece.width, h = piece.height;
    std::unordered_map<uint64_t, int> border;
    const auto note = [&](int a, int b) {
        if (sizes[size_t(a)] < minArea)
            ++border[(uint64_t(uint32_t(a)) << 32) | uint32_t(b)];
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int p = piece.at(x, y);
            if (x + 1 < w && piece.at(x + 1, y) != p) {
                note(p, piece.at(x + 1, y));
                note(piece.at(x + 1, y), p);
            }
            if (y + 1 < h && piece.at(x, y + 1) != p) {
                note(p, piece.at(x, y + 1));
                note(piece.at(x, y + 1), p);
            }
        }
    std::vector<std::pair<uint64_t, int>> entries(border.begin(), border.end());
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The piece each one joins: itself, or for a small piece the neighbour it shares most
// border with (the larger on a tie), followed along chains of small pieces to one that stays;
// a cycle stops at its largest.
std::vector<int> joinedPieces(const std::vector<std::pair<uint64_t, int>>& borders,
                              const std::vector<int>& sizes, int minArea)
{
    const size_t count = sizes.size();
    std::vector<int> target(count);
    std::vector<int> bestBorder(count, 0);
    for (size_t i = 0; i < count; ++i)
        target[i] = int(i);
    for (const auto& [key, length] : borders) {
        const int a = int(key >> 32), b = int(key & 0xffffffffu);
        const bool better =
            length > bestBorder[size_t(a)] || (length == bestBorder[size_t(a)] &&
                                               sizes[size_t(b)] > sizes[size_t(target[size_t(a)])]);
        if (better) {
            bestBorder[size_t(a)] = length;
            target[size_t(a)] = b;
        }
    }
    std::vector<int> root(count);
    for (size_t i = 0; i < count; ++i) {
        int r = int(i);
        for (int steps = 0; steps < 64 && sizes[size_t(r)] < minArea && target[size_t(r)] != r;
             ++steps)
            r = target[size_t(r)];
        root[i] = r;
    }
    return root;
}

// Connected pieces of one cluster; pieces under minArea join the neighbour they share
// most border with.
Labels pieces(const Labels& clusters, int minArea, std::vector<int>* pieceCluster)
{
    Labels piece;
    std::vector<int> sizes;
    const int count = labelAreas(
        clusters.width, clusters.height, [](size_t) { return true; },
        [&](size_t i, size_t n) { return clusters[i] == clusters[n]; }, piece, &sizes);
    pieceCluster->assign(size_t(count), 0);
    for (size_t i = 0; i < piece.size(); ++i)
        (*pieceCluster)[size_t(piece[i])] = clusters[i];
    const std::vector<int> root =
        joinedPieces(smallPieceBorders(piece, sizes, minArea), sizes, minArea);
    for (size_t i = 0; i < piece.size(); ++i)
        piece[i] = root[size_t(piece[i])];
    return piece;
}

// Half the thickness of every piece: the distance to its edge (chamfer) that nine in ten of
// its pixels stay under. Unlike the largest distance, it stays small for a network of strokes
// whose junctions are thick; unlike area over rim, a ragged dark blob is not thin.
std::vector<float> halfThickness(const Labels& piece, int pieceCount)
{
    const int w = piece.width, h = piece.height;
    Grid<float> d(w, h, 1e9f);
    const auto edge = [&](int x, int y) {
        const int p = piece.at(x, y);
        return x == 0 || y == 0 || x + 1 == w || y + 1 == h || piece.at(x - 1, y) != p ||
               piece.at(x + 1, y) != p || piece.at(x, y - 1) != p || piece.at(x, y + 1) != p;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (edge(x, y))
                d.at(x, y) = 1.0f;
    const auto relax = [&](int x, int y, int nx, int ny, float step) {
        if (nx >= 0 && ny >= 0 && nx < w && ny < h && piece.at(nx, ny) == piece.at(x, y))
            d.at(x, y) = std::min(d.at(x, y), d.at(nx, ny) + step);
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            relax(x, y, x - 1, y, 1.0f);
            relax(x, y, x, y - 1, 1.0f);
            relax(x, y, x - 1, y - 1, 1.4142f);
            relax(x, y, x + 1, y - 1, 1.4142f);
        }
    for (int y = h - 1; y >= 0; --y)
        for (int x = w - 1; x >= 0; --x) {
            relax(x, y, x + 1, y, 1.0f);
            relax(x, y, x, y + 1, 1.0f);
            relax(x, y, x + 1, y + 1, 1.4142f);
            relax(x, y, x - 1, y + 1, 1.4142f);
        }
    // Histograms in half pixels, up to 32 pixels.
    constexpr int kBins = 64;
    std::vector<int> counts(size_t(pieceCount) * kBins, 0), total(size_t(pieceCount), 0);
    for (size_t i = 0; i < piece.size(); ++i) {
        ++counts[size_t(piece[i]) * kBins + size_t(std::min(kBins - 1, int(d[i] * 2.0f)))];
        ++total[size_t(piece[i])];
    }
    std::vector<float> result(size_t(pieceCount), 0.0f);
    for (size_t p = 0; p < result.size(); ++p) {
        int seen = 0, bin = 0;
        while (bin < kBins - 1 && (seen += counts[p * kBins + size_t(bin)]) * 10 < total[p] * 9)
            ++bin;
        result[p] = float(bin) / 2.0f;
    }
    return result;
}

// The colours with their grain smoothed away (a small Gaussian-like blur), for comparing the
// two sides of a boundary: grain must not make one area look like two.
Grid<Lab> softened(const Grid<Lab>& lab)
{
    Grid<float> channel[3] = {Grid<float>(lab.width, lab.height),
                              Grid<float>(lab.width, lab.height),
                              Grid<float>(lab.width, lab.height)};
    for (size_t i = 0; i < lab.size(); ++i) {
        channel[0][i] = lab[i].l;
        channel[1][i] = lab[i].a;
        channel[2][i] = lab[i].b;
    }
    for (Grid<float>& c : channel)
        blur(c, 1);
    Grid<Lab> out(lab.width, lab.height);
    for (size_t i = 0; i < lab.size(); ++i)
        out[i] = {channel[0][i], channel[1][i], channel[2][i]};
    return out;
}

// Each piece's area: pieces whose shared boundary is mostly soft (colours alike a few pixels
// either side, as across the bands of a gradient or the grain of a photograph) are one area
// to colour.
struct Judge {
    const Labels& piece;
    const std::vector<int>& pieceCluster;
    const Grid<Lab> lab; // softened
    const std::vector<uint8_t>& ink;
    const std::vector<uint8_t> flat;
    float t2 = 0, flatT2 = 0;
};

std::vector<int> joinAlike(const Judge& j)
{
    const int w = j.piece.width, h = j.piece.height;
    std::unordered_map<uint64_t, std::pair<int, int>> shared; // (all, sharp) per pair
    const auto compare = [&](int x, int y, int dx, int dy) {
        const int nx = x + dx, ny = y + dy;
        const int p = j.piece.at(x, y), q = j.piece.at(nx, ny);
        if (p == q || j.ink[size_t(p)] || j.ink[size_t(q)])
            return;
        const float limit = j.flat[size_t(p)] && j.flat[size_t(q)] ? j.flatT2 : j.t2;
        // The softened colours three pixels either side: their difference is the boundary's
        // own, whatever clusters the grain put single pixels in.
        const int ax = std::clamp(x - 3 * dx, 0, w - 1), ay = std::clamp(y - 3 * dy, 0, h - 1);
        const int bx = std::clamp(nx + 3 * dx, 0, w - 1), by = std::clamp(ny + 3 * dy, 0, h - 1);
        const bool sharp = distance2(j.lab.at(ax, ay), j.lab.at(bx, by)) >= 0.5f * limit;
        auto& [all, sharpCount] =
            shared[(uint64_t(uint32_t(std::min(p, q))) << 32) | uint32_t(std::max(p, q))];
        ++all;
        sharpCount += sharp;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x + 1 < w)
                compare(x, y, 1, 0);
            if (y + 1 < h)
                compare(x, y, 0, 1);
        }
    std::vector<int> parent(j.pieceCluster.size());
    for (size_t i = 0; i < parent.size(); ++i)
        parent[i] = int(i);
    const auto root = [&](int i) {
        while (parent[size_t(i)] != i)
            i = parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
        return i;
    };
    for (const auto& [key, counts] : shared)
        if (2 * counts.second < counts.first)
            parent[size_t(root(int(key >> 32)))] = root(int(key & 0xffffffffu));
    // Areas numbered from 0 in the order of their first piece, so the result never depends
    // on the map's order.
    std::vector<int> number(parent.size(), -1), area(parent.size(), -1);
    int count = 0;
    for (size_t p = 0; p < parent.size(); ++p) {
        if (j.ink[p])
            continue;
        int& n = number[size_t(root(int(p)))];
        if (n < 0)
            n = count++;
        area[p] = n;
    }
    return area;
}

// Every pixel's area; the drawing's ink belongs to the nearest area, so two areas on either
// side of an ink line meet along its middle.
Labels areaLabels(const Labels& piece, const std::vector<int>& pieceArea)
{
    const int w = piece.width, h = piece.height;
    Labels area(w, h, -1);
    for (size_t i = 0; i < piece.size(); ++i)
        area[i] = pieceArea[size_t(piece[i])];
    spreadLabels(area);
    return area;
}

// The areas a child colours, found on the analysed picture.
struct Areas {
    Labels label; // every pixel's area
    int count = 0;
    Mask ink;      // the drawing's own dark strokes and details
    int speck = 4; // traced parts smaller than this are left out
};

// Each area's boundary traced into curves and stroked with one round pen at the canvas's
// size; areas reaching the picture's edge continue past it, so the edge itself gets no line.
// The ink is filled from its own traced outline. The same curves are written to `svg`.
QImage drawOutlines(const Areas& areas, QSize size, int stroke, QByteArray& svg)
{
    const int w = areas.label.width, h = areas.label.height;
    std::vector<QRect> boxes(static_cast<size_t>(areas.count));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (const int a = areas.label.at(x, y); a >= 0)
                boxes[size_t(a)] |= QRect(x, y, 1, 1);
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QTransform toCanvas =
        QTransform::fromScale(double(size.width()) / w, double(size.height()) / h);
    const int beyond = stroke + 2;
    std::vector<QPainterPath> strokes;
    strokes.reserve(size_t(areas.count));
    for (int a = 0; a < areas.count; ++a) {
        const QRect box = boxes[size_t(a)];
        const QRect window =
            box.adjusted(box.left() == 0 ? -beyond : -1, box.top() == 0 ? -beyond : -1,
                         box.right() == w - 1 ? beyond : 1, box.bottom() == h - 1 ? beyond : 1);
        TraceBitmap bitmap(window);
        for (int y = window.top(); y <= window.bottom(); ++y) {
            const int* row = &areas.label.at(0, std::clamp(y, 0, h - 1));
            for (int x = window.left(); x <= window.right(); ++x)
                if (row[std::clamp(x, 0, w - 1)] == a)
                    bitmap.set(x, y);
        }
        strokes.push_back(toCanvas.map(bitmap.trace(areas.speck)));
        painter.drawPath(strokes.back());
    }
    TraceBitmap inkBitmap(QRect(0, 0, w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (areas.ink.at(x, y))
                inkBitmap.set(x, y);
    QPainterPath inkPath = toCanvas.map(inkBitmap.trace(areas.speck));
    inkPath.setFillRule(Qt::OddEvenFill);
    painter.fillPath(inkPath, Qt::black);
    svg = pathsSvg(size, strokes, stroke, inkPath);
    return out;
}

// Ink: dark pieces that are strokes or small details. Large thick dark areas are regions
// like any other, so the child can colour them.
std::vector<uint8_t> inkPieces(const Labels& piece, const std::vector<int>& pieceCluster,
                               const std::vector<Lab>& centres, const std::vector<int>& area)
{
    const float scale = float(piece.width) / 800.0f;
    const std::vector<float> half = halfThickness(piece, int(pieceCluster.size()));
    std::vector<uint8_t> ink(pieceCluster.size(), 0);
    for (size_t p = 0; p < pieceCluster.size(); ++p) {
        if (area[p] == 0 || centres[size_t(pieceCluster[p])].l >= 32.0f)
            continue;
        ink[p] = half[p] < std::max(6.0f, 0.012f * float(piece.width)) ||
                 area[p] < int(900.0f * scale * scale);
    }
    return ink;
}

// Large truly flat pieces (drawn, not photographed or shaded), told apart from each other at
// a smaller difference: white on pale blue is still two parts to colour.
std::vector<uint8_t> flatPieces(const Labels& piece, const Grid<Lab>& lab,
                                const std::vector<int>& area)
{
    const float scale = float(piece.width) / 800.0f;
    std::vector<Lab> sum(area.size()), sumSquares(area.size());
    for (size_t i = 0; i < piece.size(); ++i) {
        const Lab& c = lab[i];
        Lab& s = sum[size_t(piece[i])];
        Lab& q = sumSquares[size_t(piece[i])];
        s = {s.l + c.l, s.a + c.a, s.b + c.b};
        q = {q.l + c.l * c.l, q.a + c.a * c.a, q.b + c.b * c.b};
    }
    std::vector<uint8_t> flat(area.size(), 0);
    for (size_t p = 0; p < area.size(); ++p) {
        const float n = float(area[p]);
        if (n < 400.0f * scale * scale)
            continue;
        const float variance = (sumSquares[p].l + sumSquares[p].a + sumSquares[p].b) / n -
                               distance2(Lab{sum[p].l / n, sum[p].a / n, sum[p].b / n}, Lab{});
        flat[p] = variance < 8.0f;
    }
    return flat;
}

std::optional<Areas> findAreas(const QImage& coloured, const Options& options)
{
    const int w = coloured.width(), h = coloured.height();
    const float scale = float(w) / 800.0f;
    const int detail = std::clamp(options.detail, -2, 2);

    const Grid<Lab> lab = toLab(coloured);
    const std::vector<Lab> centres = clusterColours(lab, 20 + 4 * detail);
    if (cancelled(options))
        return std::nullopt;
    Labels clusters = assign(lab, centres);
    majority(clusters);
    majority(clusters);
    std::vector<int> pieceCluster;
    const int minPiece = std::max(6, int(40.0f * scale * scale));
    const Labels piece = pieces(clusters, minPiece, &pieceCluster);
    if (cancelled(options))
        return std::nullopt;
    std::vector<int> area(pieceCluster.size(), 0);
    for (size_t i = 0; i < piece.size(); ++i)
        ++area[size_t(piece[i])];
    const std::vector<uint8_t> ink = inkPieces(piece, pieceCluster, centres, area);
    const float threshold = 14.0f * (1.0f - 0.2f * float(detail));
    const float t2 = threshold * threshold;
    const std::vector<int> pieceArea = joinAlike(
        {piece, pieceCluster, softened(lab), ink, flatPieces(piece, lab, area), t2, 0.08f * t2});
    if (cancelled(options))
        return std::nullopt;
    Areas areas{areaLabels(piece, pieceArea), 0, Mask(w, h, 0),
                std::max(4, int(8.0f * scale * scale))};
    for (size_t i = 0; i < piece.size(); ++i)
        areas.ink[i] = ink[size_t(piece[i])];
    areas.count = 1 + *std::max_element(pieceArea.begin(), pieceArea.end());
    return areas;
}

} // namespace

ColouringPage fromColoured(const QImage& picture, QSize bounds, const Options& options)
{
    const QSize size = fitSize(picture.size(), bounds);
    if (size.isEmpty() || cancelled(options))
        return {};
    const QImage coloured = onWhite(picture, size);
    // Areas are found on at most kAnalysisPixels; their traced curves are scaled up, so a
    // large canvas gets smooth lines without its memory and time growing with it.
    const double reduce =
        std::min(1.0, std::sqrt(kAnalysisPixels / (double(size.width()) * size.height())));
    const QSize work = (QSizeF(size) * reduce).toSize().expandedTo(QSize(1, 1));
    const std::optional<Areas> areas = findAreas(
        work == size ? coloured
                     : coloured.scaled(work, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
        options);
    if (!areas || cancelled(options))
        return {};
    QByteArray svg;
    const QImage lines =
        drawOutlines(*areas, size, strokeWidth(size.width()) - (options.detail > 0 ? 1 : 0), svg);
    if (cancelled(options))
        return {};
    return {coloured, lines, svg};
}

} // namespace cuaderno::lineart
