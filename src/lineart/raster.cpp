// SPDX-License-Identifier: GPL-3.0-or-later
#include "raster.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <deque>

namespace cuaderno::lineart::detail {

QImage onWhite(const QImage& picture, QSize size)
{
    // An opaque picture needs no compositing: one image of the canvas's size, or none.
    if (!picture.hasAlphaChannel())
        return (picture.size() == size
                    ? picture
                    : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
            .convertToFormat(QImage::Format_RGB32);
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Scaling in one step from a huge picture is what keeps memory bounded.
    const QImage scaled = picture.size() == size ? picture
                                                 : picture.scaled(size, Qt::IgnoreAspectRatio,
                                                                  Qt::SmoothTransformation);
    painter.drawImage(QPoint(0, 0), scaled);
    return out;
}

namespace {

// out[i] is set when any of in[i - radius .. i + radius] is (a running count along a line).
void anyWithin(const uint8_t* in, uint8_t* out, int length, size_t stride, int radius)
{
    int count = 0;
    for (int i = 0; i < std::min(radius, length); ++i)
        count += in[size_t(i) * stride];
    for (int i = 0; i < length; ++i) {
        if (i + radius < length)
            count += in[size_t(i + radius) * stride];
        if (i - radius - 1 >= 0)
            count -= in[size_t(i - radius - 1) * stride];
        out[size_t(i) * stride] = count > 0;
    }
}

} // namespace

Mask dilate(const Mask& mask, int radius)
{
    if (radius <= 0)
        return mask;
    Mask rows(mask.width, mask.height, 0), out(mask.width, mask.height, 0);
    for (int y = 0; y < mask.height; ++y)
        anyWithin(&mask.at(0, y), &rows.at(0, y), mask.width, 1, radius);
    for (int x = 0; x < mask.width; ++x)
        anyWithin(&rows.at(x, 0), &out.at(x, 0), mask.height, size_t(mask.width), radius);
    return out;
}

void dropSpecks(Mask& mask, int minArea)
{
    const int w = mask.width, h = mask.height;
    Labels seen(w, h, 0);
    std::vector<int> stack, area;
    for (size_t start = 0; start < mask.size(); ++start) {
        if (!mask[start] || seen[start])
            continue;
        area.clear();
        seen[start] = 1;
        stack.push_back(int(start));
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            area.push_back(i);
            const int x = i % w, y = i / w;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const size_t n = size_t(ny) * size_t(w) + size_t(nx);
                    if (mask[n] && !seen[n]) {
                        seen[n] = 1;
                        stack.push_back(int(n));
                    }
                }
            }
        }
        if (int(area.size()) < minArea)
            for (int i : area)
                mask[size_t(i)] = 0;
    }
}

namespace {

void boxPass(const float* in, float* out, int length, int stride, int radius)
{
    // Edges repeat the border value so the border does not darken.
    float sum = 0;
    for (int k = -radius; k <= radius; ++k)
        sum += in[size_t(std::clamp(k, 0, length - 1)) * size_t(stride)];
    const float scale = 1.0f / float(2 * radius + 1);
    for (int i = 0; i < length; ++i) {
        out[size_t(i) * size_t(stride)] = sum * scale;
        sum += in[size_t(std::min(i + radius + 1, length - 1)) * size_t(stride)];
        sum -= in[size_t(std::max(i - radius, 0)) * size_t(stride)];
    }
}

} // namespace

void blur(Grid<float>& grid, int radius)
{
    if (radius <= 0 || grid.size() == 0)
        return;
    Grid<float> tmp(grid.width, grid.height);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < grid.height; ++y)
            boxPass(&grid.at(0, y), &tmp.at(0, y), grid.width, 1, radius);
        for (int x = 0; x < grid.width; ++x)
            boxPass(&tmp.at(x, 0), &grid.at(x, 0), grid.height, grid.width, radius);
    }
}

Grid<float> paperLevel(const Grid<float>& lightness)
{
    const int w = lightness.width, h = lightness.height;
    const int block = std::max(8, std::max(w, h) / 40);
    const int bw = (w + block - 1) / block, bh = (h + block - 1) / block;
    Grid<float> blocks(bw, bh, 0.0f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float& b = blocks.at(x / block, y / block);
            b = std::max(b, lightness.at(x, y));
        }
    // The brightest of the neighbouring blocks: a dark area up to two blocks wide is
    // still seen as ink on paper, not as dark paper.
    Grid<float> spread(bw, bh, 0.0f);
    for (int y = 0; y < bh; ++y)
        for (int x = 0; x < bw; ++x)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < bw && ny < bh)
                        spread.at(x, y) = std::max(spread.at(x, y), blocks.at(nx, ny));
                }
    blur(spread, 1);
    Grid<float> level(w, h);
    for (int y = 0; y < h; ++y) {
        const float fy = std::clamp((float(y) + 0.5f) / float(block) - 0.5f, 0.0f, float(bh - 1));
        const int y0 = int(fy), y1 = std::min(y0 + 1, bh - 1);
        const float ty = fy - float(y0);
        for (int x = 0; x < w; ++x) {
            const float fx =
                std::clamp((float(x) + 0.5f) / float(block) - 0.5f, 0.0f, float(bw - 1));
            const int x0 = int(fx), x1 = std::min(x0 + 1, bw - 1);
            const float tx = fx - float(x0);
            const float top = spread.at(x0, y0) * (1 - tx) + spread.at(x1, y0) * tx;
            const float bottom = spread.at(x0, y1) * (1 - tx) + spread.at(x1, y1) * tx;
            level.at(x, y) = std::max(0.2f, top * (1 - ty) + bottom * ty);
        }
    }
    return level;
}

QImage maskImage(const Mask& mask)
{
    QImage image(mask.width, mask.height, QImage::Format_RGB32);
    for (int y = 0; y < mask.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < mask.width; ++x)
            line[x] = mask.at(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    }
    return image;
}

void spreadLabels(Labels& labels)
{
    const int w = labels.width, h = labels.height;
    std::deque<int> queue;
    for (size_t i = 0; i < labels.size(); ++i)
        if (labels[i] >= 0)
            queue.push_back(int(i));
    while (!queue.empty()) {
        const int i = queue.front();
        queue.pop_front();
        const int x = i % w, y = i / w;
        const int next[4] = {x > 0 ? i - 1 : -1, x + 1 < w ? i + 1 : -1, y > 0 ? i - w : -1,
                             y + 1 < h ? i + w : -1};
        for (int n : next)
            if (n >= 0 && labels[size_t(n)] < 0) {
                labels[size_t(n)] = labels[size_t(i)];
                queue.push_back(n);
            }
    }
}

} // namespace cuaderno::lineart::detail
