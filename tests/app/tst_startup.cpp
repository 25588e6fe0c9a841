// Start-up: the run state, the controls laid out on the screen, and quitting.

#include "datatree.h"
#include "formfixture.h"
#include "platform/screen.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

using namespace cuaderno;
using namespace cuaderno::test;
using namespace Qt::StringLiterals;

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QCOMPARE(twipsPerPixel(), 15.0f); }
    void runStateAfterStartup();
    void startupOnEmptyFolder();
    void controlsLaidOut_data();
    void controlsLaidOut();
    void quitEndsEventLoop();
};

void TestStartup::runStateAfterStartup()
{
    DataTree tree;
    tree.picture(u"medida/1.gif"_s, {40, 30});
    tree.picture(u"punteros/1.ico"_s, {32, 32});
    tree.text(u"impresora.txt"_s, "SI\r\n");
    FormFixture f(tree.root());
    const Form1& w = *f.form;

    QCOMPARE(int(w.currentCategory), 1);
    for (std::int16_t entry : w.drawingNumber) {
        QCOMPARE(entry, std::int16_t(0));
    }
    QCOMPARE(w.brushNumber, std::int16_t(1));
    QCOMPARE(w.pointerNumber, std::int16_t(1));
    QCOMPARE(w.animationNumber, std::int16_t(0));
    QCOMPARE(w.appFolder, tree.root());
    QCOMPARE(w.printerSwitch, u"SI"_s);
    // Brush picture 1 gives the brush its size and the button its face.
    QCOMPARE(QSizeF(w.Image1.widthTwips(), w.Image1.heightTwips()), QSizeF(600, 450));
    QCOMPARE(w.Command1->face().size(), QSize(40, 30));
    QCOMPARE(w.Picture1->cursor().shape(), Qt::BitmapCursor);
    // The animation waits hidden with the first animation preset; the canvas keeps the title.
    QVERIFY(w.Gif89a1->isHidden());
    QCOMPARE(w.Gif89a1->file(), tree.root() + u"/animados/1.gif"_s);
    QCOMPARE(w.Picture1->picture().size(), QSize(679, 440));
    QCOMPARE(w.backColour(), QColor(Qt::black));
    QVERIFY(f.sound.played.isEmpty());
    QVERIFY(f.messages.shown.isEmpty());
}

void TestStartup::startupOnEmptyFolder()
{
    // Nothing there at all: start-up still completes silently with design sizes.
    FormFixture f(u"/nonexistent/cuaderno"_s);
    QCOMPARE(f.form->brushNumber, std::int16_t(1));
    QCOMPARE(QSizeF(f.form->Image1.widthTwips(), f.form->Image1.heightTwips()), QSizeF(615, 495));
    QVERIFY(f.form->Command1->face().isNull());
    QVERIFY(f.form->printerSwitch.isEmpty());
    QCOMPARE(f.form->Picture1->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(f.messages.shown.isEmpty());
}

void TestStartup::controlsLaidOut_data()
{
    QTest::addColumn<QSizeF>("screen");
    QTest::addColumn<QPointF>("previous"); // the row's first button, in twips
    QTest::addColumn<QPoint>("pixel");     // the same, in pixels, rounded
    QTest::addColumn<float>("canvasTop");  // shared by the animation
    QTest::addColumn<float>("canvasHeight");

    QTest::newRow("800 x 600") << QSizeF(12000, 9000) << QPointF(1597, 7775) << QPoint(106, 518)
                               << 588.0f << 6600.0f;
    // The title picture does not fit above the row: cut to T3 - 25 from the top.
    QTest::newRow("640 x 480") << QSizeF(9600, 7200) << QPointF(397, 5975) << QPoint(26, 398)
                               << 5.0f << 5950.0f;
}

void TestStartup::controlsLaidOut()
{
    QFETCH(QSizeF, screen);
    QFETCH(QPointF, previous);
    QFETCH(QPoint, pixel);
    QFETCH(float, canvasTop);
    QFETCH(float, canvasHeight);

    DataTree tree;
    FormFixture f(tree.root(), float(screen.width()), float(screen.height()));
    const Form1& w = *f.form;
    QCOMPARE(QPointF(w.Command3->leftTwips(), w.Command3->topTwips()), previous);
    QCOMPARE(w.Command3->geometry(), QRect(pixel, QSize(75, 75)));
    // Buttons 1175 twips apart; the category buttons in two rows, the 10th at the end.
    const float x0 = float(previous.x());
    QCOMPARE(w.Command4->leftTwips(), x0 + 1175);
    QCOMPARE(w.Command6[1]->leftTwips(), x0 + 2350);
    QCOMPARE(w.Command5[0]->leftTwips(), x0 + 3525);
    QCOMPARE(QPointF(w.Command5[9]->leftTwips(), w.Command5[9]->topTwips()),
             QPointF(x0 + 5705, previous.y() + 545));
    QCOMPARE(w.Command6[0]->leftTwips(), x0 + 6250);
    QCOMPARE(w.Command1->leftTwips(), x0 + 7425);
    QCOMPARE(w.Command2->leftTwips(), x0 + 8600);
    QCOMPARE(w.Picture1->topTwips(), canvasTop);
    QCOMPARE(w.Picture1->heightTwips(), canvasHeight);
    QCOMPARE(w.Gif89a1->topTwips(), canvasTop);
}

void TestStartup::quitEndsEventLoop()
{
    DataTree tree;
    FormFixture f(tree.root());
    f.form->show();
    QTimer::singleShot(0, f.form.get(), [&f] { f.form->Command2->click(); });
    // Fails the test with exit code 1 if the loop keeps running.
    QTimer watchdog;
    watchdog.callOnTimeout([] { QCoreApplication::exit(1); });
    watchdog.start(5000);
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(f.form->isHidden());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
