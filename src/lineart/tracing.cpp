// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing.h"

#include <potracelib.h>

#include <memory>

namespace cuaderno::lineart::detail {

static_assert(sizeof(potrace_word) == sizeof(unsigned long));

TraceBitmap::TraceBitmap(QRect window)
    : window_(window), wordsPerLine_(int((size_t(window.width()) + kBits - 1) / kBits)),
      words_(size_t(wordsPerLine_) * size_t(std::max(0, window.height())), 0)
{}

QPainterPath TraceBitmap::trace(int turdSize) const
{
    QPainterPath path;
    if (window_.isEmpty())
        return path;
    const std::unique_ptr<potrace_param_t, void (*)(potrace_param_t*)> param(
        potrace_param_default(), potrace_param_free);
    if (!param)
        return path;
    param->turdsize = turdSize;
    potrace_bitmap_t bitmap{window_.width(), window_.height(), wordsPerLine_,
                            const_cast<potrace_word*>(words_.data())};
    const std::unique_ptr<potrace_state_t, void (*)(potrace_state_t*)> state(
        potrace_trace(param.get(), &bitmap), potrace_state_free);
    if (!state || state->status != POTRACE_STATUS_OK)
        return path;
    const QPointF offset = window_.topLeft();
    const auto point = [&](const potrace_dpoint_t& p) { return QPointF(p.x, p.y) + offset; };
    for (const potrace_path_t* piece = state->plist; piece; piece = piece->next) {
        const potrace_curve_t& curve = piece->curve;
        if (curve.n <= 0)
            continue;
        path.moveTo(point(curve.c[curve.n - 1][2]));
        for (int i = 0; i < curve.n; ++i) {
            if (curve.tag[i] == POTRACE_CURVETO) {
                path.cubicTo(point(curve.c[i][0]), point(curve.c[i][1]), point(curve.c[i][2]));
            } else {
                path.lineTo(point(curve.c[i][1]));
                path.lineTo(point(curve.c[i][2]));
            }
        }
        path.closeSubpath();
    }
    return path;
}

} // namespace cuaderno::lineart::detail
