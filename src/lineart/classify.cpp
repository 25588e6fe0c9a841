// SPDX-License-Identifier: GPL-3.0-or-later
// Which is which: an outline page is paper with dark lines and almost no colour; a
// photograph has its colours spread over many shades instead of a few flat ones.
#include "lineart.h"
#include "raster.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace cuaderno::lineart {

using namespace detail;

Classification classify(const QImage& picture)
{
    if (picture.isNull())
        return {};
    const QSize size = fitSize(picture.size(), QSize(256, 256));
    // Nearest-pixel scaling keeps the picture's own colours for the count of shades.
    const QImage sample =
        onWhite(picture.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation), size);
    const int w = sample.width(), h = sample.height();

    Grid<float> channel[3] = {Grid<float>(w, h), Grid<float>(w, h), Grid<float>(w, h)};
    std::vector<int> shades(4096, 0);
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(sample.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb rgb = line[x];
            channel[0].at(x, y) = float(qRed(rgb)) / 255.0f;
            channel[1].at(x, y) = float(qGreen(rgb)) / 255.0f;
            channel[2].at(x, y) = float(qBlue(rgb)) / 255.0f;
            ++shades[size_t(((qRed(rgb) >> 4) << 8) | ((qGreen(rgb) >> 4) << 4) |
                            (qBlue(rgb) >> 4))];
        }
    }
    // Divide each channel by its paper level: tinted paper and shading become white.
    for (Grid<float>& c : channel) {
        const Grid<float> paper = paperLevel(c);
        for (size_t i = 0; i < c.size(); ++i)
            c[i] = std::min(1.0f, c[i] / paper[i]);
    }
    int colourful = 0, light = 0;
    for (size_t i = 0; i < channel[0].size(); ++i) {
        const float r = channel[0][i], g = channel[1][i], b = channel[2][i];
        const float high = std::max({r, g, b}), low = std::min({r, g, b});
        colourful += high - low > 0.25f && high > 0.2f;
        light += low > 0.85f;
    }
    const float pixels = float(qint64(w) * h);
    Classification result;
    result.kind =
        colourful < 0.03f * pixels && light > 0.55f * pixels ? Kind::Outlines : Kind::Coloured;
    // Flat art keeps most pixels in a few shades, and most neighbours alike; a photograph
    // spreads its pixels over many shades and shades every neighbour a little differently.
    int inCommonShades = 0;
    for (int count : shades)
        if (count >= int(0.004f * pixels))
            inCommonShades += count;
    int alike = 0;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(sample.constScanLine(y));
        for (int x = 1; x < w; ++x)
            alike += std::max({std::abs(qRed(line[x]) - qRed(line[x - 1])),
                               std::abs(qGreen(line[x]) - qGreen(line[x - 1])),
                               std::abs(qBlue(line[x]) - qBlue(line[x - 1]))}) <= 2;
    }
    result.photo = result.kind == Kind::Coloured && (float(inCommonShades) < 0.6f * pixels ||
                                                     float(alike) < 0.5f * float((w - 1) * h));
    return result;
}

} // namespace cuaderno::lineart
