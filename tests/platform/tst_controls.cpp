// SPDX-License-Identifier: GPL-3.0-or-later
// The controls: twips geometry kept exactly, the canvas's see-through layer, the animation widget.

#include "datatree.h"
#include "platform/animatedpicture.h"
#include "platform/graphicalbutton.h"
#include "platform/picturebox.h"
#include "platform/startup.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace cuaderno;
using cuaderno::test::DataTree;

class TestControls : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { prepareApplication(*QCoreApplication::instance()); }
    void messageBoxInSpanish()
    {
        const QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Cuaderno"), QString(),
                              QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("Aceptar"));
    }
    void geometryKeptExactly_data()
    {
        QTest::addColumn<float>("left");
        QTest::addColumn<QRect>("pixels");

        QTest::newRow("half twip stays") << 907.5f << QRect(60, 39, 75, 75); // 60.5 → 60
        QTest::newRow("negative") << -1.0f << QRect(0, 39, 75, 75);
    }
    void geometryKeptExactly()
    {
        QFETCH(float, left);
        QFETCH(QRect, pixels);

        GraphicalButton button(QStringLiteral("Anterior"), Qt::white);
        button.setGeometryTwips(left, 588, 1125, 1125);
        QCOMPARE(button.leftTwips(), left);
        QCOMPARE(button.geometry(), pixels);
    }
    void canvasLayers()
    {
        // A layer's transparent parts show white, on show and when repainted, never the colours
        // under it (uncovering and new pictures are the tools' and page turns' to test).
        PictureBox canvas;
        canvas.setPicture(cuaderno::test::twoToneImage({40, 20}, Qt::red, Qt::blue));
        QImage seeThrough(40, 20, QImage::Format_ARGB32);
        seeThrough.fill(Qt::transparent);
        seeThrough.setPixelColor(30, 5, Qt::black);
        canvas.paintLayer(seeThrough, QRectF(0, 0, 600, 300), QRectF(0, 0, 600, 300));
        canvas.show();
        for (const QImage& page : {canvas.imageOnShow(), canvas.grab().toImage()}) {
            QCOMPARE(page.pixelColor(30, 15), QColor(Qt::white));
            QCOMPARE(page.pixelColor(3, 3), QColor(Qt::white));
            QCOMPARE(page.pixelColor(30, 5), QColor(Qt::black));
        }
    }
    void animationFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("plays"); // a readable animation is loaded

        QTest::newRow("picture") << "animados/1.gif" << true;
        QTest::newRow("other letter case") << "ANIMADOS/1.GIF" << true;
        QTest::newRow("empty string drops") << "" << false;
        QTest::newRow("missing") << "animados/9.gif" << false;
        QTest::newRow("corrupt") << "animados/2.gif" << false;
        QTest::newRow("folder") << "animados/3.gif" << false;
    }
    void animationFiles()
    {
        QFETCH(QString, file);
        QFETCH(bool, plays);

        DataTree tree;
        tree.animation(QStringLiteral("animados/1.gif"), {Qt::green, Qt::yellow, Qt::blue});
        tree.text(QStringLiteral("animados/2.gif"), "GIF89a garbage");
        tree.folder(QStringLiteral("animados/3.gif"));

        AnimatedPicture gif;
        gif.setFile(tree.path(QStringLiteral("animados/1.gif")));
        QVERIFY(gif.hasAnimation());
        gif.setFile(file.isEmpty() ? QString() : tree.path(file));
        QCOMPARE(gif.hasAnimation(), plays);
        QCOMPARE(gif.movie() != nullptr, plays);

        gif.setTopTwips(588);
        gif.setLeftTwips(11192.5f);
        QCOMPARE(gif.geometry(), QRect(746, 39, 65, 57));
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
