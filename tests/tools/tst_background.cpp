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

namespace {

// 100 x 70 pixels (1500 x 1050 twips) in blocks of 10 x 10, each block its own colour, so a
// tile out of step shows; few enough colours for a GIF to keep them all.
QImage patternTile(int shade)
{
    QImage tile(100, 70, QImage::Format_RGB32);
    for (int y = 0; y < tile.height(); ++y) {
        for (int x = 0; x < tile.width(); ++x) {
            tile.setPixel(x, y, qRgb(x / 10 * 25, y / 10 * 36, shade));
        }
    }
    return tile;
}

// Writes the tile as fondo.gif and gives it back as the program will read it.
QImage writeTile(DataTree& tree, int shade)
{
    tree.image(QStringLiteral("fondo.gif"), patternTile(shade));
    return QImage(tree.path(QStringLiteral("fondo.gif"))).convertToFormat(QImage::Format_RGB32);
}

// Pixels of the window's grab not under a visible control that differ from the tiling.
int offTile(Form1& window, const QImage& tile)
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
    void coversWindow();
    void failureReportedOnce_data();
    void failureReportedOnce();
};

void TestBackground::coversWindow()
{
    DataTree tree;
    const QImage tile = writeTile(tree, 0);
    Fixture f(tree.root());
    f.form->resize(800, 600); // 12000 x 9000 twips: 8 whole tiles across, 8.6 down
    QCOMPARE(offTile(*f.form, tile), 0);
    // Replaced on disk, the picture is not read again; a larger window is covered too.
    QVERIFY(writeTile(tree, 50) != tile);
    f.form->resize(1000, 700);
    QCOMPARE(offTile(*f.form, tile), 0);
    QVERIFY(f.messages.shown.isEmpty());
}

void TestBackground::failureReportedOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("not a picture") << "corrupt";
    QTest::newRow("a folder") << "folder";
}

void TestBackground::failureReportedOnce()
{
    QFETCH(QString, kind);

    DataTree tree;
    const QString path = tree.path(QStringLiteral("fondo.gif"));
    if (kind == QStringLiteral("corrupt")) {
        tree.text(QStringLiteral("fondo.gif"), "GIF89a and nothing after");
    } else if (kind == QStringLiteral("folder")) {
        tree.folder(QStringLiteral("fondo.gif"));
    }
    Fixture f(tree.root());
    f.form->resize(800, 600);
    const QImage unreadable = f.form->grab().toImage();
    // Where nothing is tiled the window shows its black back colour.
    QCOMPARE(unreadable.pixelColor(0, 0), QColor(Qt::black));
    // Never from inside the repaint: the message waits for the event loop.
    QVERIFY(f.messages.shown.isEmpty());
    for (int repaint = 0; repaint < 5; ++repaint) {
        f.form->grab();
        QCoreApplication::processEvents();
    }
    QCOMPARE(f.messages.shown.size(), 1);
    QVERIFY(f.messages.shown.first().startsWith(
        QStringLiteral("No encuentro la imagen de fondo \r\nERROR: ")));
    QVERIFY(f.messages.shown.first().contains(QStringLiteral("fondo.gif")));

    // Put in place later, the picture is tiled at the next repaint, silently.
    QDir(path).removeRecursively();
    QFile::remove(path);
    const QImage tile = writeTile(tree, 0);
    QCOMPARE(offTile(*f.form, tile), 0);
    QCoreApplication::processEvents();
    QCOMPARE(f.messages.shown.size(), 1);
}

QTEST_MAIN(TestBackground)
#include "tst_background.moc"
