// SPDX-License-Identifier: GPL-3.0-or-later
// The button row, the canvas centring and the canvas fit, for several screens.

#include "layout/screenlayout.h"

#include <QTest>

using namespace cuaderno;

class TestScreenLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void buttonRow_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<float>("x0");
        QTest::addColumn<float>("rowTop");

        QTest::newRow("800x600") << 12000.0f << 9000.0f << 1597.0f << 7775.0f;
        QTest::newRow("1024x768") << 15360.0f << 11520.0f << 3277.0f << 10295.0f;
        QTest::newRow("640x480") << 9600.0f << 7200.0f << 397.0f << 5975.0f;
        QTest::newRow("floor below zero") << 8804.0f << 9000.0f << -1.0f << 7775.0f;
        QTest::newRow("offset just fits") << 74340.0f << 9000.0f << 32767.0f << 7775.0f;
        QTest::newRow("offset overflows") << 74341.0f << 9000.0f << 0.0f << 7775.0f;
        QTest::newRow("huge screen") << 200000.0f << 9000.0f << 0.0f << 7775.0f;
    }

    void buttonRow()
    {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(float, x0);
        QFETCH(float, rowTop);

        const ScreenLayout l = layoutScreen(width, height, DesignGeometry{});
        const float side = 1125.0f;
        QCOMPARE(l.previousButton, (TwipsRect{x0, rowTop, side, side}));
        QCOMPARE(l.nextButton, (TwipsRect{x0 + 1175, rowTop, side, side}));
        QCOMPARE(l.printButton, (TwipsRect{x0 + 2350, rowTop, side, side}));
        for (int k = 0; k < 5; ++k) {
            QCOMPARE(l.categoryButtons[k], (TwipsRect{x0 + 3525 + 545.0f * k, rowTop, 495, 495}));
            QCOMPARE(l.categoryButtons[k + 5],
                     (TwipsRect{x0 + 3525 + 545.0f * k, rowTop + 545, 495, 495}));
        }
        QCOMPARE(l.pointerButton, (TwipsRect{x0 + 6250, rowTop, side, side}));
        QCOMPARE(l.brushButton, (TwipsRect{x0 + 7425, rowTop, side, side}));
        QCOMPARE(l.quitButton, (TwipsRect{x0 + 8600, rowTop, side, side}));
    }

    void canvasAndAnimation()
    {
        DesignGeometry design;
        design.canvasWidth = 10185;
        design.canvasTop = 588;
        const ScreenLayout l = layoutScreen(12000, 9000, design);
        QCOMPARE(l.canvasLeft, 907.5f);
        QCOMPARE(l.animationLeft, 11192.5f);
        QCOMPARE(l.animationTop, 588.0f);
    }

    void canvasFit_data()
    {
        QTest::addColumn<float>("rowTop");
        QTest::addColumn<float>("canvasHeight");
        QTest::addColumn<float>("top");
        QTest::addColumn<float>("cutHeight"); // 0 when the height stays

        QTest::newRow("design canvas, tie up to even 588") << 7775.0f << 6600.0f << 588.0f << 0.0f;
        QTest::newRow("too tall, tie -312.5") << 7775.0f << 8400.0f << 5.0f << 7750.0f;
        QTest::newRow("640x480 design canvas") << 5975.0f << 6600.0f << 5.0f << 5950.0f;
        QTest::newRow("one twip spare, 0.5 to 0") << 7775.0f << 7774.0f << 5.0f << 7750.0f;
        QTest::newRow("three spare, 1.5 to 2") << 7775.0f << 7772.0f << 2.0f << 0.0f;
        QTest::newRow("half beyond 16 bits") << 80000.0f << 100.0f << 5.0f << 79975.0f;
    }

    void canvasFit()
    {
        QFETCH(float, rowTop);
        QFETCH(float, canvasHeight);
        QFETCH(float, top);
        QFETCH(float, cutHeight);

        const CanvasFit fit = fitCanvas(rowTop, canvasHeight);
        QCOMPARE(fit.top, top);
        QCOMPARE(fit.height, cutHeight != 0.0f ? std::optional(cutHeight) : std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestScreenLayout)
#include "tst_screenlayout.moc"
