// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up on an empty folder. Where the controls land on the screen the end-to-end window
// test judges from the layout, pixel by pixel.

#include "datatree.h"
#include "bookfixture.h"

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
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
