// SPDX-License-Identifier: GPL-3.0-or-later
#include "lineart/lineart.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

using namespace cuaderno::lineart;

namespace {

bool isDark(QRgb c)
{
    return qGray(c) < 110;
}

// Dark runs along row y between x0 and x1, as (start, length) pairs.
QList<QPoint> darkRuns(const QImage& image, int y, int x0, int x1)
{
    QList<QPoint> runs;
    for (int x = x0; x < x1; ++x) {
        if (!isDark(image.pixel(x, y)))
            continue;
        if (!runs.isEmpty() && runs.last().x() + runs.last().y() == x)
            runs.last().ry() += 1;
        else
            runs.append(QPoint(x, 1));
    }
    return runs;
}

// Pixels between black and white: lines drawn smooth have them along their edges.
int greyPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qGray(image.pixel(x, y)) > 40 && qGray(image.pixel(x, y)) < 215;
    return count;
}

const std::atomic_bool cancelled = true; // work asked to stop gives a null page

QImage canvas(QSize size, QColor paper)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(paper);
    return image;
}

// Paper as a scanner sees it: tinted, lit unevenly, grainy.
QImage scannedPage(const QImage& page)
{
    QImage out = page.convertToFormat(QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const int v = std::clamp(
                int((25 + qGray(out.pixel(x, y)) * 0.9) * (0.75 + 0.25 * x / out.width())) +
                    random.bounded(-10, 11),
                0, 255);
            out.setPixel(x, y, qRgb(v, std::max(v - 10, 0), std::max(v - 40, 0)));
        }
    return out;
}

// What rows first, first + step, ... up to last of the uncoloured version must show: how many
// lines, how thick, and for a single line where (centre -1: anywhere).
struct Lines {
    int first, last, step, runs, thinnest, thickest, centre;
};

} // namespace

Q_DECLARE_METATYPE(Lines)

