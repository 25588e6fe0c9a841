// SPDX-License-Identifier: GPL-3.0-or-later
// Scores the picture processing on the sample drawings, whose true uncoloured versions are
// known: rims of the dark pixels, matched within 3 px, precision / recall / F1.
//   lineart_score <samples/drawings> [folder for the worst pictures]

#include "drawing.h"
#include "lineart.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace cuaderno;

namespace {

using Mask = std::vector<uint8_t>;

Mask dark(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Mask mask(size_t(rgb.width()) * size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            mask[size_t(y) * size_t(rgb.width()) + size_t(x)] =
                0.299 * qRed(line[x]) + 0.587 * qGreen(line[x]) + 0.114 * qBlue(line[x]) < 110;
    }
    return mask;
}

// Pixels of the mask with a pixel of `other` (value wanted) within radius (a disc).
Mask near(const Mask& mask, const Mask& other, uint8_t wanted, int w, int h, int radius)
{
    Mask out(mask.size(), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!mask[size_t(y) * size_t(w) + size_t(x)])
                continue;
            bool found = false;
            for (int dy = -radius; dy <= radius && !found; ++dy)
                for (int dx = -radius; dx <= radius && !found; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (dx * dx + dy * dy > radius * radius || nx < 0 || ny < 0 || nx >= w ||
                        ny >= h)
                        continue;
                    found = other[size_t(ny) * size_t(w) + size_t(nx)] == wanted;
                }
            out[size_t(y) * size_t(w) + size_t(x)] = found;
        }
    return out;
}

struct Score {
    double precision = 0, recall = 0, f1 = 0;
};

Score score(const QImage& result, const QImage& truth)
{
    const int w = truth.width(), h = truth.height();
    const QImage scaled = result.size() == truth.size() ? result : result.scaled(truth.size());
    const Mask a = dark(scaled), b = dark(truth);
    const Mask rimA = near(a, a, 0, w, h, 2), rimB = near(b, b, 0, w, h, 2);
    const Mask hitA = near(rimA, rimB, 1, w, h, 3), hitB = near(rimB, rimA, 1, w, h, 3);
    const auto count = [](const Mask& m) { return double(std::count(m.begin(), m.end(), 1)); };
    Score s;
    s.precision = count(rimA) > 0 ? count(hitA) / count(rimA) : 0;
    s.recall = count(rimB) > 0 ? count(hitB) / count(rimB) : 1;
    s.f1 = s.precision + s.recall > 0 ? 2 * s.precision * s.recall / (s.precision + s.recall) : 0;
    return s;
}

// Share of the inside (neither line nor the background reached from the border) that the
// coloured version fills with colour, and share of the lines it keeps dark.
std::pair<double, double> filled(const QImage& coloured, const QImage& truth)
{
    const int w = truth.width(), h = truth.height();
    const Mask lines = dark(truth);
    Mask outside(lines.size(), 0);
    std::vector<int> stack;
    for (int x = 0; x < w; ++x)
        for (int y : {0, h - 1})
            stack.push_back(y * w + x);
    for (int y = 0; y < h; ++y)
        for (int x : {0, w - 1})
            stack.push_back(y * w + x);
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        if (lines[size_t(i)] || outside[size_t(i)])
            continue;
        outside[size_t(i)] = 1;
        const int x = i % w, y = i / w;
        if (x > 0)
            stack.push_back(i - 1);
        if (x + 1 < w)
            stack.push_back(i + 1);
        if (y > 0)
            stack.push_back(i - w);
        if (y + 1 < h)
            stack.push_back(i + w);
    }
    const QImage rgb = coloured.convertToFormat(QImage::Format_RGB32);
    double inside = 0, colouredInside = 0, lineCount = 0, darkLines = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            const QRgb c = rgb.pixel(x, y);
            if (lines[i]) {
                ++lineCount;
                darkLines += 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c) < 110;
            } else if (!outside[i]) {
                ++inside;
                colouredInside += std::min({qRed(c), qGreen(c), qBlue(c)}) < 235;
            }
        }
    return {inside > 0 ? colouredInside / inside : 1, lineCount > 0 ? darkLines / lineCount : 1};
}

