// SPDX-License-Identifier: GPL-3.0-or-later
#include "svgbudget.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <limits>

namespace cuaderno::importer {
namespace {

// Page sizes and coordinates beyond these are no drawing's: they only overflow Qt's
// arithmetic (a size in pixels is an int) or make it measure text and shapes forever.
constexpr double maxSide = 1'000'000;
constexpr double maxCoordinate = 1e9;

QString tooComplex(const QString& file, const QString& why)
{
    return QStringLiteral("El SVG %1 es demasiado complejo para convertirlo en un dibujo (%2).")
        .arg(file, why);
}

QString impossibleSize(const QString& file, const QString& what)
{
    return QStringLiteral("El SVG %1 declara un tamaño imposible (%2); está dañado.")
        .arg(file, what.left(60));
}

// The number a length begins with ("12.5" in "12.5mm"); nothing when it begins with none.
std::optional<double> leadingNumber(QStringView text)
{
    text = text.trimmed();
    qsizetype end = 0;
    while (end < text.size() && (text[end].isDigit() || QStringView(u"+-.eE").contains(text[end])))
        ++end;
    if (end == 0)
        return std::nullopt;
    bool ok = false;
    const double value = text.left(end).toDouble(&ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

std::optional<QString> SvgBudget::checkViewBox(QStringView value) const
{
    QString text = value.toString();
    text.replace(u',', u' ');
    const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    bool good = parts.size() == 4;
    double numbers[4] = {};
    for (qsizetype i = 0; good && i < 4; ++i) {
        numbers[i] = parts[i].toDouble(&good);
        good = good && std::isfinite(numbers[i]) && std::abs(numbers[i]) <= maxCoordinate;
    }
    // An empty page draws nothing, and some of Qt's measuring then never ends.
    if (good && numbers[2] > 0 && numbers[3] > 0)
        return std::nullopt;
    return impossibleSize(file_, u"viewBox=\""_qs + value + u'"');
}

std::optional<QString> SvgBudget::checkSize(const QXmlStreamReader& reader) const
{
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        if (attribute.name() != u"width" && attribute.name() != u"height")
            continue;
        const std::optional<double> number = leadingNumber(attribute.value());
        if (number && !(*number > 0 && *number <= maxSide))
            return impossibleSize(file_, attribute.name() + u"=\"" + attribute.value() + u'"');
    }
    return std::nullopt;
}

// An embedded picture is decoded whole, however small it is drawn: its pixels are counted.
std::optional<QString> SvgBudget::picture(QStringView href)
{
    const qsizetype data = href.lastIndexOf(u"base64,");
    if (data < 0)
        return std::nullopt; // Qt draws only base64 pictures
    QByteArray bytes = QByteArray::fromBase64(href.mid(data + 7).toLatin1());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (reader.format().startsWith("svg"))
        return QStringLiteral("El SVG %1 lleva otro SVG dentro como imagen; por seguridad no se "
                              "importa.")
            .arg(file_);
    const QSize size = reader.size();
    ++pictures_;
    pixels_ += size.isValid() ? qint64(size.width()) * size.height() : 0;
    if (pictures_ > maxEmbeddedPictures || pixels_ > maxEmbeddedPixels)
        return QStringLiteral("El SVG %1 lleva demasiadas imágenes dentro (más de %2, o más de "
                              "%3 millones de píxeles entre todas).")
            .arg(file_)
            .arg(maxEmbeddedPictures)
            .arg(maxEmbeddedPixels / 1'000'000);
    return std::nullopt;
}

std::optional<QString> SvgBudget::open(const QXmlStreamReader& reader)
{
    if (open_.size() >= size_t(maxSvgDepth))
        return tooComplex(file_,
                          u"más de %1 niveles de grupos unos dentro de otros"_qs.arg(maxSvgDepth));
    if (++elements_ > maxSvgElements)
        return tooComplex(file_, u"más de cien mil elementos"_qs);
    if (open_.empty())
        if (std::optional<QString> refused = checkSize(reader))
            return refused;
    int scope = open_.empty() ? 0 : open_.back().scope;
    QStringView href;
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        if (attribute.name() == u"href")
            href = attribute.value();
        else if (attribute.name() == u"viewBox")
            if (std::optional<QString> refused = checkViewBox(attribute.value()))
                return refused;
    }
    const QStringView id = reader.attributes().value(QLatin1String("id"));
    if (!id.isEmpty()) {
        const int inner = int(scopes_.size());
        scopes_.push_back({{}, {}, elements_});
        scopes_[size_t(scope)].inner.push_back(inner);
        ids_[id.toString()].push_back(inner);
        scope = inner;
    }
    open_.push_back({scope, !id.isEmpty()});
    if (reader.name() == u"use" && href.startsWith(u'#')) {
        scopes_[size_t(scope)].targets.append(href.mid(1).toString());
    } else if (reader.name() == u"image" && href.trimmed().startsWith(u"data:")) {
        return picture(href);
    }
    return std::nullopt;
}

void SvgBudget::close()
{
    if (open_.empty())
        return;
    if (open_.back().owner)
        scopes_[size_t(open_.back().scope)].endElement = elements_;
    open_.pop_back();
}

// What an element draws again when a <use> names it: itself with all inside it, and what that
// draws again in turn.
double SvgBudget::drawnAgain(int scope, const std::vector<double>& copies) const
{
    const Scope& named = scopes_[size_t(scope)];
    const qsizetype end = named.endElement < 0 ? elements_ : named.endElement;
    return 1.0 + double(end - named.firstElement) + copies[size_t(scope)];
}

// Elements drawn again by <use>, counted bottom up without recursion (one scope may be reached
// through thousands of others). After the scopes come one node per id, standing for all the
// elements that share it (the largest counts), so that the work stays linear.
std::optional<QString> SvgBudget::finish() const
{
    std::vector<std::vector<int>> edges(scopes_.size());
    std::vector<double> unnamed(scopes_.size(), 0.0); // <use> of an id no element has
    QHash<QString, int> idNodes;
    for (auto named = ids_.cbegin(); named != ids_.cend(); ++named) {
        idNodes.insert(named.key(), int(edges.size()));
        edges.push_back(named.value());
    }
    for (size_t s = 0; s < scopes_.size(); ++s) {
        edges[s].insert(edges[s].end(), scopes_[s].inner.begin(), scopes_[s].inner.end());
        for (const QString& target : scopes_[s].targets) {
            if (const int node = idNodes.value(target, -1); node >= 0)
                edges[s].push_back(node);
            else
                ++unnamed[s];
        }
    }
    enum State : char { New, Counting, Counted };
    std::vector<State> state(edges.size(), New);
    std::vector<double> copies(edges.size(), 0.0);
    std::vector<std::pair<int, size_t>> stack{{0, 0}};
    state[0] = Counting;
    while (!stack.empty()) {
        const int node = stack.back().first;
        const std::vector<int>& out = edges[size_t(node)];
        if (const size_t next = stack.back().second++; next < out.size()) {
            const int to = out[next];
            if (state[size_t(to)] == Counting) // a shape that contains its own copy
                return tooComplex(file_, u"un elemento se repite dentro de sí mismo"_qs);
            if (state[size_t(to)] == New) {
                state[size_t(to)] = Counting;
                stack.push_back({to, 0});
            }
            continue;
        }
        const bool scope = size_t(node) < scopes_.size();
        double total = scope ? unnamed[size_t(node)] : 1.0;
        for (const int to : out)
            total = scope ? total + copies[size_t(to)] : std::max(total, drawnAgain(to, copies));
        copies[size_t(node)] = std::min(total, 1e18);
        state[size_t(node)] = Counted;
        stack.pop_back();
    }
    if (copies[0] > maxSvgCopies)
        return tooComplex(file_, u"repite sus formas más de cincuenta mil veces"_qs);
    return std::nullopt;
}

} // namespace cuaderno::importer
