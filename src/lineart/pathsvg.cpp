// SPDX-License-Identifier: GPL-3.0-or-later
// Traced curves written as an SVG document: the outline kept for printing a drawing on paper,
// in the canvas's own coordinates so it lies exactly over the drawing.
#include "tracing.h"

#include <QSize>

namespace cuaderno::lineart::detail {
namespace {

// Two decimals of a canvas pixel are far below a printer's dot at any paper size.
QByteArray number(double value)
{
    return QByteArray::number(value, 'f', 2);
}

QByteArray pathData(const QPainterPath& path)
{
    QByteArray d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.type == QPainterPath::CurveToElement && i + 2 < path.elementCount()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            d += "C" + number(e.x) + ',' + number(e.y) + ' ' + number(c2.x) + ',' + number(c2.y) +
                 ' ' + number(end.x) + ',' + number(end.y);
            i += 2;
            continue;
        }
        d += (e.type == QPainterPath::MoveToElement ? "M" : "L") + number(e.x) + ',' + number(e.y);
    }
    return d;
}

} // namespace

QByteArray pathsSvg(QSize canvas, const std::vector<QPainterPath>& strokes, double strokeWidth,
                    const QPainterPath& filled)
{
    const QByteArray w = QByteArray::number(canvas.width());
    const QByteArray h = QByteArray::number(canvas.height());
    QByteArray svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                     w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + ' ' + h + "\">\n";
    if (!strokes.empty()) {
        svg += "<g fill=\"none\" stroke=\"#000000\" stroke-width=\"" + number(strokeWidth) +
               "\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
        for (const QPainterPath& path : strokes) {
            if (!path.isEmpty())
                svg += "<path d=\"" + pathData(path) + "\"/>\n";
        }
        svg += "</g>\n";
    }
    if (!filled.isEmpty())
        svg += "<path fill=\"#000000\" fill-rule=\"evenodd\" d=\"" + pathData(filled) + "\"/>\n";
    return svg + "</svg>\n";
}

} // namespace cuaderno::lineart::detail
