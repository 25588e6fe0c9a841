// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchdata.h"

#include "drawing.h"
#include "extras.h"
#include "gifwriter/gifwriter.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>

namespace cuaderno::bench {

namespace {

bool makeFolder(const QString& path, QString& error)
{
    if (!QDir().mkpath(path)) {
        error = QStringLiteral("cannot create ") + path;
        return false;
    }
    return true;
}

bool writeFile(const QString& path, const QByteArray& bytes, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        error = QStringLiteral("cannot write ") + path;
        return false;
    }
    return true;
}

// The SVG at the given size on white paper, as a page of the library would be.
QImage onPaper(const QByteArray& svg, QSize size, QString& error)
{
    const QImage drawn = samples::renderSvgTransparent(svg, size, &error);
    if (drawn.isNull()) {
        return {};
    }
    QImage paper(size, QImage::Format_RGB32);
    paper.fill(Qt::white);
    QPainter(&paper).drawImage(0, 0, drawn);
    return paper;
}

bool writeDrawing(const QString& root, int category, const QByteArray& svg, QSize size,
                  QString& error)
{
    const QString base = root + QStringLiteral("/dibujos/") + QString::number(category);
    if (!makeFolder(base + QStringLiteral("/si coloreado"), error) ||
        !makeFolder(base + QStringLiteral("/no coloreado"), error)) {
        return false;
    }
    const QImage coloured = onPaper(svg, size, error);
    const QByteArray outlines = samples::uncolouredSvg(svg, &error);
    const QImage uncoloured = outlines.isEmpty() ? QImage() : onPaper(outlines, size, error);
    return !coloured.isNull() && !uncoloured.isNull() &&
           writeGif(base + QStringLiteral("/si coloreado/1.GIF"), coloured, &error) &&
           writeGif(base + QStringLiteral("/no coloreado/1.GIF"), uncoloured, &error);
}

// The scan reads names only, so every file holds the same small picture.
bool writeScanCategory(const QString& root, int count, bool upperCase, const QByteArray& bytes,
                       QString& error)
{
    const QString folder = root + QStringLiteral("/dibujos/") +
                           QString::number(scanCategory(count, upperCase)) +
                           QStringLiteral("/si coloreado");
    if (!makeFolder(folder, error)) {
        return false;
    }
    const QString extension = upperCase ? QStringLiteral(".GIF") : QStringLiteral(".gif");
    for (int n = 1; n <= count; ++n) {
        if (!writeFile(folder + u'/' + QString::number(n) + extension, bytes, error)) {
            return false;
        }
    }
    return true;
}

} // namespace

int scanCategory(int count, bool upperCaseNames)
{
    return scanCategoryFirst + (count > 1000 ? 2 : 0) + (upperCaseNames ? 1 : 0);
}

QString BenchData::colouredPath(int category, int n, const QString& name) const
{
    return root_ + QStringLiteral("/dibujos/%1/si coloreado/%2").arg(category).arg(n) + name;
}

QString BenchData::uncolouredPath(int category, int n) const
{
    return root_ + QStringLiteral("/dibujos/%1/no coloreado/%2.GIF").arg(category).arg(n);
}

bool BenchData::build(const QString& sampleSvg, QString& error)
{
    if (!dir_.isValid()) {
        error = QStringLiteral("no temporary folder");
        return false;
    }
    root_ = dir_.path();
    QFile source(sampleSvg);
    if (!source.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read ") + sampleSvg;
        return false;
    }
    const QByteArray svg = source.readAll();
    if (!writeDrawing(root_, smallPageCategory, svg, smallPage, error) ||
        !writeDrawing(root_, largePageCategory, svg, largePage, error)) {
        return false;
    }

    // What start-up and the page turns read besides the drawings.
    const QImage tile = samples::backgroundTile().scaled(tileSide, tileSide);
    if (!makeFolder(path(QStringLiteral("medida")), error) ||
        !makeFolder(path(QStringLiteral("punteros")), error) ||
        !makeFolder(path(QStringLiteral("animados")), error) ||
        !writeGif(path(QStringLiteral("fondo.gif")), tile, &error) ||
        !writeGif(path(QStringLiteral("medida/1.gif")), samples::brushPicture(20), &error) ||
        !writeGif(path(QStringLiteral("medida/2.gif")), samples::brushPicture(90), &error)) {
        return false;
    }
    QImage pointer(32, 32, QImage::Format_ARGB32);
    pointer.fill(Qt::black);
    if (!QImageWriter(path(QStringLiteral("punteros/1.ico")), "ico").write(pointer)) {
        error = QStringLiteral("cannot write the pointer icon");
        return false;
    }
    for (int i = 0; i < samples::animationCount(); ++i) {
        const QString name = QStringLiteral("animados/%1.gif").arg(i + 1);
        if (!writeAnimatedGif(path(name), samples::animationFrames(i), samples::kAnimationDelay,
                              &error)) {
            return false;
        }
    }

    return true;
}

bool BenchData::buildScanCategories(QString& error)
{
    if (scanCategoriesBuilt_) {
        return true;
    }
    // Thousands of copies of a tiny picture keep the tree small.
    QImage dot(2, 2, QImage::Format_RGB32);
    dot.fill(Qt::white);
    const QString dotPath = path(QStringLiteral("punto.gif"));
    QFile dotFile(dotPath);
    if (!writeGif(dotPath, dot, &error) || !dotFile.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = dotFile.readAll();
    for (const int count : {1000, 10000}) {
        for (const bool upper : {false, true}) {
            if (!writeScanCategory(root_, count, upper, bytes, error)) {
                return false;
            }
        }
    }
    scanCategoriesBuilt_ = true;
    return true;
}

} // namespace cuaderno::bench
