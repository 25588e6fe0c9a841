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
#include <vector>

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

// Every element under root, parents before children, without recursion (a document nested
// deeply must not exhaust the stack). visit(element, inherited) gives the paint its children
// inherit, or nothing when they are not to be visited.
template <typename Visit> void walk(const QDomElement& root, Visit visit)
{
    std::vector<std::pair<QDomElement, Paint>> stack{{root, Paint{}}};
    while (!stack.empty()) {
        const auto [element, inherited] = std::move(stack.back());
        stack.pop_back();
        const std::optional<Paint> paint = visit(element, inherited);
        if (!paint)
            continue;
        for (QDomElement child = element.lastChildElement(); !child.isNull();
             child = child.previousSiblingElement())
            stack.emplace_back(child, *paint);
    }
}

// One shape's paint rewritten: white or black fill, the one black stroke.
void rewriteShape(QDomElement& element, const Paint& paint, const Rewrite& rewrite)
{
    const Fill fill = fillKind(paint.fill);
    const bool stroked = fillKind(paint.stroke) != Fill::None;
    QList<std::pair<QString, QString>> style = {{u"fill"_qs, fill == Fill::None   ? u"none"_qs
                                                             : fill == Fill::Dark ? u"#000000"_qs
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
        } else if (rewrite.paper) {
            // On paper the lines scale with the drawing; a fixed width would print as hairlines.
            style.append(
                {u"stroke-width"_qs, QString::number(rewrite.stroke / rewrite.unitsToPixels)});
        } else {
            style.append({u"stroke-width"_qs, QString::number(rewrite.stroke)});
            style.append({u"vector-effect"_qs, u"non-scaling-stroke"_qs});
        }
    }
    setStyle(element, style);
}

// The element rewritten; the paint its children inherit, or nothing when they are hidden.
std::optional<Paint> rewriteElement(QDomElement element, const Paint& parent,
                                    const Rewrite& rewrite)
{
    if (kNotPainted.contains(element.tagName()))
        return std::nullopt;
    const Paint paint = inherit(parent, element);
    const double ownFillOpacity =
        number(declared(element, u"fill-opacity"_qs), 1.0) * (paint.opacity / parent.opacity);
    const bool shape = kShapes.contains(element.tagName());
    // Highlights and shadows are translucent; they are not parts to colour. A photograph
    // inside cannot be outlined.
    if ((ownFillOpacity < 0.9 && shape) || element.tagName() == u"image") {
        setStyle(element, {{u"display"_qs, u"none"_qs}});
        return std::nullopt;
    }
    if (shape) {
        rewriteShape(element, paint, rewrite);
    } else if (element.hasAttribute(u"opacity"_qs) || !declared(element, u"opacity"_qs).isEmpty()) {
        if (paint.opacity < 0.9) {
            setStyle(element, {{u"display"_qs, u"none"_qs}});
            return std::nullopt;
        }
        setStyle(element, {{u"opacity"_qs, u"1"_qs}});
    }
    return paint;
}

// True when any painted shape has a fill other than none, white or black.
bool hasColour(const QDomElement& root)
{
    bool found = false;
    walk(root, [&](const QDomElement& element, const Paint& parent) -> std::optional<Paint> {
        if (found || kNotPainted.contains(element.tagName()))
            return std::nullopt;
        const Paint paint = inherit(parent, element);
        found = element.tagName() == u"image" ||
                (kShapes.contains(element.tagName()) && fillKind(paint.fill) == Fill::Colour);
        return paint;
    });
    return found;
}

// A simple CSS selector (tag, .class, #id, tag.class), read once for all the elements.
struct Selector {
    QString tag; // empty or * for any
    QString id;
    QString className;
    int specificity = 0; // an id outweighs a class, a class a tag
};

Selector compile(QStringView text)
{
    Selector selector;
    qsizetype mark = 0;
    while (mark < text.size() && text[mark] != u'.' && text[mark] != u'#')
        ++mark;
    selector.tag = text.left(mark).toString();
    if (!selector.tag.isEmpty() && selector.tag != u"*")
        selector.specificity = 1;
    if (mark < text.size()) {
        const QString name = text.mid(mark + 1).toString();
        (text[mark] == u'#' ? selector.id : selector.className) = name;
        selector.specificity += text[mark] == u'#' ? 100 : 10;
    }
    return selector;
}

bool selects(const Selector& selector, const QDomElement& element, const QStringList& classes)
{
    if (!selector.tag.isEmpty() && selector.tag != u"*" && selector.tag != element.tagName())
        return false;
    if (!selector.id.isEmpty())
        return element.attribute(u"id"_qs) == selector.id;
    return selector.className.isEmpty() || classes.contains(selector.className);
}

struct Rule {
    Selector selector;
    QString declarations;
};

