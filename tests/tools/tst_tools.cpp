// SPDX-License-Identifier: GPL-3.0-or-later
// The brush size selector, the colouring brush on the canvas and the pointer selector.

#include "datatree.h"
#include "fixture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointingDevice>
#include <QTabletEvent>
#include <QTest>

using namespace cuaderno;
using namespace Qt::StringLiterals;
using namespace cuaderno::test;

namespace {

const QColor coloured(Qt::red);

// A window on a tree with brushes of the given sizes and one drawing, red under a white
// uncoloured layer; fingers need the window shown and exposed.
std::unique_ptr<BookFixture> book(DataTree& tree, const QList<QSize>& brushes, bool show = false)
{
    for (int i = 0; i < brushes.size(); ++i) {
        tree.picture(u"medida/%1.gif"_s.arg(i + 1), brushes[i]);
    }
    tree.picture(u"dibujos/1/si coloreado/1.GIF"_s, {400, 300}, coloured);
    tree.picture(u"dibujos/1/no coloreado/1.GIF"_s, {400, 300}, Qt::white);
    auto f = std::make_unique<BookFixture>(tree.root());
    f->window->resize(800, 600);
    f->window->setVisible(show);
    return f;
}

// The drawing as it should show: white but for the bands coloured.
QImage colouredIn(QImage image, const QList<QRect>& bands)
{
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const QRect& b : bands) {
        painter.fillRect(b, coloured);
    }
    return image;
}

// Canvas pixels: a landing at start, then moves of step (20 px to the right unless said).
QPolygon stroke(QPoint start, int moves, QPoint step = {20, 0})
{
    QPolygon path;
    for (int i = 0; i <= moves; ++i) {
        path << start + step * i;
    }
    return path;
}

} // namespace

class TestTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void brushCycle_data()
    {
        QTest::addColumn<QList<int>>("files"); // brush n is n x 10 by n x 5 pixels
        QTest::addColumn<QList<int>>("presses");
        QTest::newRow("1 to 3") << QList{1, 2, 3} << QList{2, 3, 1, 2, 3, 1};
        QTest::newRow("gap before 4") << QList{1, 2, 4} << QList{2, 1, 2, 1};
        QTest::newRow("10") << QList{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}
                            << QList{2, 3, 4, 5, 6, 7, 8, 9, 10, 1};
    }

    void brushCycle()
    {
        QFETCH(QList<int>, files);
        QFETCH(QList<int>, presses);

        DataTree tree;
        for (int n : files) {
            tree.picture(u"medida/%1.gif"_s.arg(n), QSize(n * 10, n * 5));
        }
        BookFixture f(tree.root());
        BookWindow& w = *f.window;
        for (int n : presses) {
            w.nextBrush();
            const QSize size(n * 10, n * 5);
            QCOMPARE(w.state.brushNumber, std::int16_t(n));
            QCOMPARE(w.brushButton->face().size(), size);
            QCOMPARE(QSizeF(w.brushShape.widthTwips(), w.brushShape.heightTwips()),
                     QSizeF(size * 15));
        }
        QVERIFY(f.messages.shown.isEmpty());
    }

    void colouring_data()
    {
        QTest::addColumn<QList<QSize>>("brushes"); // with two, the brush button is pressed once
        QTest::addColumn<int>("type");
        QTest::addColumn<Qt::MouseButtons>("buttons");
        QTest::addColumn<QPointF>("pointer"); // in twips
        QTest::addColumn<QRect>("expected");  // in pixels
        QTest::addColumn<QString>("leave");   // how the page is left after the stroke

        const auto row = [](const char* tag, QPointF at, QRect expected,
                            Qt::MouseButtons buttons = Qt::LeftButton,
                            const QList<QSize>& brushes = {{40, 30}}, int type = QEvent::MouseMove,
                            const QString& leave = u"next"_s) {
            QTest::newRow(tag) << brushes << type << buttons << at << expected << leave;
        };
        const QPointF at(3000, 2000), atPixel(3000, 2250);
        const QRect whole(180, 135, 40, 30);
        // Pixels are twips / 15 rounded: (2700, 1775)-(3300, 2225) covers x 180..219, y 118..147.
        const QRect stamp(180, 118, 40, 30);
        row("600 x 450", at, stamp);
        // No brush picture: the design size 615 x 495 from (2693, 1753).
        row("615 x 495", at, {180, 117, 41, 33}, Qt::LeftButton, {});
        row("near the corner", {100, 50}, {0, 0, 27, 18});
        row("wholly outside", {-900, 300}, {});
        row("after a new brush", at, {190, 128, 20, 10}, Qt::LeftButton, {{40, 30}, {20, 10}});
        row("right", atPixel, whole, Qt::RightButton);
        row("left and right", atPixel, whole, Qt::LeftButton | Qt::RightButton);
        row("no button", atPixel, {}, {});
        row("press, no move", atPixel, {}, Qt::LeftButton, {{40, 30}}, QEvent::MouseButtonPress);
        for (const QString& leave : {u"previous"_s, u"category"_s, u"quit"_s, u"quit on title"_s,
                                     u"window closed"_s, u"loop ended"_s}) {
            row(qPrintable(u"then "_s + leave), at, stamp, Qt::LeftButton, {{40, 30}},
                QEvent::MouseMove, leave);
        }
    }

    void colouring()
    {
        QFETCH(QList<QSize>, brushes);
        QFETCH(int, type);
        QFETCH(Qt::MouseButtons, buttons);
        QFETCH(QPointF, pointer);
        QFETCH(QRect, expected);
        QFETCH(QString, leave);

        DataTree tree;
        const auto f = book(tree, brushes);
        BookWindow& w = *f->window;
        const bool onTitle = leave == u"quit on title";
        if (!onTitle) {
            w.showNextDrawing();
        }
        if (brushes.size() > 1) {
            w.nextBrush();
        }
        const QPointF at = pointer / 15;
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(QEvent::Type(type), at, w.canvas->mapToGlobal(at), button, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(w.canvas, &event);
        const QImage shown = w.canvas->imageOnShow().copy();
        QVERIFY(onTitle || shown == colouredIn(shown, {expected}));
        // Leaving the page keeps what the canvas showed, named by the page left, if the stroke
        // coloured any of the drawing, once however it ends; the title picture is never kept.
        const auto endLoop = [] {
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            QCoreApplication::exec();
        };
        leave == u"next"            ? w.showNextDrawing()
        : leave == u"previous"      ? w.showPreviousDrawing()
        : leave == u"category"      ? w.openCategory(4)
        : leave == u"window closed" ? void(w.close())
        : leave == u"loop ended"    ? endLoop()
                                    : (w.quit(), w.close(), endLoop());
        using Pages = QList<std::tuple<QImage, int, int>>;
        QCOMPARE(f->keeper.pages, (expected.isEmpty() || onTitle ? Pages() : Pages{{shown, 1, 1}}));
    }

    void fingersAndPens_data()
    {
        QTest::addColumn<QString>("device");        // "+mouse": its mouse reaches the canvas too
        QTest::addColumn<QList<QPolygon>>("paths"); // each point's positions, one per event
        QTest::addColumn<QList<QRect>>("bands");    // all that ends coloured, in canvas pixels
        QTest::addColumn<int>("stamps");
        QTest::addColumn<int>("brush"); // its side; 0: 40 x 30

        // A 40 x 30 brush at (x, y) colours (x - 20, y - 15) to (x + 19, y + 14).
        const QList<QRect> band{{20, 85, 200, 30}}, none;
        const QList<QPolygon> one{stroke({20, 100}, 9)};
        QTest::newRow("one finger") << u"finger"_s << one << band << 9 << 0;
        QList<QPolygon> ten;
        QList<QRect> tenBands;
        for (int i = 0; i < 10; ++i) {
            const QPoint start(20 + 200 * (i / 5), 20 + 60 * (i % 5));
            ten << stroke(start, 4);
            tenBands << QRect(start - QPoint(0, 15), QSize(100, 30));
        }
        QTest::newRow("ten fingers at once, ten bands")
            << u"finger"_s << ten << tenBands << 40 << 0;
        const QPolygon resting(10, QList<int>(20, 100).constData());
        QTest::newRow("finger down, no move")
            << u"finger"_s << QList<QPolygon>{resting} << none << 0 << 0;
        QTest::newRow("finger leaving the canvas")
            << u"finger"_s << QList<QPolygon>{stroke({340, 100}, 5)}
            << QList<QRect>{{340, 85, 60, 30}} << 3 << 0;
        // Beside it, with another finger on it, as the mouse pressed beside it.
        QTest::newRow("finger landing beside the canvas")
            << u"finger"_s << QList<QPolygon>{resting, stroke({-20, 200}, 9)} << none << 0 << 0;
        QTest::newRow("finger and its mouse") << u"finger+mouse"_s << one << band << 9 << 0;
        QTest::newRow("pen") << u"pen"_s << one << band << 9 << 0;
        QTest::newRow("pen and its mouse") << u"pen+mouse"_s << one << band << 9 << 0;
        QTest::newRow("pen hovering") << u"hover"_s << one << none << 0 << 0;
        QTest::newRow("eraser") << u"eraser"_s << one << none << 0 << 0;
        // Swipes of 60 px per event with a 20 px brush: stamps 10 px apart leave no gap; the first
        // move stamps where it lands, as ever.
        QTest::newRow("fast finger swipe")
            << u"finger"_s << QList<QPolygon>{stroke({20, 100}, 5, {60, 0})}
            << QList<QRect>{{70, 90, 260, 20}} << 25 << 20;
        QTest::newRow("fast mouse swipe, down")
            << u"mouse"_s << QList<QPolygon>{stroke({100, 20}, 4, {0, 60})}
            << QList<QRect>{{90, 70, 20, 200}} << 19 << 20;
    }

    void fingersAndPens()
    {
        QFETCH(QString, device);
        QFETCH(QList<QPolygon>, paths);
        QFETCH(QList<QRect>, bands);
        QFETCH(int, stamps);
        QFETCH(int, brush);

        DataTree tree;
        const auto f = book(tree, {brush ? QSize(brush, brush) : QSize(40, 30)}, true);
        QVERIFY(QTest::qWaitForWindowExposed(f->window.get()));
        f->window->showNextDrawing();
        PictureBox* canvas = f->window->canvas;
        const bool finger = device.startsWith(u"finger"), mouseToo = device.endsWith(u"+mouse");
        const bool mouse = device == u"mouse";
        using enum QInputDevice::Capability;
        using enum QPointingDevice::PointerType;
        using Kind = QInputDevice::DeviceType;
        const std::unique_ptr<QPointingDevice> input(
            finger ? QTest::createTouchDevice(Kind::TouchScreen,
                                              Position | (mouseToo ? MouseEmulation : None))
                   : new QPointingDevice(device, 7, mouse ? Kind::Mouse : Kind::Stylus,
                                         mouse                 ? Generic
                                         : device == u"eraser" ? Eraser
                                                               : Pen,
                                         Pressure, 1, 2));
        auto fingers = QTest::touchEvent(f->window.get(), input.get(), false);
        for (qsizetype step = 0; step < paths[0].size(); ++step) {
            for (qsizetype i = 0; i < paths.size(); ++i) {
                const QPoint at = paths[i][step], global = canvas->mapToGlobal(at);
                QTabletEvent pen(step == 0 ? QEvent::TabletPress : QEvent::TabletMove, input.get(),
                                 at, global, device == u"hover" ? 0.0 : 0.5, 0, 0, 0, 0, 0,
                                 Qt::NoModifier, Qt::NoButton, Qt::LeftButton);
                const bool pressing = step == 0 && mouse;
                QMouseEvent moved(pressing ? QEvent::MouseButtonPress : QEvent::MouseMove, at,
                                  global, pressing ? Qt::LeftButton : Qt::NoButton, Qt::LeftButton,
                                  Qt::NoModifier, input.get());
                if (finger) {
                    step == 0 ? fingers.press(int(i), at, canvas)
                              : fingers.move(int(i), at, canvas);
                } else if (!mouse) {
                    QCoreApplication::sendEvent(canvas, &pen);
                }
                if (mouse || (mouseToo && step > 0)) {
                    QCoreApplication::sendEvent(canvas, &moved);
                }
            }
            fingers.commit();
        }
        for (qsizetype i = 0; finger && i < paths.size(); ++i) {
            fingers.release(int(i), paths[i].last(), canvas);
        }
        fingers.commit();

        QCOMPARE(canvas->imageOnShow(), colouredIn(canvas->imageOnShow(), bands));
        QCOMPARE(canvas->uncoveredSinceSet(), stamps);
    }

    void buttonTaps_data()
    {
        QTest::addColumn<bool>("resting");  // a finger rests on the canvas throughout
        QTest::addColumn<QPoint>("lift");   // where the finger lifts, from the button's centre
        QTest::addColumn<bool>("mouseToo"); // the touch screen also reports the tap as the mouse
        QTest::addColumn<int>("turns");

        QTest::newRow("tap") << false << QPoint() << false << 1;
        QTest::newRow("tap, a finger on the canvas") << true << QPoint() << false << 1;
        QTest::newRow("tap and its mouse") << false << QPoint() << true << 1;
        QTest::newRow("slide off") << false << QPoint(0, -120) << false << 0;
        QTest::newRow("slide off, a finger on the canvas") << true << QPoint(90, 0) << false << 0;
    }

    void buttonTaps()
    {
        QFETCH(bool, resting);
        QFETCH(QPoint, lift);
        QFETCH(bool, mouseToo);
        QFETCH(int, turns);

        DataTree tree;
        const auto f = book(tree, {}, true);
        QVERIFY(QTest::qWaitForWindowExposed(f->window.get()));
        PictureBox* canvas = f->window->canvas;
        GraphicalButton* next = f->window->nextButton;
        const std::unique_ptr<QPointingDevice> screen(QTest::createTouchDevice());
        auto fingers = QTest::touchEvent(f->window.get(), screen.get(), false);
        const QPoint rest(100, 100), centre = next->rect().center();
        // A resting finger is moved to where it is at every event, so that its position is sure.
        const auto withRest = [&]() -> decltype(fingers)& {
            return resting ? fingers.move(0, rest, canvas) : fingers;
        };
        if (resting) {
            fingers.press(0, rest, canvas).commit();
        }
        withRest().press(1, centre, next).commit();
        withRest().move(1, centre + lift, next).commit();
        // A touch screen that makes its own mouse may report the whole tap before lifting.
        for (int pressed = 1; mouseToo && pressed >= 0; --pressed) {
            QMouseEvent mouse(pressed ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                              centre, next->mapToGlobal(centre), Qt::LeftButton,
                              Qt::MouseButtons(pressed), Qt::NoModifier, screen.get());
            QCoreApplication::sendEvent(next, &mouse);
        }
        withRest().release(1, centre + lift, next).commit();
        QCOMPARE(f->sound.played.size(), turns); // one sound per page turn
        // The resting finger goes on colouring, unless the page turned under it.
        if (resting) {
            fingers.move(0, rest + QPoint(40, 0), canvas).commit();
            QCOMPARE(canvas->uncoveredSinceSet(), turns > 0 ? 0 : 1);
        }
    }

    void pointers_data()
    {
        QTest::addColumn<QList<int>>("sides"); // pointer 1's square pictures, in file order
        QTest::addColumn<int>("shown");        // its side on the canvas; 0: the folder is empty

        QTest::newRow("16 32 48 256") << QList<int>{16, 32, 48, 256} << 32;
        QTest::newRow("256 48 32 16") << QList<int>{256, 48, 32, 16} << 32;
        QTest::newRow("256 48") << QList<int>{256, 48} << 48;
        QTest::newRow("64 24") << QList<int>{64, 24} << 24;
        QTest::newRow("empty folder") << QList<int>{} << 0;
    }

    void pointers()
    {
        QFETCH(QList<int>, sides);
        QFETCH(int, shown);

        DataTree tree;
        tree.folder(u"punteros"_s);
        if (shown) {
            tree.icon(u"punteros/1.ico"_s, sides);
            tree.picture(u"punteros/2.ico"_s, {40, 20});
        }
        BookFixture f(tree.root());
        BookWindow& w = *f.window;
        const QImage face = w.pointerButton->face().toImage();
        // Pointers 1, 2, then 1 again: on the canvas alone, held by its middle; with none to
        // show, said at every press, the button and the arrow left as they were.
        for (int press = 0; press <= 2; ++press) {
            if (press > 0) {
                w.nextPointer();
            }
            const QSize size = press == 1 && shown ? QSize(40, 20) : QSize(shown, shown);
            const QCursor pointer = w.canvas->cursor();
            if (shown) {
                QCOMPARE(w.state.pointerNumber, std::int16_t(press == 1 ? 2 : 1));
                QCOMPARE(pointer.pixmap().size(), size);
                QCOMPARE(pointer.hotSpot(), QPoint(size.width() / 2, size.height() / 2));
                QVERIFY(press != 1 || w.pointerButton->face().size() == size);
                QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
                QVERIFY(f.messages.shown.isEmpty());
            } else {
                QCOMPARE(f.messages.shown.size(), press);
                QVERIFY(press == 0 || (f.messages.shown.last().startsWith(u"Atención: "_s) &&
                                       f.messages.shown.last().contains(u"1.ico"_s)));
                QCOMPARE(w.pointerButton->face().toImage(), face);
                QCOMPARE(std::pair(pointer.shape(), w.state.pointerNumber),
                         std::pair(Qt::ArrowCursor, std::int16_t(1)));
            }
        }
    }
};

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
