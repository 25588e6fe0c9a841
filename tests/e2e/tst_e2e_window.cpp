// The real program in a real X server: what the child sees at start-up, page turning with
// its wrap-around, colouring, the brush size and quitting, judged from screenshots. Every
// position clicked or checked comes from the layout rules for an 800 × 600 screen.

#include "e2esession.h"

#include <QElapsedTimer>
#include <QTest>

#include <cmath>

using namespace cuaderno::e2e;

namespace {

const QColor background(37, 91, 163);
const QColor white(255, 255, 255);
const QColor categoryGreen(0, 255, 0);
const QColor toolYellow(255, 255, 0);
const QColor brushColours[] = {QColor(200, 0, 200), QColor(0, 170, 60)};
const QSize brushSizes[] = {QSize(10, 10), QSize(30, 20)};
const QColor animationColours[] = {QColor(255, 140, 0), QColor(140, 0, 255)};

struct Drawing {
    int category;
    int number;
    QSize size;
    QColor uncoloured;
    QColor coloured;
    const char* colouredName;
    const char* uncolouredName;
};

// Distinct colours per drawing and layer; names in mixed letter case; one coloured JPEG.
const Drawing drawings[] = {
    {1, 1, {300, 200}, {250, 215, 215}, {215, 25, 25}, "1.GIF", "1.GIF"},
    {1, 2, {240, 180}, {215, 250, 215}, {25, 160, 25}, "2.gif", "2.gif"},
    {1, 3, {360, 240}, {215, 215, 250}, {25, 25, 215}, "3.Gif", "3.GIF"},
    {2, 1, {280, 190}, {250, 250, 200}, {190, 150, 0}, "1.gif", "1.gif"},
    {2, 2, {320, 210}, {200, 250, 250}, {0, 140, 140}, "2.JPG", "2.gif"},
};

const Drawing* findDrawing(int category, int number)
{
    for (const Drawing& d : drawings) {
        if (d.category == category && d.number == number) {
            return &d;
        }
    }
    return nullptr;
}

struct Button {
    QString name;
    QRect rect;
    QColor colour;
};

// Each button with the colour its face leaves showing round the picture.
QList<Button> colouredRow()
{
    QList<Button> row;
    for (const RowButton& b : buttonRow()) {
        const QColor colour =
            b.name.startsWith(QStringLiteral("cat")) ? categoryGreen
            : b.name == QStringLiteral("imprimir") || b.name == QStringLiteral("puntero")
                ? toolYellow
                : white;
        row.append({b.name, b.rect, colour});
    }
    return row;
}

bool sameRect(QRect a, QRect b, int slack = 1)
{
    return std::abs(a.left() - b.left()) <= slack && std::abs(a.top() - b.top()) <= slack &&
           std::abs(a.right() - b.right()) <= slack && std::abs(a.bottom() - b.bottom()) <= slack;
}

QString describe(QRect r)
{
    return QStringLiteral("(%1,%2 %3×%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// Bounds of everything that is not the background inside area.
QRect foreground(const QImage& shot, QRect area)
{
    QRect found;
    area = area.intersected(shot.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (!near(shot.pixelColor(x, y), background)) {
                found |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

void makeDataTree(E2eSession& session)
{
    QVERIFY(session.writeGif(QStringLiteral("fondo.gif"), {16, 16}, background));
    for (int i = 0; i < 2; ++i) {
        QVERIFY(session.writeGif(QStringLiteral("medida/%1.gif").arg(i + 1), brushSizes[i],
                                 brushColours[i]));
        QImage first(40, 30, QImage::Format_RGB32);
        first.fill(animationColours[i]);
        QImage second = first;
        second.setPixelColor(0, 0, Qt::black);
        QVERIFY(
            session.write(QStringLiteral("animados/%1.gif").arg(i + 1), gifData({first, second})));
    }
    QVERIFY(session.writePicture(QStringLiteral("punteros/1.ico"), {32, 32}, Qt::black));
    QVERIFY(session.write(QStringLiteral("sonido1.wav"), wavTone(440, 0.2)));
    QVERIFY(session.write(QStringLiteral("sonido2.wav"), wavTone(1320, 0.2)));
    for (const Drawing& d : drawings) {
        const QString folder = QStringLiteral("dibujos/%1/").arg(d.category);
        const QString coloured =
            folder + QStringLiteral("si coloreado/") + QLatin1String(d.colouredName);
        if (coloured.endsWith(QStringLiteral(".JPG"))) {
            QVERIFY(session.writePicture(coloured, d.size, d.coloured));
        } else {
            QVERIFY(session.writeGif(coloured, d.size, d.coloured));
        }
        QVERIFY(session.writeGif(folder + QStringLiteral("no coloreado/") +
                                     QLatin1String(d.uncolouredName),
                                 d.size, d.uncoloured));
    }
}

} // namespace

class TestE2eWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void startupScreen();
    void pageTurning_data();
    void pageTurning();
    void colouringStroke();
    void brushSize_data();
    void brushSize();
    void quitEndsProgram();

private:
    // Starts the program on the test's data tree; ends the test when that cannot be done.
    bool start();
    // Clicks a button of the row, or fails the test.
    bool press(const QString& name);
    // Waits until the canvas shows the drawing's uncoloured layer, fitted where it belongs.
    QImage waitForDrawing(const Drawing& d, int pageTurns);
    // Moves with the left button held through the points, pausing at each, then releases.
    bool drag(QPoint from, const QList<QPoint>& through);

    std::unique_ptr<E2eSession> session_;
};

void TestE2eWindow::init()
{
    if (const QString why = E2eSession::missingTools(
            {QStringLiteral("Xvfb"), QStringLiteral("xdotool"), QStringLiteral("import")});
        !why.isEmpty()) {
        QSKIP(qPrintable(why));
    }
    session_ = std::make_unique<E2eSession>();
    makeDataTree(*session_);
}

void TestE2eWindow::cleanup()
{
    session_.reset();
}

bool TestE2eWindow::start()
{
    QString why;
    if (!session_->startX(why) || !session_->startProgram({}, why)) {
        qWarning("%s", qPrintable(why));
        return false;
    }
    return true;
}

bool TestE2eWindow::press(const QString& name)
{
    return session_->click(buttonCentre(name));
}

bool TestE2eWindow::drag(QPoint from, const QList<QPoint>& through)
{
    QStringList chain = {QStringLiteral("mousemove"), QString::number(from.x()),
                         QString::number(from.y()),   QStringLiteral("sleep"),
                         QStringLiteral("0.05"),      QStringLiteral("mousedown"),
                         QStringLiteral("1")};
    for (QPoint p : through) {
        chain << QStringLiteral("sleep") << QStringLiteral("0.04") << QStringLiteral("mousemove")
              << QString::number(p.x()) << QString::number(p.y());
    }
    chain << QStringLiteral("sleep") << QStringLiteral("0.05") << QStringLiteral("mouseup")
          << QStringLiteral("1");
    return session_->xdotool(chain);
}

QImage TestE2eWindow::waitForDrawing(const Drawing& d, int pageTurns)
{
    const QRect canvas = canvasRect(d.size);
    const QColor animation = animationColours[(pageTurns - 1) % 2];
    return session_->waitForScreen([&](const QImage& shot) {
        return sameRect(boundsOf(shot, d.uncoloured, canvas.adjusted(-20, -20, 20, 20)), canvas) &&
               near(shot.pixelColor(animationCentre(d.size)), animation);
    });
}

void TestE2eWindow::startupScreen()
{
    QVERIFY(start());
    const QList<Button> row = colouredRow();
    const QRect title =
        pixelRect((screenWidthTwips - 10185) / 2, std::nearbyint((rowTop - 6600) / 2), 10185, 6600);
    const QRect aboveRow(0, 0, screenWidth, row.first().rect.top() - 2);
    const QRect rowArea(0, row.first().rect.top() - 2, screenWidth,
                        screenHeight - row.first().rect.top() + 2);
    const QRect rowBounds = row.first().rect | row[5].rect;
    const QImage shot = session_->waitForScreen([&](const QImage& s) {
        return sameRect(foreground(s, aboveRow), title) &&
               sameRect(foreground(s, rowArea), rowBounds);
    });
    session_->keep(shot, QStringLiteral("startup"));

    // The title picture alone above the row, centred over it; no animation yet.
    QVERIFY2(sameRect(foreground(shot, aboveRow), title),
             qPrintable(describe(foreground(shot, aboveRow)) + QStringLiteral(" != ") +
                        describe(title)));
    // The row from the previous button to the quit button, nothing else along the bottom.
    QVERIFY2(sameRect(foreground(shot, rowArea), rowBounds),
             qPrintable(describe(foreground(shot, rowArea)) + QStringLiteral(" != ") +
                        describe(rowBounds)));
    for (const Button& b : row) {
        const QPoint corners[] = {b.rect.topLeft() + QPoint(2, 2),
                                  b.rect.bottomRight() - QPoint(2, 2)};
        for (QPoint p : corners) {
            QVERIFY2(near(shot.pixelColor(p), b.colour),
                     qPrintable(b.name + QStringLiteral(" en %1,%2: %3")
                                             .arg(p.x())
                                             .arg(p.y())
                                             .arg(shot.pixelColor(p).name())));
        }
        // The 50-twip gap right of each button shows the background.
        const QPoint gap(pixels((b.rect.right() + 1) * twipsPerPixel + 25), b.rect.center().y());
        if (b.rect.right() < rowBounds.right() - 1) {
            QVERIFY2(near(shot.pixelColor(gap), background), qPrintable(b.name));
        }
    }
    // The lower category row starts 545 twips below the upper one.
    QVERIFY(
        near(shot.pixelColor(buttonCentre(QStringLiteral("cat1")).x(), pixels(rowTop + 495 + 25)),
             background));
    // The brush button's face shows brush picture 1.
    QVERIFY(near(shot.pixelColor(buttonCentre(QStringLiteral("pincel"))), brushColours[0]));
}

void TestE2eWindow::pageTurning_data()
{
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QStringList>("shown");
    // Buttons pressed in turn, and the category:drawing each press shows.
    const auto words = [](const char* text) { return QString::fromLatin1(text).split(u' '); };

    QTest::newRow("next pages on and wraps to 1")
        << words("siguiente siguiente siguiente siguiente") << words("1:1 1:2 1:3 1:1");
    QTest::newRow("previous starts at the last and wraps past 1")
        << words("anterior anterior anterior anterior") << words("1:3 1:2 1:1 1:3");
    QTest::newRow("next then previous from 1 wraps to the last")
        << words("siguiente anterior siguiente") << words("1:1 1:3 1:1");
    QTest::newRow("a category opens at 1 and keeps its place")
        << words("cat2 siguiente cat1 siguiente cat2 siguiente")
        << words("2:1 2:2 1:1 1:2 2:2 2:1");
}

void TestE2eWindow::pageTurning()
{
    QFETCH(QStringList, buttons);
    QFETCH(QStringList, shown);
    QVERIFY(start());
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const QStringList parts = shown[i].split(u':');
        const Drawing* d = findDrawing(parts[0].toInt(), parts[1].toInt());
        QVERIFY(d != nullptr);
        QVERIFY(press(buttons[i]));
        const QImage shot = waitForDrawing(*d, int(i) + 1);
        session_->keep(shot, QStringLiteral("%1-%2-%3")
                                 .arg(QString::fromLatin1(QTest::currentDataTag()).left(12))
                                 .arg(i)
                                 .arg(QString(shown[i]).replace(u':', u'_')));
        const QRect canvas = canvasRect(d->size);
        const QRect found = boundsOf(shot, d->uncoloured, canvas.adjusted(-20, -20, 20, 20));
        QVERIFY2(sameRect(found, canvas),
                 qPrintable(QStringLiteral("tras %1 (%2): ").arg(buttons[i]).arg(i + 1) +
                            describe(found) + QStringLiteral(" != ") + describe(canvas)));
        // The uncoloured layer covers the whole drawing: none of its colours shows yet.
        QVERIFY(boundsOf(shot, d->coloured, canvas).isEmpty());
        QVERIFY2(near(shot.pixelColor(animationCentre(d->size)), animationColours[i % 2]),
                 qPrintable(shot.pixelColor(animationCentre(d->size)).name()));
    }
}

void TestE2eWindow::colouringStroke()
{
    QVERIFY(start());
    const Drawing& d = drawings[0];
    QVERIFY(press(QStringLiteral("siguiente")));
    waitForDrawing(d, 1);
    const QRect canvas = canvasRect(d.size);

    // A slow stroke, 4 pixels a move with a 10-pixel brush, leaves one unbroken track.
    const int trackY = canvas.top() + 40;
    QList<QPoint> track;
    for (int x = canvas.left() + 30; x <= canvas.left() + 170; x += 4) {
        track.append({x, trackY});
    }
    // The press colours nothing; the track starts at the first move.
    QVERIFY(drag(track.first(), track.mid(1)));
    const QRect trackRect(track[1].x() - 5, trackY - 5, track.last().x() - track[1].x() + 10, 10);
    QImage shot = session_->waitForScreen(
        [&](const QImage& s) { return sameRect(boundsOf(s, d.coloured, canvas), trackRect); });
    QVERIFY2(sameRect(boundsOf(shot, d.coloured, canvas), trackRect),
             qPrintable(describe(boundsOf(shot, d.coloured, canvas))));
    for (int x = trackRect.left() + 1; x < trackRect.right(); x += 7) {
        QVERIFY2(near(shot.pixelColor(x, trackY), d.coloured), qPrintable(QString::number(x)));
    }

    // Moves 40 pixels apart leave separate brush rectangles centred on each move; the press
    // itself, before any move, colours nothing.
    const int rowY = canvas.top() + 140;
    const QPoint pressAt(canvas.left() + 30, rowY);
    QList<QPoint> moves;
    for (int x = canvas.left() + 70; x <= canvas.left() + 230; x += 40) {
        moves.append({x, rowY});
    }
    QVERIFY(drag(pressAt, moves));
    const auto stamp = [&](const QImage& s, QPoint p) {
        return boundsOf(s, d.coloured, QRect(p - QPoint(19, 19), QSize(39, 39)));
    };
    shot = session_->waitForScreen([&](const QImage& s) {
        return sameRect(stamp(s, moves.last()), QRect(moves.last() - QPoint(5, 5), QSize(10, 10)));
    });
    session_->keep(shot, QStringLiteral("stroke"));
    QVERIFY(stamp(shot, pressAt).isEmpty());
    for (QPoint p : moves) {
        QVERIFY2(sameRect(stamp(shot, p), QRect(p - QPoint(5, 5), QSize(10, 10))),
                 qPrintable(describe(stamp(shot, p))));
        QVERIFY(near(shot.pixelColor(p + QPoint(20, 0)), d.uncoloured));
    }
}

void TestE2eWindow::brushSize_data()
{
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("brush");

    QTest::newRow("start-up brush") << 0 << 0;
    QTest::newRow("one press, the second brush") << 1 << 1;
    QTest::newRow("two presses wrap to the first") << 2 << 0;
}

void TestE2eWindow::brushSize()
{
    QFETCH(int, presses);
    QFETCH(int, brush);
    QVERIFY(start());
    for (int i = 0; i < presses; ++i) {
        QVERIFY(press(QStringLiteral("pincel")));
        // The face shows the brush chosen by this press before the next press comes.
        const QColor face = brushColours[(i + 1) % 2];
        const QImage shot = session_->waitForScreen([&](const QImage& s) {
            return near(s.pixelColor(buttonCentre(QStringLiteral("pincel"))), face);
        });
        QVERIFY(near(shot.pixelColor(buttonCentre(QStringLiteral("pincel"))), face));
    }
    const Drawing& d = drawings[2];
    QVERIFY(press(QStringLiteral("siguiente")));
    QVERIFY(press(QStringLiteral("siguiente")));
    QVERIFY(press(QStringLiteral("siguiente")));
    waitForDrawing(d, 3);

    const QRect canvas = canvasRect(d.size);
    const QSize size = brushSizes[brush];
    const QList<QPoint> moves = {canvas.center() - QPoint(80, 0), canvas.center(),
                                 canvas.center() + QPoint(80, 0)};
    QVERIFY(drag(canvas.center() - QPoint(140, 0), moves));
    const auto stamp = [&](const QImage& s, QPoint p) {
        return boundsOf(s, d.coloured, QRect(p - QPoint(35, 35), QSize(71, 71)));
    };
    const auto expected = [&](QPoint p) {
        return QRect(p - QPoint(size.width() / 2, size.height() / 2), size);
    };
    const QImage shot = session_->waitForScreen(
        [&](const QImage& s) { return sameRect(stamp(s, moves.last()), expected(moves.last())); });
    session_->keep(shot, QStringLiteral("brush-%1").arg(presses));
    for (QPoint p : moves) {
        QVERIFY2(
            sameRect(stamp(shot, p), expected(p)),
            qPrintable(describe(stamp(shot, p)) + QStringLiteral(" != ") + describe(expected(p))));
    }
}

void TestE2eWindow::quitEndsProgram()
{
    QVERIFY(start());
    const QPoint quit = buttonCentre(QStringLiteral("salir"));
    QVERIFY(session_->xdotool(
        {QStringLiteral("mousemove"), QString::number(quit.x()), QString::number(quit.y())}));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(session_->xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    QVERIFY2(session_->program().waitForFinished(1000),
             qPrintable(QStringLiteral("sigue abierto tras %1 ms").arg(clock.elapsed())));
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(session_->program().exitStatus(), QProcess::NormalExit);
    QCOMPARE(session_->program().exitCode(), 0);
}

QTEST_MAIN(TestE2eWindow)
#include "tst_e2e_window.moc"
