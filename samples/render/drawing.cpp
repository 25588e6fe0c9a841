// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing.h"
#include "gifwriter/gifwriter.h"

#include <QColor>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QSvgRenderer>

namespace cuaderno::samples {
namespace {

bool keepsItsColour(QStringView value)
{
    const QString v = value.trimmed().toString().toLower();
    if (v == u"none")
        return true;
    const QColor colour(v);
    return colour.isValid() && colour.red() == 0 && colour.green() == 0 && colour.blue() == 0;
}

// Rewrites "fill:..." inside a style attribute; the other declarations stay.
QString whitenStyle(const QString& style)
{
    QStringList parts = style.split(u';');
    for (QString& part : parts) {
        const qsizetype colon = part.indexOf(u':');
        if (colon < 0 || part.left(colon).trimmed() != u"fill")
            continue;
        if (!keepsItsColour(QStringView(part).mid(colon + 1)))
            part = part.left(colon + 1) + u"#ffffff";
    }
    return parts.join(u';');
}

void whiten(QDomElement element)
{
    if (element.hasAttribute(QStringLiteral("fill")) &&
        !keepsItsColour(element.attribute(QStringLiteral("fill"))))
        element.setAttribute(QStringLiteral("fill"), QStringLiteral("#ffffff"));
    if (element.hasAttribute(QStringLiteral("style")))
        element.setAttribute(QStringLiteral("style"),
                             whitenStyle(element.attribute(QStringLiteral("style"))));
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        whiten(child);
}

bool parse(const QByteArray& svg, QDomDocument* document, QString* error)
{
    QString message;
    int line = 0, column = 0;
    if (!document->setContent(svg, false, &message, &line, &column)) {
        *error = QStringLiteral("XML no válido en la línea %1, columna %2: %3")
                     .arg(line)
                     .arg(column)
                     .arg(message);
        return false;
    }
    if (document->documentElement().tagName() != u"svg") {
        *error = QStringLiteral("el elemento raíz no es <svg>");
        return false;
    }
    return true;
}

QImage render(const QByteArray& svg, QSize size, bool paper, QString* error)
{
    QSvgRenderer renderer;
    if (!renderer.load(svg) || !renderer.isValid()) {
        *error = QStringLiteral("el SVG no se puede dibujar");
        return {};
    }
    if (!size.isValid())
        size = renderer.defaultSize();
    if (size.isEmpty() || size.width() > kMaxDrawingSide || size.height() > kMaxDrawingSide) {
        *error = QStringLiteral("tamaño no válido: %1 x %2").arg(size.width()).arg(size.height());
        return {};
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        *error = QStringLiteral("sin memoria para %1 x %2").arg(size.width()).arg(size.height());
        return {};
    }
    image.fill(paper ? Qt::white : Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return paper ? image.convertToFormat(QImage::Format_RGB32) : image;
}

bool readSource(const QString& path, QByteArray* data, QString* error)
{
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("no es un archivo");
        return false;
    }
    if (file.size() > kMaxSvgBytes) {
        *error = QStringLiteral("archivo demasiado grande");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    *data = file.readAll();
    if (data->isEmpty()) {
        *error = QStringLiteral("archivo vacío");
        return false;
    }
    return true;
}

} // namespace

QByteArray uncolouredSvg(const QByteArray& svg, QString* error)
{
    QDomDocument document;
    if (!parse(svg, &document, error))
        return {};
    whiten(document.documentElement());
    return document.toByteArray();
}

QImage renderSvg(const QByteArray& svg, QString* error)
{
    return render(svg, QSize(), true, error);
}

QImage renderSvgTransparent(const QByteArray& svg, QSize size, QString* error)
{
    return render(svg, size, false, error);
}

bool renderDrawing(const QString& svgPath, const QString& colouredPath,
                   const QString& uncolouredPath, QString* error, const QString& outlinePath)
{
    QByteArray source;
    if (!readSource(svgPath, &source, error))
        return false;
    // Both versions are drawn from the same re-serialised document, so the
    // outlines cannot shift between them.
    QDomDocument document;
    if (!parse(source, &document, error))
        return false;
    const QByteArray colouredSource = document.toByteArray();
    whiten(document.documentElement());
    const QByteArray uncolouredSource = document.toByteArray();

    const QImage coloured = renderSvg(colouredSource, error);
    if (coloured.isNull())
        return false;
    const QImage uncoloured = renderSvg(uncolouredSource, error);
    if (uncoloured.isNull())
        return false;

    if (QFileInfo(colouredPath).suffix().compare(u"gif", Qt::CaseInsensitive) == 0) {
        if (!writeGif(colouredPath, coloured, error))
            return false;
    } else {
        QImageWriter writer(colouredPath, "jpeg");
        writer.setQuality(92);
        if (!writer.write(coloured)) {
            *error = writer.errorString();
            return false;
        }
    }
    if (!outlinePath.isEmpty()) {
        QFile outline(outlinePath);
        if (!outline.open(QIODevice::WriteOnly) ||
            outline.write(uncolouredSource) != uncolouredSource.size()) {
            *error = outline.errorString();
            return false;
        }
    }
    return writeGif(uncolouredPath, uncoloured, error);
}

} // namespace cuaderno::samples
