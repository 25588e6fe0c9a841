// SPDX-License-Identifier: GPL-3.0-or-later
// The tiled background: covering the window, reading the picture once, and a missing
// picture reported once, after the repaint.

#include "datatree.h"
#include "fixture.h"

#include <QDir>
#include <QFile>
#include <QRegion>
#include <QTest>

using namespace cuaderno;
using namespace cuaderno::test;
using namespace Qt::StringLiterals;

namespace {

// Writes fondo.gif, 100 x 70 pixels (1500 x 1050 twips) in blocks of 10 x 10 each its own
// colour, so a tile out of step shows; gives it back as the program will read it.
QImage writeTile(DataTree& tree, int shade)
{
    QImage tile(100, 70, QImage::Format_RGB32);
    for (int y = 0; y < tile.height(); ++y) {
        for (int x = 0; x < tile.width(); ++x) {
            tile.setPixel(x, y, qRgb(x / 10 * 25, y / 10 * 36, shade));
        }
    }
    tree.image(u"fondo.gif"_s, tile);
    return QImage(tree.path(u"fondo.gif"_s)).convertToFormat(QImage::Format_RGB32);
}

// Pixels of the window's grab not under a visible control that differ from the tiling.
int offTile(BookWindow& window, const QImage& tile)
{
    QRegion controls;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisibleTo(&window)) {
            controls += child->geometry();
        }
    }
    const QImage shown = window.grab().toImage();
    int wrong = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (!controls.contains(QPoint(x, y)) &&
                shown.pixel(x, y) != tile.pixel(x % tile.width(), y % tile.height())) {
                ++wrong;
            }
        }
    }
    return wrong;
}

} // namespace

class TestBackground : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void failureReportedOnce_data()
    {
        QTest::addColumn<QByteArray>("kind"); // what fondo.gif is, if anything
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not a picture") << "GIF89a and nothing after"_ba;
        QTest::newRow("a folder") << "/"_ba;
    }

    void failureReportedOnce()
    {
        QFETCH(QByteArray, kind);

        DataTree tree;
        const QString path = tree.path(u"fondo.gif"_s);
        if (kind == "/") {
            tree.folder(u"fondo.gif"_s);
        } else if (!kind.isEmpty()) {
            tree.text(u"fondo.gif"_s, kind);
        }
        BookFixture f(tree.root());
        f.window->resize(800, 600); // 12000 x 9000 twips: 8 whole tiles across, 8.6 down
        // Where nothing is tiled the window shows its black back colour.
        QCOMPARE(f.window->grab().toImage().pixelColor(0, 0), QColor(Qt::black));
        // Never from inside the repaint: the message waits for the event loop.
        QVERIFY(f.messages.shown.isEmpty());
        for (int repaint = 0; repaint < 5; ++repaint) {
            f.window->grab();
            QCoreApplication::processEvents();
        }
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY(
            f.messages.shown.first().startsWith(u"No encuentro la imagen de fondo \r\nERROR: "_s));
        QVERIFY(f.messages.shown.first().contains(u"fondo.gif"_s));

        // Put in place later, the picture is tiled at the next repaint, silently.
        QDir(path).removeRecursively();
        QFile::remove(path);
        const QImage tile = writeTile(tree, 0);
        QCOMPARE(offTile(*f.window, tile), 0);
        // Replaced on disk, the picture is not read again; a larger window is covered too.
        QVERIFY(writeTile(tree, 50) != tile);
        f.window->resize(1000, 700); // 15000 x 10500 twips: 10 whole tiles across, 10 down
        QCOMPARE(offTile(*f.window, tile), 0);
        QCoreApplication::processEvents();
        QCOMPARE(f.messages.shown.size(), 1);
    }
};

QTEST_MAIN(TestBackground)
#include "tst_background.moc"
