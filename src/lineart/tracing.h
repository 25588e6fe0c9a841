// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QPainterPath>
#include <QRect>

#include <vector>

// Smooth closed curves around the pixels of an area (potrace), for outlines drawn with one
// anti-aliased pen: two areas that meet share their traced boundary, so their strokes
// make one line.
namespace cuaderno::lineart::detail {

class TraceBitmap {
public:
    // Covers window, in the picture's pixel coordinates; it may reach outside the picture.
    explicit TraceBitmap(QRect window);
    void set(int x, int y)
    {
        const int bx = x - window_.x(), by = y - window_.y();
        words_[size_t(by) * size_t(wordsPerLine_) + size_t(bx) / kBits] |=
            1ul << (kBits - 1 - size_t(bx) % kBits);
    }
    // The boundaries, outer and inner, of the set pixels; areas under turdSize pixels
    // are left out.
    QPainterPath trace(int turdSize) const;

private:
    static constexpr size_t kBits = 8 * sizeof(unsigned long);
    QRect window_;
    int wordsPerLine_;
    std::vector<unsigned long> words_;
};

// An SVG of the canvas's size: the strokes drawn with one round pen, then `filled` filled
// (even-odd), all in black; the paper outline of a drawing made from traced curves.
QByteArray pathsSvg(QSize canvas, const std::vector<QPainterPath>& strokes, double strokeWidth,
                    const QPainterPath& filled);

} // namespace cuaderno::lineart::detail
