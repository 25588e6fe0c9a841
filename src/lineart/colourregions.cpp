// SPDX-License-Identifier: GPL-3.0-or-later
// Coloured bitmap -> outlines: quantise into flat colour regions, keep the drawing's own
// ink, and draw the boundaries between regions whose colours differ visibly.
#include "lineart.h"
#include "raster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

namespace cuaderno::lineart {
namespace {

using namespace detail;

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

// k-means on an even sample of the pixels, started from farthest points so the result
// never depends on chance.
std::vector<Lab> clusterColours(const Grid<Lab>& lab, int k)
{
    const size_t step = std::max<size_t>(1, lab.size() / 20000);
    std::vector<Lab> sample;
    for (size_t i = 0; i < lab.size(); i += step)
        sample.push_back(lab[i]);
    // Each next centre is the colour farthest from those chosen, weighted by how common it is:
    // a flat area's colour, however close to another, wins over the blends along edges.
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
    std::vector<int> owner(sample.size(), 0);
    for (int iteration = 0; iteration < 6; ++iteration) {
        std::vector<Lab> sums(centres.size());
        std::vector<int> counts(centres.size(), 0);
        for (size_t i = 0; i < sample.size(); ++i) {
            int best = 0;
            for (int c = 1; c < int(centres.size()); ++c)
                if (distance2(sample[i], centres[size_t(c)]) <
                    distance2(sample[i], centres[size_t(best)]))
                    best = c;
            owner[i] = best;
            sums[size_t(best)].l += sample[i].l;
            sums[size_t(best)].a += sample[i].a;
            sums[size_t(best)].b += sample[i].b;
            ++counts[size_t(best)];
        }
        for (size_t c = 0; c < centres.size(); ++c)
            if (counts[c] > 0)
                centres[c] = {sums[c].l / float(counts[c]), sums[c].a / float(counts[c]),
                              sums[c].b / float(counts[c])};
    }
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

// Connected pieces of one cluster; pieces under minArea join the neighbour they share
// most border with.
Labels pieces(const Labels& clusters, int minArea, std::vector<int>* pieceCluster)
{
    const int w = clusters.width, h = clusters.height;
    Labels piece;
    std::vector<int> sizes;
    const int count = labelAreas(
        w, h, [](size_t) { return true; },
        [&](size_t i, size_t n) { return clusters[i] == clusters[n]; }, piece, &sizes);
    pieceCluster->assign(size_t(count), 0);
    for (size_t i = 0; i < piece.size(); ++i)
        (*pieceCluster)[size_t(piece[i])] = clusters[i];
    // Shared border lengths of small pieces with their neighbours.
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
    std::vector<int> target(static_cast<size_t>(count));
    std::vector<int> bestBorder(size_t(count), 0);
    for (int i = 0; i < count; ++i)
        target[size_t(i)] = i;
    // Visit in a fixed order: unordered_map iteration order is not deterministic.
    std::vector<std::pair<uint64_t, int>> entries(border.begin(), border.end());
    std::sort(entries.begin(), entries.end());
    for (const auto& [key, length] : entries) {
        const int a = int(key >> 32), b = int(key & 0xffffffffu);
        const bool better =
            length > bestBorder[size_t(a)] || (length == bestBorder[size_t(a)] &&
                                               sizes[size_t(b)] > sizes[size_t(target[size_t(a)])]);
        if (better) {
            bestBorder[size_t(a)] = length;
            target[size_t(a)] = b;
        }
    }
    // Follow chains of small pieces to a piece that stays; a cycle stops at its largest.
    std::vector<int> root(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        int r = i;
        for (int steps = 0; steps < 64 && sizes[size_t(r)] < minArea && target[size_t(r)] != r;
             ++steps)
            r = target[size_t(r)];
        root[size_t(i)] = r;
    }
    for (size_t i = 0; i < piece.size(); ++i)
        piece[i] = root[size_t(piece[i])];
    return piece;
}

// Half the thickness of every piece: the largest chamfer distance to another piece.
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
    std::vector<float> result(size_t(pieceCount), 0.0f);
    for (size_t i = 0; i < piece.size(); ++i)
        result[size_t(piece[i])] = std::max(result[size_t(piece[i])], d[i]);
    return result;
}

} // namespace

ColouringPage fromColoured(const QImage& picture, QSize bounds, const Options& options)
{
    const QSize size = fitSize(picture.size(), bounds);
    if (size.isEmpty() || cancelled(options))
        return {};
    const QImage coloured = onWhite(picture, size);
    const int w = size.width(), h = size.height();
    const float scale = float(w) / 800.0f;
    const int detail = std::clamp(options.detail, -2, 2);

    const Grid<Lab> lab = toLab(coloured);
    const std::vector<Lab> centres = clusterColours(lab, 20 + 4 * detail);
    if (cancelled(options))
        return {};
    Labels clusters = assign(lab, centres);
    majority(clusters);
    majority(clusters);
    std::vector<int> pieceCluster;
    const int minPiece = std::max(6, int(40.0f * scale * scale));
    const Labels piece = pieces(clusters, minPiece, &pieceCluster);
    if (cancelled(options))
        return {};

    // Ink: dark pieces that are strokes or small details. Large thick dark areas are
    // regions like any other, so the child can colour them.
    const std::vector<float> half = halfThickness(piece, int(pieceCluster.size()));
    std::vector<int> area(pieceCluster.size(), 0);
    for (size_t i = 0; i < piece.size(); ++i)
        ++area[size_t(piece[i])];
    std::vector<uint8_t> ink(pieceCluster.size(), 0);
    for (size_t p = 0; p < pieceCluster.size(); ++p) {
        if (area[p] == 0 || centres[size_t(pieceCluster[p])].l >= 32.0f)
            continue;
        ink[p] =
            half[p] < std::max(6.0f, 0.012f * float(w)) || area[p] < int(900.0f * scale * scale);
    }

    Mask lines(w, h, 0);
    for (size_t i = 0; i < piece.size(); ++i)
        lines[i] = ink[size_t(piece[i])];

    // Boundaries between regions that differ visibly; the colours a few pixels either side
    // must differ too, which stops the bands a gradient would otherwise give.
    // Two large truly flat regions (drawn, not photographed or shaded) are told apart at a
    // smaller difference: white on pale blue is still two parts to colour.
    std::vector<Lab> sum(pieceCluster.size()), sumSquares(pieceCluster.size());
    for (size_t i = 0; i < piece.size(); ++i) {
        const Lab& c = lab[i];
        Lab& s = sum[size_t(piece[i])];
        Lab& q = sumSquares[size_t(piece[i])];
        s = {s.l + c.l, s.a + c.a, s.b + c.b};
        q = {q.l + c.l * c.l, q.a + c.a * c.a, q.b + c.b * c.b};
    }
    std::vector<uint8_t> flat(pieceCluster.size(), 0);
    for (size_t p = 0; p < pieceCluster.size(); ++p) {
        const float n = float(area[p]);
        if (n < 400.0f * scale * scale)
            continue;
        const float variance = (sumSquares[p].l + sumSquares[p].a + sumSquares[p].b) / n -
                               distance2(Lab{sum[p].l / n, sum[p].a / n, sum[p].b / n}, Lab{});
        flat[p] = variance < 8.0f;
    }
    const float threshold = 14.0f * (1.0f - 0.2f * float(detail));
    const float t2 = threshold * threshold;
    const float flatT2 = 0.08f * t2; // a difference of about 4
    Mask boundary(w, h, 0);
    const auto compare = [&](int x, int y, int dx, int dy) {
        const int nx = x + dx, ny = y + dy;
        const int p = piece.at(x, y), q = piece.at(nx, ny);
        if (p == q || ink[size_t(p)] || ink[size_t(q)])
            return;
        const bool bothFlat = flat[size_t(p)] && flat[size_t(q)];
        if (distance2(centres[size_t(pieceCluster[size_t(p)])],
                      centres[size_t(pieceCluster[size_t(q)])]) < (bothFlat ? flatT2 : t2))
            return;
        const int ax = std::clamp(x - 2 * dx, 0, w - 1), ay = std::clamp(y - 2 * dy, 0, h - 1);
        const int bx = std::clamp(nx + 2 * dx, 0, w - 1), by = std::clamp(ny + 2 * dy, 0, h - 1);
        if (distance2(lab.at(ax, ay), lab.at(bx, by)) < 0.25f * (bothFlat ? flatT2 : t2))
            return;
        boundary.at(x, y) = 1;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x + 1 < w)
                compare(x, y, 1, 0);
            if (y + 1 < h)
                compare(x, y, 0, 1);
        }
    // Next to ink a boundary only doubles the line (JPEG fringes around black strokes).
    const Mask nearInk = dilate(lines, 2);
    for (size_t i = 0; i < boundary.size(); ++i)
        boundary[i] = boundary[i] && !nearInk[i];
    const Mask thick = dilate(boundary, std::max(1, strokeWidth(w) / 2));
    for (size_t i = 0; i < lines.size(); ++i)
        lines[i] = lines[i] | thick[i];
    dropSpecks(lines, std::max(4, int(8.0f * scale * scale)));
    if (cancelled(options))
        return {};
    return {coloured, maskImage(lines)};
}

} // namespace cuaderno::lineart