class TestLineart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Lines across rows of the uncoloured version, 10 pixels in from the sides.
    void linesAcrossRows_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<QSize>("bounds");
        QTest::addColumn<Lines>("e");
        // Two flat regions meet along x = 100: one line, child-sized, no other marks.
        const auto regions = [](const char* name, QColor left, QColor right) {
            QImage picture = canvas(QSize(200, 100), right);
            QPainter(&picture).fillRect(0, 0, 100, 100, left);
            QTest::newRow(name) << picture << QSize(400, 400) << Lines{10, 190, 9, 1, 2, 4, 200};
        };
        regions("red, blue", QColor(230, 40, 40), QColor(40, 90, 230));
        regions("yellow, white", QColor(255, 220, 60), Qt::white);
        regions("navy, light blue", QColor(30, 30, 110), QColor(170, 220, 255));
        // Two close purples with grain, as a photographed or compressed picture has: the line
        // between them is whole, not dashed where single pixels happen to look alike.
        {
            QImage picture = canvas(QSize(200, 100), Qt::white);
            QRandomGenerator random(5);
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 200; ++x) {
                    const int grain = random.bounded(-9, 10);
                    picture.setPixel(x, y,
                                     x < 100 ? qRgb(190 + grain, 140 + grain, 230 + grain)
                                             : qRgb(150 + grain, 90 + grain, 200 + grain));
                }
            QTest::newRow("close purples, grainy")
                << picture << QSize(400, 400) << Lines{10, 190, 9, 1, 2, 4, 200};
        }
        // A thick black ring is the drawing's own ink: one line on each side, not two (the
        // outer and inner edges of the ink).
        const auto ring = [](const char* name, QColor fill, int thickness) {
            QImage picture = canvas(QSize(300, 300), QColor(190, 230, 255));
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(Qt::black, thickness));
            painter.setBrush(fill);
            painter.drawEllipse(QPointF(150, 150), 100, 100);
            painter.end();
            QTest::newRow(name) << picture << picture.size()
                                << Lines{100, 200, 50, 2, 1, thickness + 2, -1};
        };
        ring("white ring, 6 px", Qt::white, 6);
        ring("orange ring, 8 px", QColor(255, 150, 40), 8);
        // A sky behind flat patches of many colours, which leave the gradient few clusters.
        const auto sky = [](const char* name, QColor from, QColor to) {
            QImage picture = canvas(QSize(400, 260), Qt::white);
            QLinearGradient gradient(0, 0, 400, 0);
            gradient.setStops({{0, from}, {1, to}});
            QPainter painter(&picture);
            painter.fillRect(0, 0, 400, 200, gradient);
            for (int i = 0; i < 16; ++i)
                painter.fillRect(i * 25, 210, 25, 50, QColor::fromHsv(i * 22, 200, 120 + i * 8));
            painter.end();
            QTest::newRow(name) << picture << picture.size() << Lines{20, 180, 20, 0, 0, 0, -1};
        };
        sky("white to blue sky", Qt::white, QColor(30, 80, 220));
        sky("red to yellow sky", QColor(220, 30, 30), QColor(255, 230, 60));
        sky("dark to light grey sky", QColor(60, 60, 60), QColor(230, 230, 230));
    }
    void linesAcrossRows()
    {
        QFETCH(QImage, picture);
        QFETCH(QSize, bounds);
        QFETCH(Lines, e);
        QVERIFY(fromColoured(picture, bounds, {0, &cancelled}).isNull());
        const QImage lines = fromColoured(picture, bounds).uncoloured;
        for (int y = e.first; y <= e.last; y += e.step) {
            const QList<QPoint> found = darkRuns(lines, y, 10, lines.width() - 10);
            QCOMPARE(found.size(), e.runs);
            for (const QPoint& run : found)
                QVERIFY(run.y() >= e.thinnest && run.y() <= e.thickest);
            QVERIFY(e.centre < 0 || qAbs(found[0].x() + found[0].y() / 2 - e.centre) <= 3);
        }
        // Curved lines are drawn smooth.
        QVERIFY(e.centre >= 0 || e.runs == 0 || greyPixels(lines) > 0);
    }

    // On an outline page, a closed shape is coloured and the page around it is not; the lines
    // stay black in both versions, and two areas that share a line differ.
    void outlinePageFillsClosedAreas_data()
    {
        QTest::addColumn<bool>("scanned");
        QTest::addColumn<int>("gap");
        QTest::newRow("clean") << false << 0;
        QTest::newRow("scanned") << true << 0;
        QTest::newRow("one-pixel gap") << false << 1;
    }
    void outlinePageFillsClosedAreas()
    {
        QFETCH(bool, scanned);
        QFETCH(int, gap);
        QImage picture = canvas(QSize(400, 260), Qt::white);
        QPainter painter(&picture);
        painter.setPen(QPen(Qt::black, 4));
        painter.drawRect(60, 60, 240, 140);
        painter.drawLine(180, 60, 180, 200);
        painter.fillRect(118, 58, gap, 8, Qt::white);
        painter.end();
        if (scanned)
            picture = scannedPage(picture);
        QVERIFY(fromOutlines(picture, picture.size(), {0, &cancelled}).isNull());
        const ColouringPage page = fromOutlines(picture, picture.size());
        const QRgb left = page.coloured.pixel(120, 130), right = page.coloured.pixel(240, 130);
        for (QRgb inside : {left, right})
            QVERIFY(!isDark(inside) && inside != qRgb(255, 255, 255));
        QVERIFY(left != right);
        QCOMPARE(page.coloured.pixel(20, 20), qRgb(255, 255, 255));
        QCOMPARE(page.uncoloured.pixel(120, 130), qRgb(255, 255, 255));
        for (const QImage* version : {&page.coloured, &page.uncoloured})
            QVERIFY(isDark(version->pixel(180, 130)) && isDark(version->pixel(60, 100)));
    }

    // The drawing's box on its page, margin included; the whole picture when it is all
    // drawing or one colour; nothing when nothing is drawn.
    void contentBoxFindsTheDrawing_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QRect>("drawing"); // null: the whole picture, or nothing if "empty"
        QTest::addColumn<bool>("empty");
        const auto page = [](QColor paper, bool holes) {
            QImage picture = canvas(QSize(1000, 1400), paper);
            QPainter painter(&picture);
            painter.setPen(QPen(Qt::black, 6));
            painter.setBrush(QColor(240, 80, 60));
            painter.drawEllipse(300, 200, 400, 300);
            painter.setBrush(Qt::black); // punched holes, in the margin
            for (int y : {300, 700, 1100})
                painter.drawEllipse(QPoint(40, y), 15, 15);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            if (!holes)
                painter.fillRect(0, 0, 80, 1400, paper);
            return picture;
        };
        QTest::newRow("white page")
            << page(Qt::white, false) << int(Kind::Coloured) << QRect(285, 185, 431, 331) << false;
        QTest::newRow("transparent page") << page(Qt::transparent, false) << int(Kind::Coloured)
                                          << QRect(285, 185, 431, 331) << false;
        QTest::newRow("scanned outline page, punched holes")
            << scannedPage(page(Qt::white, true)) << int(Kind::Outlines)
            << QRect(285, 185, 431, 331) << false;
        QTest::newRow("one colour all over")
            << canvas(QSize(300, 200), Qt::yellow) << int(Kind::Coloured) << QRect() << false;
        QTest::newRow("nothing on transparency")
            << canvas(QSize(300, 200), Qt::transparent) << int(Kind::Coloured) << QRect() << true;
    }
    void contentBoxFindsTheDrawing()
    {
        QFETCH(QImage, picture);
        QFETCH(int, kind);
        QFETCH(QRect, drawing);
        QFETCH(bool, empty);
        const QRect box = contentBox(picture, Kind(kind));
        if (empty)
            QVERIFY(box.isEmpty());
        else if (drawing.isNull())
            QCOMPARE(box, picture.rect());
        else // found on a grid of cells: to within one cell (6 pixels here) each way
            for (const auto& [found, wanted] :
                 {std::pair{box.topLeft(), drawing.topLeft()},
                  std::pair{box.bottomRight(), drawing.bottomRight()}})
                QVERIFY2((found - wanted).manhattanLength() <= 12,
                         qPrintable(QStringLiteral("%1,%2 %3x%4")
                                        .arg(box.x())
                                        .arg(box.y())
                                        .arg(box.width())
                                        .arg(box.height())));
    }

    void classification_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("photo");
        QTest::addColumn<QByteArray>("svgShapes"); // set: the picture is this SVG instead
        QImage clipArt = canvas(QSize(300, 200), Qt::white);
        QImage outlines = clipArt;
        QImage transparent = canvas(QSize(300, 200), Qt::transparent);
        for (QImage* image : {&clipArt, &outlines, &transparent}) {
            QPainter painter(image);
            painter.setPen(QPen(Qt::black, 3));
            painter.setBrush(image == &clipArt ? QColor(240, 80, 60) : QColor(Qt::transparent));
            painter.drawEllipse(30, 30, 120, 120);
            painter.setBrush(image == &clipArt ? QColor(60, 160, 240) : QColor(Qt::transparent));
            painter.drawRect(160, 60, 110, 100);
        }
        QImage photo(300, 200, QImage::Format_RGB32);
        QRandomGenerator random(3);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x)
                photo.setPixel(x, y,
                               qRgb(120 + int(80 * std::sin(x / 23.0)) + random.bounded(20),
                                    100 + int(60 * std::cos(y / 17.0)) + random.bounded(20),
                                    90 + (x + y) / 8 + random.bounded(20)));
        const auto row = [](const char* name, const QImage& picture, Kind kind, bool photo = false,
                            const char* svg = "") {
            QTest::newRow(name) << picture << int(kind) << photo << QByteArray(svg);
        };
        row("flat clip art", clipArt, Kind::Coloured);
        row("photograph", photo, Kind::Coloured, true);
        row("outline page", outlines, Kind::Outlines);
        row("scanned outline page", scannedPage(outlines), Kind::Outlines);
        row("lines on transparency", transparent, Kind::Outlines);
        row("SVG fill", {}, Kind::Coloured, false, "<rect width='50' height='50' fill='#f80'/>");
        row("SVG style sheet", {}, Kind::Coloured, false,
            "<style>/* a */ rect, .b { fill: #e22 }</style><circle class='a b' r='9'/>");
        // The more specific rule wins, then the later one: both shapes end white.
        row("SVG style sheet cascade", {}, Kind::Outlines, false,
            "<style>.a { fill: white } rect { fill: #e22 } .b { fill: #e22 } .b { fill: #fff }"
            "</style><rect class='a' width='9' height='9'/><circle class='b' r='5'/>");
        row("SVG strokes only", {}, Kind::Outlines, false,
            "<g fill='none' stroke='#000'><circle r='9' cx='20' cy='20'/></g>");
        row("SVG white and black fills", {}, Kind::Outlines, false,
            "<rect width='50' height='50' fill='white' stroke='black'/><circle r='3'/>");
    }
    void classification()
    {
        QFETCH(QImage, picture);
        QFETCH(int, kind);
        QFETCH(bool, photo);
        QFETCH(QByteArray, svgShapes);
        const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'>";
        const Classification result = svgShapes.isEmpty()
                                          ? classify(picture)
                                          : Classification{classifySvg(svg + svgShapes + "</svg>")};
        QCOMPARE(int(result.kind), kind);
        QCOMPARE(result.photo, photo);
    }

    // Shapes without strokes get outlines; the background, translucent highlights and
    // gradients give none; the drawing's own black stays black.
    void svgRewrite()
    {
        const QByteArray svg =
            "<svg xmlns='http://www.w3.org/2000/svg' width='400' height='200'>"
            "<defs><linearGradient id='g'><stop offset='0' stop-color='red'/>"
            "<stop offset='1' stop-color='blue'/></linearGradient></defs>"
            "<rect width='400' height='200' fill='#bde'/>"
            "<rect x='50' y='50' width='100' height='100' style='fill:#e33'/>"
            "<ellipse cx='100' cy='100' rx='25' ry='15' fill='white' opacity='0.5'/>"
            "<rect x='250' y='50' width='100' height='100' fill='url(#g)' stroke='#44f'"
            " stroke-width='0.5'/><circle cx='300' cy='100' r='10' fill='#111'/></svg>";
        const ColouringPage page = fromColouredSvg(svg, QSize(800, 800));
        QCOMPARE(page.uncoloured.size(), QSize(800, 400));
        QCOMPARE(page.coloured.pixel(140, 140), qRgb(0xee, 0x33, 0x33));
        const QList<QPoint> runs = darkRuns(page.uncoloured, 150, 0, 800);
        QCOMPARE(runs.size(), 4);
        for (const QPoint& run : runs)
            QVERIFY(run.y() >= 2 && run.y() <= 4);
        QCOMPARE(darkRuns(page.uncoloured, 200, 120, 280).size(), 0); // the highlight
        QVERIFY(greyPixels(page.uncoloured) > 0);                     // smooth edges
        QVERIFY(isDark(page.uncoloured.pixel(600, 200)));
        QVERIFY(!isDark(page.uncoloured.pixel(560, 200)));
    }
};

QTEST_GUILESS_MAIN(TestLineart)
#include "tst_lineart.moc"
