// Start-up on an empty folder, and the controls laid out on the screen.

#include "datatree.h"
#include "formfixture.h"
#include "layout/screenlayout.h"

#include <QTest>

using namespace cuaderno;
using namespace cuaderno::test;
using namespace Qt::StringLiterals;

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // With nothing there at all, start-up completes silently: the design brush, the title
    // picture, no animation yet. (Where the run state starts, page turns and tools show.)
    void nothingThere()
    {
        FormFixture f(u"/nonexistent/cuaderno"_s);
        const Form1& w = *f.form;
        QCOMPARE(QSizeF(w.Image1.widthTwips(), w.Image1.heightTwips()), QSizeF(615, 495));
        QCOMPARE(w.Picture1->picture().size(), QSize(679, 440));
        QVERIFY(w.Gif89a1->isHidden());
        QVERIFY(f.sound.played.isEmpty());
        QVERIFY(f.messages.shown.isEmpty());
    }

    void controlsLaidOut_data()
    {
        QTest::addColumn<QSizeF>("screen");
        QTest::newRow("800 x 600") << QSizeF(12000, 9000);
        QTest::newRow("640 x 480: the title picture is cut") << QSizeF(9600, 7200);
    }

    void controlsLaidOut()
    {
        QFETCH(QSizeF, screen);
        DataTree tree;
        FormFixture f(tree.root(), float(screen.width()), float(screen.height()));
        const Form1& w = *f.form;
        // The layout's rectangles are the controls' own; the title picture is fitted above them.
        DesignGeometry design;
        design.canvasWidth = w.Picture1->widthTwips();
        const ScreenLayout l = layoutScreen(float(screen.width()), float(screen.height()), design);
        const auto placed = [](const GraphicalButton* b) {
            return TwipsRect{b->leftTwips(), b->topTwips(), b->widthTwips(), b->heightTwips()};
        };
        QCOMPARE(placed(w.Command3), l.command3);
        QCOMPARE(placed(w.Command4), l.command4);
        QCOMPARE(placed(w.Command1), l.command1);
        QCOMPARE(placed(w.Command2), l.command2);
        for (std::size_t k = 0; k < w.Command5.size(); ++k) {
            QCOMPARE(placed(w.Command5[k]), l.command5[k]);
        }
        for (std::size_t k = 0; k < w.Command6.size(); ++k) {
            QCOMPARE(placed(w.Command6[k]), l.command6[k]);
        }
        QCOMPARE(w.Picture1->leftTwips(), l.canvasLeft);
        const float title = float(w.Picture1->picture().height()) * 15.0f;
        const CanvasFit fit = fitCanvas(w.Command3->topTwips(), title);
        QCOMPARE(w.Picture1->topTwips(), fit.top);
        QCOMPARE(w.Picture1->heightTwips(), fit.height.value_or(title));
        QCOMPARE(w.Gif89a1->topTwips(), fit.top);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
