// The brush size selector, the colouring brush on the canvas and the pointer selector.

#include "datatree.h"
#include "fixture.h"
#include "platform/units.h"

#include <QMouseEvent>
#include <QPointingDevice>
#include <QTest>

using namespace cuaderno;
using namespace Qt::StringLiterals;
using namespace cuaderno::test;

namespace {

const QColor coloured(Qt::red);
const QColor uncoloured(Qt::white);

// The canvas as a page turn leaves it: the coloured drawing as its own picture, the
// uncoloured one painted over it.
void showDrawing(PictureBox& canvas)
{
    QImage drawing(400, 300, QImage::Format_RGB32);
    drawing.fill(coloured);
    canvas.setPicture(drawing);
    drawing.fill(uncoloured);
    canvas.paintLayer(drawing, QRectF(0, 0, 6000, 4500), QRectF(0, 0, 6000, 4500));
}

} // namespace

class TestTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cycle_data();
    void cycle();
    void unreadableBrushKeepsSize();
    void brushRectangle_data();
    void brushRectangle();
    void mouseButtons_data();
    void mouseButtons();
    void touchColours();
    void emptyPointerFolder();
    void otherIndices_data();
    void otherIndices();
};

void TestTools::initTestCase()
{
    // Expected pixel rectangles below assume 15 twips per pixel.
    QCOMPARE(twipsPerPixel(), 15.0f);
}

void TestTools::cycle_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("files"); // a name ending in / is made a folder
    QTest::addColumn<QList<int>>("presses");
    QTest::addColumn<QString>("home"); // the application folder under the tree, if any

    QTest::newRow("brush 1 to 3") << u"medida/"_s << u"1.gif 2.gif 3.gif"_s
                                  << QList<int>{2, 3, 1, 2, 3, 1} << QString();
    QTest::newRow("brush gap before 4")
        << u"medida/"_s << u"1.gif 2.gif 4.gif"_s << QList<int>{2, 1, 2, 1} << QString();
    QTest::newRow("brush folder 3.gif")
        << u"medida/"_s << u"1.gif 2.gif 3.gif/"_s << QList<int>{2, 1} << QString();
    QTest::newRow("brush hidden .3.gif")
        << u"medida/"_s << u"1.gif 2.gif .3.gif"_s << QList<int>{2, 1} << QString();
    QTest::newRow("brush stored as 3.GIF")
        << u"medida/"_s << u"1.gif 2.gif 3.GIF"_s << QList<int>{2, 3, 1} << QString();
    QTest::newRow("pointer 1 to 3")
        << u"punteros/"_s << u"1.ico 2.ico 3.ico"_s << QList<int>{2, 3, 1, 2} << QString();
    QTest::newRow("pointer hidden .2.ico")
        << u"punteros/"_s << u"1.ico .2.ico"_s << QList<int>{1, 1} << QString();
    QTest::newRow("pointer folder 2.ico")
        << u"punteros/"_s << u"1.ico 2.ico/"_s << QList<int>{1} << QString();
    // Letters that upper-case to two, or to one that folds back to another.
    QTest::newRow("brush under weiß")
        << u"medida/"_s << u"1.gif 2.gif 3.gif"_s << QList<int>{2, 3, 1} << u"Straße weiß"_s;
    QTest::newRow("pointer under ılık ﬁn")
        << u"punteros/"_s << u"1.ico 2.ico"_s << QList<int>{2, 1} << u"ılık ﬁn"_s;
}

