// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lineart.h"

#include <QImage>

#include <cstdint>
#include <vector>

// Small pixel-grid tools shared by the methods: masks, labels, blurs.
namespace cuaderno::lineart::detail {

template <class T> struct Grid {
    int width = 0;
    int height = 0;
    std::vector<T> cells;

    Grid() = default;
    Grid(int w, int h, T value = T{}) : width(w), height(h), cells(size_t(w) * size_t(h), value) {}
    T& at(int x, int y) { return cells[size_t(y) * size_t(width) + size_t(x)]; }
    const T& at(int x, int y) const { return cells[size_t(y) * size_t(width) + size_t(x)]; }
    T& operator[](size_t i) { return cells[i]; }
    const T& operator[](size_t i) const { return cells[i]; }
    size_t size() const { return cells.size(); }
};

using Mask = Grid<uint8_t>;
using Labels = Grid<int>;

inline bool cancelled(const Options& options)
{
    return options.cancel && options.cancel->load(std::memory_order_relaxed);
}

// The picture composited on white and scaled smoothly to size, as RGB32.
QImage onWhite(const QImage& picture, QSize size);

// Connected areas of the pixels for which member(i) holds, 4-neighbours i and n belonging to
// one area when joins(i, n); other pixels get -1. Returns the number of areas and, if wanted,
// their sizes.
template <class Member, class Joins>
int labelAreas(int width, int height, Member member, Joins joins, Labels& labels,
               std::vector<int>* sizes);

// Unlabelled pixels (-1) take the label of the nearest labelled one (4-neighbours, breadth
// first from every labelled pixel at once, ties to the lower index).
void spreadLabels(Labels& labels);

// Pixels set in the mask grown by radius in every direction (a square).
Mask dilate(const Mask& mask, int radius);

// Set areas (8-neighbours) smaller than minArea are cleared.
void dropSpecks(Mask& mask, int minArea);

// Three passes of a box blur of the given radius (close to a Gaussian).
void blur(Grid<float>& grid, int radius);

// Paper brightness per pixel: the local maximum over large blocks, blurred; lines and
// small dark areas do not lower it, scan shading and paper tint do.
Grid<float> paperLevel(const Grid<float>& lightness);

// Black where the mask is set, white elsewhere.
QImage maskImage(const Mask& mask);

// Relative luminance 0..1 of an RGB pixel (Rec. 601 weights).
inline float luminance(QRgb rgb)
{
    return (0.299f * float(qRed(rgb)) + 0.587f * float(qGreen(rgb)) + 0.114f * float(qBlue(rgb))) /
           255.0f;
}

// ---------------------------------------------------------------------------------------------

template <class Member, class Joins>
int labelAreas(int width, int height, Member member, Joins joins, Labels& labels,
               std::vector<int>* sizes)
{
    labels = Labels(width, height, -1);
    if (sizes)
        sizes->clear();
    std::vector<int> stack;
    int count = 0;
    for (size_t start = 0; start < labels.size(); ++start) {
        if (labels[start] >= 0 || !member(start))
            continue;
        int area = 0;
        labels[start] = count;
        stack.push_back(int(start));
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            ++area;
            const int x = i % width;
            const int y = i / width;
            const int next[4] = {x > 0 ? i - 1 : -1, x + 1 < width ? i + 1 : -1,
                                 y > 0 ? i - width : -1, y + 1 < height ? i + width : -1};
            for (int n : next) {
                if (n >= 0 && labels[size_t(n)] < 0 && member(size_t(n)) &&
                    joins(size_t(i), size_t(n))) {
                    labels[size_t(n)] = count;
                    stack.push_back(n);
                }
            }
        }
        if (sizes)
            sizes->push_back(area);
        ++count;
    }
    return count;
}

} // namespace cuaderno::lineart::detail
