// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up on an empty folder. Where the controls land on the screen the end-to-end window
// test judges from the layout, pixel by pixel.

#include "bookfixture.h"
#include "datatree.h"

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
        BookFixture f(u"/nonexistent/cuaderno"_s);
        const BookWindow& w = *f.window;
        QCOMPARE(QSizeF(w.brushShape.widthTwips(), w.brushShape.heightTwips()), QSizeF(615, 495));
        QCOMPARE(w.canvas->picture().size(), QSize(679, 440));
        QVERIFY(w.animation->isHidden());
        QVERIFY(f.sound.played.isEmpty());
        QVERIFY(f.messages.shown.isEmpty());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