void TestTools::cycle()
{
    QFETCH(QString, folder);
    QFETCH(QString, files);
    QFETCH(QList<int>, presses);
    QFETCH(QString, home);

    DataTree tree;
    const QString app = home.isEmpty() ? QString() : home + u'/';
    for (const QString& name : files.split(u' ')) {
        if (name.endsWith(u'/')) {
            tree.folder(app + folder + name);
            continue;
        }
        // Picture n is n x 10 by n x 5 pixels, so each shows which one was taken.
        const int n = name.section(u'.', -2, -2).toInt();
        tree.picture(app + folder + name, QSize(n * 10, n * 5));
    }
    Fixture f(home.isEmpty() ? tree.root() : tree.path(home));
    const bool brush = folder == u"medida/"_s;
    for (int n : presses) {
        const QSize size(n * 10, n * 5);
        if (brush) {
            f.form->Command1_Click();
            QCOMPARE(f.form->brushNumber, std::int16_t(n));
            QCOMPARE(f.form->Command1->face().size(), size);
            QCOMPARE(QSizeF(f.form->Image1.width(), f.form->Image1.height()), QSizeF(size * 15));
        } else {
            f.form->Command6_Click(0);
            QCOMPARE(f.form->pointerNumber, std::int16_t(n));
            QCOMPARE(f.form->Command6[0]->face().size(), size);
            const QCursor pointer = f.form->Picture1->cursor();
            QCOMPARE(pointer.pixmap().size(), size);
            QCOMPARE(pointer.hotSpot(), QPoint(size.width() / 2, size.height() / 2));
            // The pointer belongs to the canvas alone.
            QCOMPARE(f.form->cursor().shape(), Qt::ArrowCursor);
            QVERIFY(f.form->Command6[0]->cursor().shape() != Qt::BitmapCursor);
        }
    }
    QVERIFY(f.messages.shown.isEmpty());
}

void TestTools::unreadableBrushKeepsSize()
{
    DataTree tree;
    tree.text(QStringLiteral("medida/1.gif"), "GIF89a, but not really");
    tree.picture(QStringLiteral("medida/2.gif"), {20, 20});
    Fixture f(tree.root());
    f.form->Command1_Click();
    f.form->Command1_Click();
    QCOMPARE(f.form->brushNumber, std::int16_t(1));
    QCOMPARE(f.form->Image1.width(), 300.0f);
    QCOMPARE(f.form->Command1->face().size(), QSize(20, 20));
}

void TestTools::brushRectangle_data()
{
    QTest::addColumn<QList<QSize>>("brushes");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QPointF>("pointer");
    QTest::addColumn<QRect>("expected");

    // Pixels are twips / 15 rounded: (2700, 1775)-(3300, 2225) covers x 180..219, y 118..147.
    QTest::newRow("600 x 450") << QList<QSize>{{40, 30}} << 0 << QPointF(3000, 2000)
                               << QRect(180, 118, 40, 30);
    // No brush picture: the design size 615 x 495 from (2693, 1753).
    QTest::newRow("615 x 495") << QList<QSize>{} << 0 << QPointF(3000, 2000)
                               << QRect(180, 117, 41, 33);
    QTest::newRow("near the corner")
        << QList<QSize>{{40, 30}} << 0 << QPointF(100, 50) << QRect(0, 0, 27, 18);
    QTest::newRow("wholly outside") << QList<QSize>{{40, 30}} << 0 << QPointF(-900, 300) << QRect();
    QTest::newRow("after a new brush")
        << QList<QSize>{{40, 30}, {20, 10}} << 1 << QPointF(3000, 2000) << QRect(190, 128, 20, 10);
}

void TestTools::brushRectangle()
{
    QFETCH(QList<QSize>, brushes);
    QFETCH(int, presses);
    QFETCH(QPointF, pointer);
    QFETCH(QRect, expected);

    DataTree tree;
    for (int i = 0; i < brushes.size(); ++i) {
        tree.picture(QStringLiteral("medida/%1.gif").arg(i + 1), brushes[i]);
    }
    Fixture f(tree.root());
    for (int i = 0; i < presses; ++i) {
        f.form->Command1_Click();
    }
    showDrawing(*f.form->Picture1);
    f.form->Picture1_Mousemove(Qt::LeftButton, float(pointer.x()), float(pointer.y()));
    QCOMPARE(areaOf(f.form->Picture1->imageOnShow(), coloured), expected);
}

