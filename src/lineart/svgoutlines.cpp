// SPDX-License-Identifier: GPL-3.0-or-later
// Coloured SVG -> outlines by rewriting its paint: white fills (white keeps what is
// hidden hidden), black strokes of one width, the drawing's own dark fills kept.
#include "lineart.h"
#include "raster.h"

#include <QColor>
#include <QDomDocument>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <algorithm>
#include <optional>

namespace cuaderno::lineart {
namespace {

const QStringList kShapes = {u"path"_qs, u"rect"_qs,     u"circle"_qs,  u"ellipse"_qs,
                             u"line"_qs, u"polyline"_qs, u"polygon"_qs, u"text"_qs};
// Geometry in these is never painted by itself.
const QStringList kNotPainted = {u"clipPath"_qs, u"mask"_qs, u"pattern"_qs, u"marker"_qs};

// Paint an element inherits from its ancestors (only what the rewrite needs).
struct Paint {
    QString fill = u"black"_qs;
    QString stroke = u"none"_qs;
    double strokeWidth = 1.0;
    double opacity = 1.0;
};

// The element's own declarations: presentation attributes, overridden by its style.
QString declared(const QDomElement& element, const QString& name)
{
    QString value = element.attribute(name);
    const QStringList parts = element.attribute(u"style"_qs).split(u';');
    for (const QString& part : parts) {
        const qsizetype colon = part.indexOf(u':');
        if (colon > 0 && part.left(colon).trimmed() == name)
            value = part.mid(colon + 1).trimmed();
    }
    return value.trimmed();
}

double number(const QString& text, double fallback)
{
    bool ok = false;
    QString digits = text;
    digits.remove(u"px"_qs);
    const double value = digits.toDouble(&ok);
    return ok ? value : fallback;
}

Paint inherit(const Paint& parent, const QDomElement& element)
{
    Paint paint = parent;
    if (const QString fill = declared(element, u"fill"_qs); !fill.isEmpty() && fill != u"inherit")
        paint.fill = fill;
    if (const QString stroke = declared(element, u"stroke"_qs);
        !stroke.isEmpty() && stroke != u"inherit")
        paint.stroke = stroke;
    paint.strokeWidth = number(declared(element, u"stroke-width"_qs), paint.strokeWidth);
    paint.opacity =
        parent.opacity * std::clamp(number(declared(element, u"opacity"_qs), 1.0), 0.0, 1.0);
    return paint;
}

enum class Fill { None, Dark, Light, Colour };

Fill fillKind(const QString& fill)
{
    if (fill == u"none" || fill == u"transparent")
        return Fill::None;
    if (fill.startsWith(u"url("))
        return Fill::Colour;
    const QColor colour(fill == u"currentColor" ? u"black"_qs : fill);
    if (!colour.isValid())
        return Fill::Colour;
    // Only near-black is the drawing's ink; a deep red or navy is a part to colour.
    if (colour.valueF() < 0.3)
        return Fill::Dark;
    if (colour.red() > 245 && colour.green() > 245 && colour.blue() > 245)
        return Fill::Light;
    return Fill::Colour;
}

struct Rewrite {
    double unitsToPixels = 1.0;
    int stroke = 3;
    QRectF viewBox;
    bool paper = false; // lines scale with the drawing, as printed, rather than stay screen pixels
};

void setStyle(QDomElement element, const QList<std::pair<QString, QString>>& values)
{
    QStringList kept;
    const QStringList parts = element.attribute(u"style"_qs).split(u';', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QString name = part.section(u':', 0, 0).trimmed();
        if (std::none_of(values.begin(), values.end(),
                         [&](const auto& v) { return v.first == name; }))
            kept.append(part);
    }
    for (const auto& [name, value] : values)
        kept.append(name + u':' + value);
    element.setAttribute(u"style"_qs, kept.join(u';'));
}

// A rectangle covering the whole picture is its background: white, no frame.
bool isBackground(const QDomElement& element, const Rewrite& rewrite)
{
    if (element.tagName() != u"rect" || rewrite.viewBox.isEmpty())
        return false;
    const QRectF r(number(element.attribute(u"x"_qs), 0), number(element.attribute(u"y"_qs), 0),
                   number(element.attribute(u"width"_qs), 0),
                   number(element.attribute(u"height"_qs), 0));
    const QRectF covered = r.intersected(rewrite.viewBox);
    return covered.width() * covered.height() >=
           0.95 * rewrite.viewBox.width() * rewrite.viewBox.height();
}

void rewriteTree(QDomElement element, const Paint& parent, const Rewrite& rewrite)
{
    if (kNotPainted.contains(element.tagName()))
        return;
    const Paint paint = inherit(parent, element);
    const double ownFillOpacity =
        number(declared(element, u"fill-opacity"_qs), 1.0) * (paint.opacity / parent.opacity);
    // Highlights and shadows are translucent; they are not parts to colour.
    if (ownFillOpacity < 0.9 && kShapes.contains(element.tagName())) {
        setStyle(element, {{u"display"_qs, u"none"_qs}});
        return;
    }
    if (kShapes.contains(element.tagName())) {
        const Fill fill = fillKind(paint.fill);
        const bool stroked = fillKind(paint.stroke) != Fill::None;
        QList<std::pair<QString, QString>> style = {{u"fill"_qs, fill == Fill::None ? u"none"_qs
                                                                 : fill == Fill::Dark
                                                                     ? u"#000000"_qs
                                                                     : u"#ffffff"_qs},
                                                    {u"fill-opacity"_qs, u"1"_qs},
                                                    {u"stroke-opacity"_qs, u"1"_qs},
                                                    {u"opacity"_qs, u"1"_qs}};
        if (isBackground(element, rewrite) && !stroked) {
            style.append({u"stroke"_qs, u"none"_qs});
        } else if (stroked || fill != Fill::None) {
            style.append({u"stroke"_qs, u"#000000"_qs});
            // A stroke already thicker than the child's width keeps its own width.
            if (stroked && paint.strokeWidth * rewrite.unitsToPixels > rewrite.stroke) {
                style.append({u"stroke-width"_qs, QString::number(paint.strokeWidth)});
            } else {
                if (rewrite.paper) {
                    style.append({u"stroke-width"_qs,
                                  QString::number(rewrite.stroke / rewrite.unitsToPixels)});
                } else {
                    style.append({u"stroke-width"_qs, QString::number(rewrite.stroke)});
                    style.append({u"vector-effect"_qs, u"non-scaling-stroke"_qs});
                }
            }
        }
        setStyle(element, style);
    } else if (element.tagName() == u"image") {
        setStyle(element, {{u"display"_qs, u"none"_qs}}); // a photograph inside cannot be outlined
        return;
    } else if (element.hasAttribute(u"opacity"_qs) || !declared(element, u"opacity"_qs).isEmpty()) {
        if (paint.opacity < 0.9) {
            setStyle(element, {{u"display"_qs, u"none"_qs}});
            return;
        }
        setStyle(element, {{u"opacity"_qs, u"1"_qs}});
    }
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        rewriteTree(child, paint, rewrite);
}

// True when any painted shape has a fill other than none, white or black.
bool hasColour(const QDomElement& element, const Paint& parent)
{
    if (kNotPainted.contains(element.tagName()))
        return false;
    const Paint paint = inherit(parent, element);
    if (kShapes.contains(element.tagName()) && fillKind(paint.fill) == Fill::Colour)
        return true;
    if (element.tagName() == u"image")
        return true;
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        if (hasColour(child, paint))
            return true;
    return false;
}

// Whether a simple CSS selector (tag, .class, #id, tag.class) picks the element.
bool selects(QStringView selector, const QDomElement& element)
{
    const qsizetype mark = selector.indexOf(QRegularExpression(u"[.#]"_qs));
    const QStringView tag = mark < 0 ? selector : selector.left(mark);
    if (!tag.isEmpty() && tag != u"*" && tag != element.tagName())
        return false;
    if (mark < 0)
        return true;
    const QStringView name = selector.mid(mark + 1);
    if (selector[mark] == u'#')
        return element.attribute(u"id"_qs) == name;
    return element.attribute(u"class"_qs).split(u' ', Qt::SkipEmptyParts).contains(name);
}

void applyRule(QDomElement element, const QStringList& selectors, const QString& declarations)
{
    for (; !element.isNull(); element = element.nextSiblingElement()) {
        if (std::any_of(selectors.begin(), selectors.end(),
                        [&](const QString& s) { return selects(s, element); }))
            // Before the element's own style, which wins over the sheet.
            element.setAttribute(u"style"_qs, declarations + u';' + element.attribute(u"style"_qs));
        applyRule(element.firstChildElement(), selectors, declarations);
    }
}

// Rules of <style> sheets become style attributes (exported clip art keeps its colours in
// classes), so the rewrite sees every fill; the sheets are then dropped.
void inlineStyleSheets(QDomDocument& document)
{
    const QDomNodeList sheets = document.elementsByTagName(u"style"_qs);
    QList<QDomNode> dropped;
    for (int i = 0; i < sheets.size(); ++i) {
        QString css = sheets.at(i).toElement().text();
        css.remove(
            QRegularExpression(u"/\\*.*?\\*/"_qs, QRegularExpression::DotMatchesEverythingOption));
        for (const QString& rule : css.split(u'}', Qt::SkipEmptyParts)) {
            const qsizetype brace = rule.indexOf(u'{');
            if (brace < 0)
                continue;
            QStringList selectors = rule.left(brace).split(u',', Qt::SkipEmptyParts);
            for (QString& selector : selectors)
                selector = selector.trimmed();
            applyRule(document.documentElement(), selectors, rule.mid(brace + 1).trimmed());
        }
        dropped.append(sheets.at(i));
    }
    for (QDomNode& sheet : dropped)
        sheet.parentNode().removeChild(sheet);
}

std::optional<QDomDocument> parse(const QByteArray& svg)
{
    QDomDocument document;
    if (!document.setContent(svg) || document.documentElement().tagName() != u"svg")
        return std::nullopt;
    inlineStyleSheets(document);
    return document;
}

QImage render(const QByteArray& svg, QSize size)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return {};
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

} // namespace

Kind classifySvg(const QByteArray& svg)
{
    const std::optional<QDomDocument> document = parse(svg);
    if (!document)
        return Kind::Coloured;
    return hasColour(document->documentElement(), Paint{}) ? Kind::Coloured : Kind::Outlines;
}

ColouringPage fromColouredSvg(const QByteArray& svg, QSize bounds, const Options& options)
{
    std::optional<QDomDocument> document = parse(svg);
    if (!document || detail::cancelled(options))
        return {};
    QSvgRenderer original(svg);
    if (!original.isValid())
        return {};
    const QSize size = fitSize(original.defaultSize(), bounds);
    if (size.isEmpty())
        return {};
    Rewrite rewrite;
    rewrite.viewBox = original.viewBoxF();
    if (!rewrite.viewBox.isEmpty())
        rewrite.unitsToPixels = double(size.width()) / rewrite.viewBox.width();
    rewrite.stroke = strokeWidth(size.width()) - (options.detail > 0 ? 1 : 0);
    rewriteTree(document->documentElement(), Paint{}, rewrite);
    std::optional<QDomDocument> paper = parse(svg);
    rewrite.paper = true;
    rewriteTree(paper->documentElement(), Paint{}, rewrite);

    const QImage coloured = render(svg, size);
    const QImage outlines = render(document->toByteArray(), size);
    if (coloured.isNull() || outlines.isNull() || detail::cancelled(options))
        return {};
    // Grey only at the smooth edges of the lines: every colour becomes its lightness.
    QImage lines(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(outlines.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(lines.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int v = int(255.0f * detail::luminance(in[x]) + 0.5f);
            out[x] = qRgb(v, v, v);
        }
    }
    return {coloured, lines, paper->toByteArray()};
}

ColouringPage fromOutlinesSvg(const QByteArray& svg, QSize bounds, const Options& options)
{
    const QSvgRenderer renderer(svg);
    const QSize size = fitSize(renderer.defaultSize(), bounds);
    if (!renderer.isValid() || size.isEmpty())
        return {};
    ColouringPage page = fromOutlines(render(svg, size), size, options);
    if (!page.isNull())
        page.outlineSvg = svg; // its own lines are the best there are
    return page;
}

} // namespace cuaderno::lineart