QList<Rule> readRules(QString css)
{
    css.remove(
        QRegularExpression(u"/\\*.*?\\*/"_qs, QRegularExpression::DotMatchesEverythingOption));
    QList<Rule> rules;
    for (const QString& rule : css.split(u'}', Qt::SkipEmptyParts)) {
        const qsizetype brace = rule.indexOf(u'{');
        if (brace < 0)
            continue;
        const QString declarations = rule.mid(brace + 1).trimmed();
        for (const QString& selector : rule.left(brace).split(u',', Qt::SkipEmptyParts))
            rules.append({compile(QStringView(selector).trimmed()), declarations});
    }
    return rules;
}

// Rules of <style> sheets become style attributes (exported clip art keeps its colours in
// classes), so the rewrite sees every fill; the sheets are then dropped. One walk for all the
// rules; the later and the more specific rule comes later, and so wins, and the element's own
// style last of all.
void inlineStyleSheets(QDomDocument& document)
{
    const QDomNodeList sheets = document.elementsByTagName(u"style"_qs);
    QList<Rule> rules;
    QList<QDomNode> dropped;
    for (int i = 0; i < sheets.size(); ++i) {
        rules += readRules(sheets.at(i).toElement().text());
        dropped.append(sheets.at(i));
    }
    for (QDomNode& sheet : dropped)
        sheet.parentNode().removeChild(sheet);
    if (rules.isEmpty())
        return;
    std::stable_sort(rules.begin(), rules.end(), [](const Rule& a, const Rule& b) {
        return a.selector.specificity < b.selector.specificity;
    });
    walk(document.documentElement(), [&](QDomElement element, const Paint& paint) {
        const QStringList classes = element.attribute(u"class"_qs).split(u' ', Qt::SkipEmptyParts);
        QStringList matched;
        for (const Rule& rule : rules)
            if (selects(rule.selector, element, classes))
                matched.append(rule.declarations);
        if (!matched.isEmpty())
            element.setAttribute(u"style"_qs,
                                 matched.join(u';') + u';' + element.attribute(u"style"_qs));
        return std::optional<Paint>(paint);
    });
}

std::optional<QDomDocument> parse(const QByteArray& svg)
{
    QDomDocument document;
    if (!document.setContent(svg) || document.documentElement().tagName() != u"svg")
        return std::nullopt;
    inlineStyleSheets(document);
    return document;
}

QImage render(QSvgRenderer& renderer, QSize size)
{
    if (!renderer.isValid())
        return {};
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

// The document with its paint rewritten, serialised; the tree is let go before it is drawn.
QByteArray outlinesDocument(const QByteArray& svg, const Rewrite& rewrite)
{
    std::optional<QDomDocument> document = parse(svg);
    if (!document)
        return {};
    walk(document->documentElement(), [&](QDomElement element, const Paint& parent) {
        return rewriteElement(element, parent, rewrite);
    });
    return document->toByteArray();
}

} // namespace

Kind classifySvg(const QByteArray& svg)
{
    const std::optional<QDomDocument> document = parse(svg);
    if (!document)
        return Kind::Coloured;
    return hasColour(document->documentElement()) ? Kind::Coloured : Kind::Outlines;
}

// One of the original's renderer, its tree and the rewritten document is held at a time.
ColouringPage fromColouredSvg(const QByteArray& svg, QSize bounds, const Options& options)
{
    Rewrite rewrite;
    QSize size;
    QImage coloured;
    {
        QSvgRenderer original(svg);
        size = fitSize(original.defaultSize(), bounds);
        if (!original.isValid() || size.isEmpty() || detail::cancelled(options))
            return {};
        rewrite.viewBox = original.viewBoxF();
        coloured = render(original, size);
    }
    if (!rewrite.viewBox.isEmpty())
        rewrite.unitsToPixels = double(size.width()) / rewrite.viewBox.width();
    rewrite.stroke = strokeWidth(size.width()) - (options.detail > 0 ? 1 : 0);
    QByteArray rewritten = outlinesDocument(svg, rewrite);
    if (rewritten.isEmpty() || detail::cancelled(options))
        return {};
    QImage outlines;
    {
        QSvgRenderer renderer(rewritten);
        rewritten.clear();
        outlines = render(renderer, size);
    }
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
    rewrite.paper = true;
    return {coloured, lines, outlinesDocument(svg, rewrite)};
}

ColouringPage fromOutlinesSvg(const QByteArray& svg, QSize bounds, const Options& options)
{
    QSvgRenderer renderer(svg);
    const QSize size = fitSize(renderer.defaultSize(), bounds);
    if (!renderer.isValid() || size.isEmpty())
        return {};
    ColouringPage page = fromOutlines(render(renderer, size), size, options);
    if (!page.isNull())
        page.outlineSvg = svg; // its own lines are the best there are
    return page;
}

} // namespace cuaderno::lineart