void TestTools::mouseButtons_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<Qt::MouseButtons>("buttons");
    QTest::addColumn<bool>("colours");

    QTest::newRow("left") << int(QEvent::MouseMove) << Qt::MouseButtons(Qt::LeftButton) << true;
    QTest::newRow("right") << int(QEvent::MouseMove) << Qt::MouseButtons(Qt::RightButton) << true;
    QTest::newRow("middle") << int(QEvent::MouseMove) << Qt::MouseButtons(Qt::MiddleButton) << true;
    QTest::newRow("left and right")
        << int(QEvent::MouseMove) << (Qt::LeftButton | Qt::RightButton) << true;
    QTest::newRow("no button") << int(QEvent::MouseMove) << Qt::MouseButtons() << false;
    QTest::newRow("press, no move")
        << int(QEvent::MouseButtonPress) << Qt::MouseButtons(Qt::LeftButton) << false;
}

void TestTools::mouseButtons()
{
    QFETCH(int, type);
    QFETCH(Qt::MouseButtons, buttons);
    QFETCH(bool, colours);

    DataTree tree;
    tree.picture(QStringLiteral("medida/1.gif"), {40, 30});
    Fixture f(tree.root());
    showDrawing(*f.form->Picture1);
    const QPointF at(200, 150);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(QEvent::Type(type), at, f.form->Picture1->mapToGlobal(at), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(f.form->Picture1, &event);
    QCOMPARE(areaOf(f.form->Picture1->imageOnShow(), coloured),
             colours ? QRect(180, 135, 40, 30) : QRect());
}

void TestTools::touchColours()
{
    // A finger dragged over the canvas reaches it as mouse moves with the left button held.
    DataTree tree;
    tree.picture(QStringLiteral("medida/1.gif"), {40, 30});
    Fixture f(tree.root());
    showDrawing(*f.form->Picture1);
    f.form->resize(800, 600);
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    const std::unique_ptr<QPointingDevice> screen(QTest::createTouchDevice());
    QWidget* canvas = f.form->Picture1;
    QTest::touchEvent(canvas, screen.get()).press(0, QPoint(20, 20), canvas);
    QTest::touchEvent(canvas, screen.get()).move(0, QPoint(200, 150), canvas);
    QTest::touchEvent(canvas, screen.get()).release(0, QPoint(200, 150), canvas);
    QTRY_COMPARE(areaOf(f.form->Picture1->imageOnShow(), coloured), QRect(180, 135, 40, 30));
}

void TestTools::emptyPointerFolder()
{
    DataTree tree;
    tree.folder(QStringLiteral("punteros"));
    Fixture f(tree.root());
    const QImage face = f.form->Command6[0]->face().toImage();
    for (int press = 1; press <= 2; ++press) {
        f.form->Command6_Click(0);
        QCOMPARE(f.messages.shown.size(), press);
        QVERIFY(f.messages.shown.last().startsWith(QStringLiteral("Atención: ")));
        QVERIFY(f.messages.shown.last().contains(QStringLiteral("1.ico")));
    }
    QCOMPARE(f.form->pointerNumber, std::int16_t(1));
    QCOMPARE(f.form->Command6[0]->face().toImage(), face);
    QCOMPARE(f.form->Picture1->cursor().shape(), Qt::ArrowCursor);
}

void TestTools::otherIndices_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("jobs");

    QTest::newRow("print") << 1 << 1;
    QTest::newRow("index 2") << 2 << 0;
    QTest::newRow("index -1") << -1 << 0;
}

void TestTools::otherIndices()
{
    QFETCH(int, index);
    QFETCH(int, jobs);

    DataTree tree;
    tree.picture(QStringLiteral("punteros/1.ico"), {32, 32});
    tree.picture(QStringLiteral("punteros/2.ico"), {32, 32});
    tree.text(QStringLiteral("impresora.txt"), "SI\n");
    Fixture f(tree.root());
    const QImage face = f.form->Command6[0]->face().toImage();
    f.form->Command6_Click(std::int16_t(index));
    QCOMPARE(f.form->pointerNumber, std::int16_t(1));
    QCOMPARE(f.form->Command6[0]->face().toImage(), face);
    QCOMPARE(f.recorder.jobs.size(), jobs);
    QVERIFY(f.messages.shown.isEmpty());
}

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