// A printed page as a scanner or a phone camera sees it: tinted paper, uneven light,
// slightly soft lines, grain.
QImage scanned(const QImage& page, quint32 seed, bool harsh)
{
    QRandomGenerator random(seed);
    const QImage soft =
        page.scaled(page.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .scaled(page.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage out(page.size(), QImage::Format_RGB32);
    const double tint[3] = {0.97, 0.93, 0.82};
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = soft.pixel(x, y);
            const double light =
                0.7 + 0.3 * (1.0 - double(x + y) / double(out.width() + out.height()));
            int c[3] = {qRed(p), qGreen(p), qBlue(p)};
            for (int k = 0; k < 3; ++k) {
                const double ink = c[k] / 255.0;
                const double v = (30 + 225 * ink * tint[k]) * light +
                                 (harsh ? random.bounded(-25, 26) : random.bounded(-12, 13));
                c[k] = std::clamp(int(v), 0, 255);
            }
            out.setPixel(x, y, qRgb(c[0], c[1], c[2]));
        }
    return out;
}

struct Row {
    QString name;
    Score score;
    double fill = 1, darkLines = 1;
    QImage result, extra;
};

void report(const char* title, std::vector<Row>& rows, const QString& worstDir)
{
    double p = 0, r = 0, f = 0, fill = 0, darkLines = 0;
    for (const Row& row : rows) {
        p += row.score.precision;
        r += row.score.recall;
        f += row.score.f1;
        fill += row.fill;
        darkLines += row.darkLines;
    }
    const double n = double(rows.size());
    std::printf("%-28s P %.3f  R %.3f  F1 %.3f  fill %.3f  lines dark %.3f  (%d pictures)\n", title,
                p / n, r / n, f / n, fill / n, darkLines / n, int(rows.size()));
    std::sort(rows.begin(), rows.end(),
              [](const Row& a, const Row& b) { return a.score.f1 < b.score.f1; });
    for (size_t i = 0; i < std::min<size_t>(3, rows.size()); ++i) {
        std::printf("    worst: %-10s P %.3f R %.3f F1 %.3f fill %.3f\n", qPrintable(rows[i].name),
                    rows[i].score.precision, rows[i].score.recall, rows[i].score.f1, rows[i].fill);
        if (!worstDir.isEmpty()) {
            const QString stem = worstDir + u'/' + QString::fromLatin1(title).section(u'-', 0, 0) +
                                 u'-' + QString(rows[i].name).replace(u'/', u'-');
            rows[i].result.save(stem + u".png");
            if (!rows[i].extra.isNull())
                rows[i].extra.save(stem + u"-b.png");
        }
    }
}

// Line width: dark area over half the rim (a line of width w and length L has area wL
// and a rim of about 2L pixels).
double lineWidth(const QImage& lines)
{
    const int w = lines.width(), h = lines.height();
    const Mask d = dark(lines);
    double area = 0, rim = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            if (!d[i])
                continue;
            ++area;
            rim += (x > 0 && !d[i - 1]) || (x + 1 < w && !d[i + 1]) ||
                   (y > 0 && !d[i - size_t(w)]) || (y + 1 < h && !d[i + size_t(w)]);
        }
    return rim > 0 ? 2 * area / rim : 0;
}

// Separate pieces of line (8-connected dark areas of at least 4 pixels).
int linePieces(const QImage& lines)
{
    const int w = lines.width(), h = lines.height();
    Mask d = dark(lines);
    int count = 0;
    std::vector<int> stack;
    for (size_t start = 0; start < d.size(); ++start) {
        if (!d[start])
            continue;
        int size = 0;
        d[start] = 0;
        stack.push_back(int(start));
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            ++size;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int x = i % w + dx, y = i / w + dy;
                    if (x >= 0 && y >= 0 && x < w && y < h &&
                        d[size_t(y) * size_t(w) + size_t(x)]) {
                        d[size_t(y) * size_t(w) + size_t(x)] = 0;
                        stack.push_back(y * w + x);
                    }
                }
        }
        count += size >= 4;
    }
    return count;
}

// Share of the line pixels' neighbours that are grey: smooth edges have some, stair steps none.
double greyEdges(const QImage& lines)
{
    const QImage rgb = lines.convertToFormat(QImage::Format_RGB32);
    double greys = 0, darks = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const int v = qGray(line[x]);
            greys += v > 40 && v < 215;
            darks += v <= 40;
        }
    }
    return darks > 0 ? greys / darks : 0;
}

// The share of the canvas the drawing's lines span, along its better-filled side.
double span(const QImage& lines)
{
    const int w = lines.width(), h = lines.height();
    const Mask d = dark(lines);
    int left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (d[size_t(y) * size_t(w) + size_t(x)]) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? 0 : std::max(double(right - left + 1) / w, double(bottom - top + 1) / h);
}

