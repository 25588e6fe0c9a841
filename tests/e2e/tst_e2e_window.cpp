// SPDX-License-Identifier: GPL-3.0-or-later
// The real program in a real X server, judged from screenshots: start-up, page turning, both
// brushes, quitting; every position comes from the layout rules for an 800 × 600 screen.

#include "e2esession.h"
#include "extras.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace cuaderno::e2e;

namespace {

const QColor brushColours[] = {QColor(200, 0, 200), QColor(0, 170, 60)};
const QSize brushSizes[] = {QSize(10, 10), QSize(30, 20)};
const QColor animationColours[] = {QColor(255, 140, 0), QColor(140, 0, 255)};

struct Drawing {
    int category;
    QSize size;
    QColor uncoloured;
    QColor coloured;
    const char* colouredName;
    const char* uncolouredName;
};

// Distinct colours per drawing and layer; names in mixed letter case; one coloured JPEG.
const Drawing drawings[] = {
    {1, {300, 200}, {250, 215, 215}, {215, 25, 25}, "1.GIF", "1.GIF"},
    {1, {240, 180}, {215, 250, 215}, {25, 160, 25}, "2.gif", "2.gif"},
    {2, {280, 190}, {250, 250, 200}, {190, 150, 0}, "1.gif", "1.gif"},
    {2, {320, 210}, {200, 250, 250}, {0, 140, 140}, "2.JPG", "2.gif"},
};

bool sameRect(QRect a, QRect b)
{
    return std::abs(a.left() - b.left()) <= 1 && std::abs(a.top() - b.top()) <= 1 &&
           std::abs(a.right() - b.right()) <= 1 && std::abs(a.bottom() - b.bottom()) <= 1;
}

QString describe(QRect r)
{
    return u"(%1,%2 %3×%4)"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

#define VERIFY_RECT(found, expected)                                                               \
    QVERIFY2(sameRect(found, expected),                                                            \
             qPrintable(describe(found) + u" != "_s + describe(expected)))

// Bounds of everything that is not the background inside area.
QRect foreground(const QImage& shot, QRect area)
{
    return boundsOf(shot, area, [](QColor c) { return !near(c, background); });
}

// What a drag coloured within reach of p.
QRect stamp(const QImage& shot, const Drawing& d, QPoint p, int reach)
{
    return boundsOf(shot, d.coloured,
                    QRect(p - QPoint(reach, reach), QSize(2 * reach + 1, 2 * reach + 1)));
}

QRect brushAt(QPoint p, QSize brush)
{
    return QRect(p - QPoint(brush.width() / 2, brush.height() / 2), brush);
}

// The colour each button's face leaves showing round its picture.
QColor faceColour(const QString& button)
{
    return button.startsWith(u"cat"_s)                         ? QColor(0, 255, 0)
           : button == u"imprimir"_s || button == u"puntero"_s ? QColor(255, 255, 0)
                                                               : QColor(255, 255, 255);
}

} // namespace

class TestE2eWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        E2E_REQUIRE(u"Xvfb xdotool import"_s);
        session_ = std::make_unique<E2eSession>();
        cuaderno::test::DataTree& tree = session_->tree;
        for (int i = 0; i < 2; ++i) {
            tree.picture(u"medida/%1.gif"_s.arg(i + 1), brushSizes[i], brushColours[i]);
            tree.animation(u"animados/%1.gif"_s.arg(i + 1),
                           {animationColours[i], animationColours[i]}, {40, 30});
        }
        tree.picture(u"punteros/1.ico"_s, {32, 32}, Qt::black);
        tree.text(u"sonido1.wav"_s, cuaderno::samples::pageForwardSound());
        tree.text(u"sonido2.wav"_s, cuaderno::samples::pageBackSound());
        for (const Drawing& d : drawings) {
            const QString folder = u"dibujos/%1/"_s.arg(d.category);
            tree.picture(folder + u"si coloreado/"_s + QLatin1String(d.colouredName), d.size,
                         d.coloured);
            tree.picture(folder + u"no coloreado/"_s + QLatin1String(d.uncolouredName), d.size,
                         d.uncoloured);
        }
        QString why;
        QVERIFY2(session_->start({}, why), qPrintable(why));
    }

    void cleanup() { session_.reset(); }
    void startupScreen()
    {
        const QList<RowButton> row = buttonRow();
        const QRect title = canvasRect({679, 440}); // the title picture, laid out at start-up
        const int rowY = row.first().rect.top() - 2;
        const QRect aboveRow(0, 0, screenWidth, rowY);
        const QRect rowArea(0, rowY, screenWidth, screenHeight - rowY);
        const QRect rowBounds = row.first().rect | row[5].rect;
        const QImage shot = session_->waitForScreen([&](const QImage& s) {
            return sameRect(foreground(s, aboveRow), title) &&
                   sameRect(foreground(s, rowArea), rowBounds);
        });

        // The title picture alone above the row, centred over it; no animation yet. Along the
        // bottom, the row from the previous button to the quit button and nothing else.
        VERIFY_RECT(foreground(shot, aboveRow), title);
        VERIFY_RECT(foreground(shot, rowArea), rowBounds);
        for (const RowButton& b : row) {
            for (QPoint p :
                 {b.rect.topLeft() + QPoint(2, 2), b.rect.bottomRight() - QPoint(2, 2)}) {
                QVERIFY2(near(shot.pixelColor(p), faceColour(b.name)), qPrintable(b.name));
            }
        }
        // The brush button's face shows brush picture 1.
        QVERIFY(near(shot.pixelColor(buttonCentre(u"pincel"_s)), brushColours[0]));
    }

    void pageTurning()
    {
        // Previous starts at the last drawing, next wraps past it, a category opens at 1.
        const QStringList buttons{u"anterior"_s, u"siguiente"_s, u"cat2"_s, u"siguiente"_s};
        const int shown[] = {1, 0, 2, 3}; // drawings 1:2, 1:1, 2:1, 2:2
        for (qsizetype i = 0; i < buttons.size(); ++i) {
            const Drawing* d = &drawings[shown[i]];
            QVERIFY(press(buttons[i]));
            const QImage shot = waitForDrawing(*d, int(i) + 1);
            const QRect canvas = canvasRect(d->size);
            VERIFY_RECT(boundsOf(shot, d->uncoloured, canvas.adjusted(-20, -20, 20, 20)), canvas);
            // The uncoloured layer covers the whole drawing: none of its colours shows yet.
            QVERIFY(boundsOf(shot, d->coloured, canvas).isEmpty());
            QVERIFY2(near(shot.pixelColor(animationCentre(d->size)), animationColours[i % 2]),
                     qPrintable(buttons[i]));
        }
    }

    void colouring()
    {
        const Drawing& d = drawings[0];
        QVERIFY(press(u"siguiente"_s));
        waitForDrawing(d, 1);
        const QRect canvas = canvasRect(d.size);
        // Moves 40 pixels apart leave separate brush rectangles centred on each move; the press
        // itself, before any move, colours nothing. The brush button brings the second brush and
        // shows it on its face.
        for (int brush = 0; brush < 2; ++brush) {
            if (brush > 0) {
                QVERIFY(press(u"pincel"_s));
                const QPoint face = buttonCentre(u"pincel"_s);
                const QImage shot = session_->waitForScreen(
                    [&](const QImage& s) { return near(s.pixelColor(face), brushColours[brush]); });
                QVERIFY(near(shot.pixelColor(face), brushColours[brush]));
            }
            const QPoint pressAt(canvas.left() + 30, canvas.top() + 50 + 90 * brush);
            QList<QPoint> moves;
            for (int dx = 40; dx <= 200; dx += 40) {
                moves.append(pressAt + QPoint(dx, 0));
            }
            const QImage shot =
                dragUntil(d, pressAt, moves, QRect(moves.last() - QPoint(19, 19), QSize(39, 39)),
                          brushAt(moves.last(), brushSizes[brush]));
            QVERIFY(stamp(shot, d, pressAt, 19).isEmpty());
            for (QPoint p : moves) {
                VERIFY_RECT(stamp(shot, d, p, 19), brushAt(p, brushSizes[brush]));
            }
        }
        // The quit button ends the program, with success.
        QVERIFY(press(u"salir"_s));
        QVERIFY(session_->program().waitForFinished(10000));
        QCOMPARE(session_->program().exitStatus(), QProcess::NormalExit);
        QCOMPARE(session_->program().exitCode(), 0);
    }

