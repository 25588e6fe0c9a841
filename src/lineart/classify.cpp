// SPDX-License-Identifier: GPL-3.0-or-later
// Which is which: an outline page is paper with dark lines and almost no colour; a
// photograph has its colours spread over many shades instead of a few flat ones.
#include "lineart.h"
#include "raster.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace cuaderno::lineart {

using namespace detail;

namespace {

// Each channel of the sample, from 0 to 1, divided by its paper level: tinted paper and
// shading become white.
std::array<Grid<float>, 3> onPaper(const QImage& sample)
{
    const int w = sample.width(), h = sample.height();
    std::array<Grid<float>, 3> channel = {Grid<float>(w, h), Grid<float>(w, h), Grid<float>(w, h)};
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(sample.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            channel[0].at(x, y) = float(qRed(line[x])) / 255.0f;
            channel[1].at(x, y) = float(qGreen(line[x])) / 255.0f;
            channel[2].at(x, y) = float(qBlue(line[x])) / 255.0f;
        }
    }
    for (Grid<float>& c : channel) {
        const Grid<float> paper = paperLevel(c);
        for (size_t i = 0; i < c.size(); ++i)
            c[i] = std::min(1.0f, c[i] / paper[i]);
    }
    return channel;
}

// Little colour and mostly light: an outline page.
Kind kindOf(const std::array<Grid<float>, 3>& channel)
{
    int colourful = 0, light = 0;
    for (size_t i = 0; i < channel[0].size(); ++i) {
        const float r = channel[0][i], g = channel[1][i], b = channel[2][i];
        const float high = std::max({r, g, b}), low = std::min({r, g, b});
        colourful += high - low > 0.25f && high > 0.2f;
        light += low > 0.85f;
    }
    const float pixels = float(channel[0].size());
    return colourful < 0.03f * pixels && light > 0.55f * pixels ? Kind::Outlines : Kind::Coloured;
}

// Flat art keeps most pixels in a few shades, and most neighbours alike; a photograph
// spreads its pixels over many shades and shades every neighbour a little differently.
bool looksLikePhoto(const QImage& sample)
{
    const int w = sample.width(), h = sample.height();
    const float pixels = float(qint64(w) * h);
    std::vector<int> shades(4096, 0);
    int alike = 0;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(sample.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb rgb = line[x];
            ++shades[size_t(((qRed(rgb) >> 4) << 8) | ((qGreen(rgb) >> 4) << 4) |
                            (qBlue(rgb) >> 4))];
            if (x > 0)
                alike += std::max({std::abs(qRed(rgb) - qRed(line[x - 1])),
                                   std::abs(qGreen(rgb) - qGreen(line[x - 1])),
                                   std::abs(qBlue(rgb) - qBlue(line[x - 1]))}) <= 2;
        }
    }
    int inCommonShades = 0;
    for (int count : shades)
        if (count >= int(0.004f * pixels))
            inCommonShades += count;
    return float(inCommonShades) < 0.6f * pixels || float(alike) < 0.5f * float(qint64(w - 1) * h);
}

} // namespace

Classification classify(const QImage& picture)
{
    if (picture.isNull())
        return {};
    const QSize size = fitSize(picture.size(), QSize(256, 256));
    // Nearest-pixel scaling keeps the picture's own colours for the count of shades.
    const QImage sample =
        onWhite(picture.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation), size);
    Classification result;
    result.kind = kindOf(onPaper(sample));
    result.photo = result.kind == Kind::Coloured && looksLikePhoto(sample);
    return result;
}

} // namespace cuaderno::lineart