// The drawing small on a big white page: without its background, at a third of its size near
// the top of a portrait sheet, as clip art often comes.
QByteArray onBigPage(const QByteArray& svg, int placement)
{
    QByteArray inner = svg.mid(svg.indexOf('>', svg.indexOf("<svg")) + 1);
    inner.truncate(inner.lastIndexOf("</svg>"));
    inner.replace(QByteArray(R"(<rect x="0" y="0" width="800" height="520")"),
                  QByteArray(R"(<rect display="none" x="0" y="0" width="800" height="520")"));
    const int x = 100 + 500 * (placement % 3), y = 120 + 900 * (placement / 3 % 3);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"2100\" height=\"2970\" "
           "viewBox=\"0 0 2100 2970\"><rect width=\"2100\" height=\"2970\" fill=\"white\"/>"
           "<g transform=\"translate(" +
           QByteArray::number(x) + ' ' + QByteArray::number(y) + ") scale(0.9)\">" + inner +
           "</g></svg>";
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "uso: lineart_score <samples/drawings> [carpeta]\n");
        return 2;
    }
    const QString worstDir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (!worstDir.isEmpty())
        QDir().mkpath(worstDir);
    QStringList files;
    QDirIterator it(QString::fromLocal8Bit(argv[1]), {u"*.svg"_qs}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();

    std::vector<Row> svgRows, bitmapRows, jpegRows, bareRows, pageRows, photoRows;
    QStringList misjudged;
    quint32 seed = 1;
    std::vector<double> widthRatio, pieceRatio, greySvg, greyBitmap, spanSvg, spanBitmap;
    QString thinnest, mostPieces;
    std::vector<double> bareWidthRatio, barePieceRatio; // art without outlines
    for (const QString& file : files) {
        QFile source(file);
        if (!source.open(QIODevice::ReadOnly))
            continue;
        QString error;
        const QByteArray svg = source.readAll();
        const QImage coloured = samples::renderSvg(svg, &error);
        const QImage truth = samples::renderSvg(samples::uncolouredSvg(svg, &error), &error);
        if (coloured.isNull() || truth.isNull()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(file), qPrintable(error));
            continue;
        }
        const QString name = file.section(u'/', -2);
        const lineart::ColouringPage fromSvg = lineart::fromColouredSvg(svg, truth.size());
        svgRows.push_back({name, score(fromSvg.uncoloured, truth), 1, 1, fromSvg.uncoloured, {}});
        const lineart::ColouringPage fromBitmap = lineart::fromColoured(coloured, truth.size());
        bitmapRows.push_back(
            {name, score(fromBitmap.uncoloured, truth), 1, 1, fromBitmap.uncoloured, coloured});
        widthRatio.push_back(lineWidth(fromBitmap.uncoloured) / lineWidth(fromSvg.uncoloured));
        pieceRatio.push_back(double(linePieces(fromBitmap.uncoloured)) /
                             std::max(1, linePieces(fromSvg.uncoloured)));
        const auto keep = [&](const char* what) {
            if (worstDir.isEmpty())
                return;
            fromBitmap.uncoloured.save(worstDir + u'/' + QLatin1String(what) + u"-bitmap.png");
            fromSvg.uncoloured.save(worstDir + u'/' + QLatin1String(what) + u"-svg.png");
        };
        if (widthRatio.back() <= *std::min_element(widthRatio.begin(), widthRatio.end())) {
            thinnest = name;
            keep("thinnest");
        }
        if (pieceRatio.back() >= *std::max_element(pieceRatio.begin(), pieceRatio.end())) {
            mostPieces = name;
            keep("most-pieces");
        }
        greySvg.push_back(greyEdges(fromSvg.uncoloured));
        greyBitmap.push_back(greyEdges(fromBitmap.uncoloured));
        if (spanSvg.size() < 10) {
            // Margins: through the trimming the importer does, as SVG and as a PNG of the page.
            const QByteArray page = onBigPage(svg, int(spanSvg.size()));
            const QByteArray trimmed = lineart::trimSvg(page);
            spanSvg.push_back(span(lineart::fromColouredSvg(trimmed, truth.size()).uncoloured));
            const QImage sheet = samples::renderSvg(page, &error);
            const QImage drawing = sheet.copy(lineart::contentBox(sheet, lineart::Kind::Coloured));
            spanBitmap.push_back(span(lineart::fromColoured(drawing, truth.size()).uncoloured));
        }
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        coloured.save(&buffer, "JPEG", 80);
        const QImage decoded = QImage::fromData(jpeg);
        const lineart::ColouringPage fromJpeg = lineart::fromColoured(decoded, truth.size());
        jpegRows.push_back(
            {name, score(fromJpeg.uncoloured, truth), 1, 1, fromJpeg.uncoloured, decoded});
        // Art without outlines: the same drawing with its strokes taken away, scored against
        // the outlines of its shapes (as the SVG rewrite draws them).
        QByteArray bare = svg;
        bare.replace("stroke=\"#000000\"", "stroke=\"none\"");
        const QImage bareColoured = samples::renderSvg(bare, &error);
        const QImage bareTruth = lineart::fromColouredSvg(bare, truth.size()).uncoloured;
        const lineart::ColouringPage fromBare = lineart::fromColoured(bareColoured, truth.size());
        bareRows.push_back(
            {name, score(fromBare.uncoloured, bareTruth), 1, 1, fromBare.uncoloured, bareColoured});
        bareWidthRatio.push_back(lineWidth(fromBare.uncoloured) / lineWidth(bareTruth));
        barePieceRatio.push_back(double(linePieces(fromBare.uncoloured)) /
                                 std::max(1, linePieces(bareTruth)));
        const QImage page = scanned(truth, seed++, false);
        // A phone photograph of the printed page: dim corners, soft lines, grain, JPEG.
        QByteArray photoBytes;
        QBuffer photoBuffer(&photoBytes);
        photoBuffer.open(QIODevice::WriteOnly);
        scanned(truth, seed++, true).save(&photoBuffer, "JPEG", 70);
        const lineart::ColouringPage fromPhoto =
            lineart::fromOutlines(QImage::fromData(photoBytes), truth.size());
        const auto [photoFill, photoDark] = filled(fromPhoto.coloured, truth);
        photoRows.push_back({name, score(fromPhoto.uncoloured, truth), photoFill, photoDark,
                             fromPhoto.uncoloured, fromPhoto.coloured});
        for (const auto& [picture, kind] :
             {std::pair{coloured, lineart::Kind::Coloured},
              std::pair{decoded, lineart::Kind::Coloured}, std::pair{page, lineart::Kind::Outlines},
              std::pair{truth, lineart::Kind::Outlines}}) {
            const lineart::Classification judged = lineart::classify(picture);
            if (judged.kind != kind || judged.photo)
                misjudged.append(name);
        }
        const lineart::ColouringPage fromPage = lineart::fromOutlines(page, truth.size());
        const auto [fill, darkLines] = filled(fromPage.coloured, truth);
        pageRows.push_back({name, score(fromPage.uncoloured, truth), fill, darkLines,
                            fromPage.uncoloured, fromPage.coloured});
    }
    report("svg->outlines", svgRows, worstDir);
    report("bitmap->outlines", bitmapRows, worstDir);
    report("jpeg->outlines", jpegRows, worstDir);
    report("no-outline-bitmap->outlines", bareRows, worstDir);
    report("scanned-page->uncoloured", pageRows, worstDir);
    report("photographed-page->uncoloured", photoRows, worstDir);
    std::printf("bitmap/svg line width: median %.2f, lowest %.2f (%s)\n", median(widthRatio),
                *std::min_element(widthRatio.begin(), widthRatio.end()), qPrintable(thinnest));
    std::printf("bitmap/svg pieces of line: median %.2f, worst %.2f (%s)\n", median(pieceRatio),
                *std::max_element(pieceRatio.begin(), pieceRatio.end()), qPrintable(mostPieces));
    std::printf(
        "the same without outlines (strokes removed): line width median %.2f, lowest "
        "%.2f; pieces median %.2f, worst %.2f\n",
        median(bareWidthRatio), *std::min_element(bareWidthRatio.begin(), bareWidthRatio.end()),
        median(barePieceRatio), *std::max_element(barePieceRatio.begin(), barePieceRatio.end()));
    std::printf("grey edge pixels per line pixel: svg median %.2f lowest %.2f, bitmap median "
                "%.2f lowest %.2f\n",
                median(greySvg), *std::min_element(greySvg.begin(), greySvg.end()),
                median(greyBitmap), *std::min_element(greyBitmap.begin(), greyBitmap.end()));
    const auto filling = [](const std::vector<double>& spans) {
        return int(std::count_if(spans.begin(), spans.end(), [](double v) { return v >= 0.85; }));
    };
    std::printf("drawn small on a big page, span of the canvas: svg %d of %d at 85 %% or more "
                "(lowest %.2f), bitmap %d of %d (lowest %.2f)\n",
                filling(spanSvg), int(spanSvg.size()),
                *std::min_element(spanSvg.begin(), spanSvg.end()), filling(spanBitmap),
                int(spanBitmap.size()), *std::min_element(spanBitmap.begin(), spanBitmap.end()));
    std::printf("classification: %d of %d pictures misjudged %s\n", int(misjudged.size()),
                int(files.size()) * 4, qPrintable(misjudged.join(u' ')));
    return 0;
}