private:
    bool press(const QString& name) { return session_->click(buttonCentre(name)); }
    // Waits until the canvas shows the drawing's uncoloured layer, fitted where it belongs,
    // beside the animation the page turns so far have brought.
    QImage waitForDrawing(const Drawing& d, int pageTurns)
    {
        const QRect canvas = canvasRect(d.size);
        const QColor animation = animationColours[(pageTurns - 1) % 2];
        return session_->waitForScreen([&](const QImage& shot) {
            return sameRect(boundsOf(shot, d.uncoloured, canvas.adjusted(-20, -20, 20, 20)),
                            canvas) &&
                   near(shot.pixelColor(animationCentre(d.size)), animation);
        });
    }
    // Drags with the left button held through the moves, pausing at each, then waits until the
    // coloured layer within area shows exactly as expected.
    QImage dragUntil(const Drawing& d, QPoint from, const QList<QPoint>& moves, QRect area,
                     QRect expected)
    {
        const auto move = [](QPoint p) {
            return QStringList{u"mousemove"_s, QString::number(p.x()), QString::number(p.y())};
        };
        QStringList chain = move(from) << u"sleep"_s << u"0.05"_s << u"mousedown"_s << u"1"_s;
        for (QPoint p : moves) {
            chain << u"sleep"_s << u"0.04"_s << move(p);
        }
        if (!session_->xdotool(chain << u"sleep"_s << u"0.05"_s << u"mouseup"_s << u"1"_s)) {
            return {};
        }
        return session_->waitForScreen(
            [&](const QImage& s) { return sameRect(boundsOf(s, d.coloured, area), expected); });
    }

    std::unique_ptr<E2eSession> session_;
};

QTEST_MAIN(TestE2eWindow)
#include "tst_e2e_window.moc"
