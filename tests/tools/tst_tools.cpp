// The brush size selector, the colouring brush on the canvas and the pointer selector.

#include "datatree.h"
#include "fixture.h"

#include <QMouseEvent>
#include <QPointingDevice>
#include <QTest>

using namespace cuaderno;
using namespace Qt::StringLiterals;
using namespace cuaderno::test;

namespace {

const QColor coloured(Qt::red);

// A window on a tree whose brushes have the given sizes, its canvas as a page turn leaves
// it: red colours under a white uncoloured layer.
std::unique_ptr<FormFixture> colouringPage(DataTree& tree, const QList<QSize>& brushes)
{
    for (int i = 0; i < brushes.size(); ++i) {
        tree.picture(u"medida/%1.gif"_s.arg(i + 1), brushes[i]);
    }
    auto f = std::make_unique<FormFixture>(tree.root());
    QImage drawing(400, 300, QImage::Format_RGB32);
    drawing.fill(coloured);
    f->form->Picture1->setPicture(drawing);
    drawing.fill(Qt::white);
    f->form->Picture1->paintLayer(drawing, QRectF(0, 0, 6000, 4500), QRectF(0, 0, 6000, 4500));
    return f;
}

} // namespace

class TestTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cycle_data();
    void cycle();
    void unreadableBrushKeepsSize();
    void colouring_data();
    void colouring();
    void touchColours();
    void emptyPointerFolder();
    void otherIndices_data();
    void otherIndices();
};

void TestTools::cycle_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("files"); // a name ending in / is made a folder
    QTest::addColumn<QList<int>>("presses");
    QTest::addColumn<QString>("home"); // the application folder under the tree, if any

    const auto row = [](const char* tag, const QString& folder, const QString& files,
                        const QList<int>& presses, const QString& home = {}) {
        QTest::newRow(tag) << folder << files << presses << home;
    };
    const QString brush = u"medida/"_s, pointer = u"punteros/"_s;
    row("brush 1 to 3", brush, u"1.gif 2.gif 3.gif"_s, {2, 3, 1, 2, 3, 1});
    row("brush gap before 4", brush, u"1.gif 2.gif 4.gif"_s, {2, 1, 2, 1});
    row("brush folder 3.gif", brush, u"1.gif 2.gif 3.gif/"_s, {2, 1});
    row("brush hidden .3.gif", brush, u"1.gif 2.gif .3.gif"_s, {2, 1});
    row("brush stored as 3.GIF", brush, u"1.gif 2.gif 3.GIF"_s, {2, 3, 1});
    row("brush 10", brush, u"1.gif 2.gif 3.gif 4.gif 5.gif 6.gif 7.gif 8.gif 9.gif 10.gif"_s,
        {2, 3, 4, 5, 6, 7, 8, 9, 10, 1});
    row("pointer 1 to 3", pointer, u"1.ico 2.ico 3.ico"_s, {2, 3, 1, 2});
    // Letters that upper-case to two, or to one that folds back to another.
    row("brush under weiß", brush, u"1.gif 2.gif 3.gif"_s, {2, 3, 1}, u"Straße weiß"_s);
    row("pointer under ılık ﬁn", pointer, u"1.ico 2.ico"_s, {2, 1}, u"ılık ﬁn"_s);
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
        // Picture n is n x 10 by n x 5 pixels, so each shows which one was taken.
        const int n = name.section(u'.', -2, -2).toInt();
        if (name.endsWith(u'/')) {
            tree.folder(app + folder + name);
        } else {
            tree.picture(app + folder + name, QSize(n * 10, n * 5));
        }
    }
    FormFixture f(home.isEmpty() ? tree.root() : tree.path(home));
    Form1& w = *f.form;
    for (int n : presses) {
        const QSize size(n * 10, n * 5);
        if (folder == u"medida/") {
            w.Command1_Click();
            QCOMPARE(w.brushNumber, std::int16_t(n));
            QCOMPARE(w.Command1->face().size(), size);
            QCOMPARE(QSizeF(w.Image1.widthTwips(), w.Image1.heightTwips()), QSizeF(size * 15));
        } else {
            w.Command6_Click(0);
            QCOMPARE(w.pointerNumber, std::int16_t(n));
            QCOMPARE(w.Command6[0]->face().size(), size);
            const QCursor pointer = w.Picture1->cursor();
            QCOMPARE(pointer.pixmap().size(), size);
            QCOMPARE(pointer.hotSpot(), QPoint(size.width() / 2, size.height() / 2));
            // The pointer belongs to the canvas alone.
            QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        }
    }
    QVERIFY(f.messages.shown.isEmpty());
}

void TestTools::unreadableBrushKeepsSize()
{
    DataTree tree;
    tree.text(u"medida/1.gif"_s, "GIF89a, but not really");
    tree.picture(u"medida/2.gif"_s, {20, 20});
    FormFixture f(tree.root());
    f.form->Command1_Click();
    f.form->Command1_Click();
    QCOMPARE(f.form->brushNumber, std::int16_t(1));
    QCOMPARE(f.form->Image1.widthTwips(), 300.0f);
    QCOMPARE(f.form->Command1->face().size(), QSize(20, 20));
}

void TestTools::colouring_data()
{
    QTest::addColumn<QList<QSize>>("brushes"); // with two, the brush button is pressed once
    QTest::addColumn<int>("type");
    QTest::addColumn<Qt::MouseButtons>("buttons");
    QTest::addColumn<QPointF>("pointer"); // in twips
    QTest::addColumn<QRect>("expected");  // in pixels

    const QList<QSize> brush{{40, 30}};
    const int move = QEvent::MouseMove;
    const Qt::MouseButtons left(Qt::LeftButton);
    const QPointF at(3000, 2000), atPixel(3000, 2250);
    // Pixels are twips / 15 rounded: (2700, 1775)-(3300, 2225) covers x 180..219, y 118..147.
    QTest::newRow("600 x 450") << brush << move << left << at << QRect(180, 118, 40, 30);
    // No brush picture: the design size 615 x 495 from (2693, 1753).
    QTest::newRow("615 x 495") << QList<QSize>{} << move << left << at << QRect(180, 117, 41, 33);
    QTest::newRow("near the corner")
        << brush << move << left << QPointF(100, 50) << QRect(0, 0, 27, 18);
    QTest::newRow("wholly outside") << brush << move << left << QPointF(-900, 300) << QRect();
    QTest::newRow("after a new brush")
        << QList<QSize>{{40, 30}, {20, 10}} << move << left << at << QRect(190, 128, 20, 10);
    const QRect whole(180, 135, 40, 30);
    QTest::newRow("right") << brush << move << Qt::MouseButtons(Qt::RightButton) << atPixel
                           << whole;
    QTest::newRow("left and right")
        << brush << move << (Qt::LeftButton | Qt::RightButton) << atPixel << whole;
    QTest::newRow("no button") << brush << move << Qt::MouseButtons() << atPixel << QRect();
    QTest::newRow("press, no move")
        << brush << int(QEvent::MouseButtonPress) << left << atPixel << QRect();
}

void TestTools::colouring()
{
    QFETCH(QList<QSize>, brushes);
    QFETCH(int, type);
    QFETCH(Qt::MouseButtons, buttons);
    QFETCH(QPointF, pointer);
    QFETCH(QRect, expected);

    DataTree tree;
    const auto f = colouringPage(tree, brushes);
    if (brushes.size() > 1) {
        f->form->Command1_Click();
    }
    const QPointF at = pointer / 15;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(QEvent::Type(type), at, f->form->Picture1->mapToGlobal(at), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(f->form->Picture1, &event);
    QCOMPARE(areaOf(f->form->Picture1->imageOnShow(), coloured), expected);
}

void TestTools::touchColours()
{
    // A finger dragged over the canvas reaches it as mouse moves with the left button held.
    DataTree tree;
    const auto f = colouringPage(tree, {{40, 30}});
    f->form->resize(800, 600);
    f->form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f->form.get()));
    const std::unique_ptr<QPointingDevice> screen(QTest::createTouchDevice());
    QWidget* canvas = f->form->Picture1;
    QTest::touchEvent(canvas, screen.get()).press(0, QPoint(20, 20), canvas);
    QTest::touchEvent(canvas, screen.get()).move(0, QPoint(200, 150), canvas);
    QTest::touchEvent(canvas, screen.get()).release(0, QPoint(200, 150), canvas);
    QTRY_COMPARE(areaOf(f->form->Picture1->imageOnShow(), coloured), QRect(180, 135, 40, 30));
}

void TestTools::emptyPointerFolder()
{
    DataTree tree;
    tree.folder(u"punteros"_s);
    FormFixture f(tree.root());
    const QImage face = f.form->Command6[0]->face().toImage();
    for (int press = 1; press <= 2; ++press) {
        f.form->Command6_Click(0);
        QCOMPARE(f.messages.shown.size(), press);
        QVERIFY(f.messages.shown.last().startsWith(u"Atención: "_s));
        QVERIFY(f.messages.shown.last().contains(u"1.ico"_s));
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
    tree.picture(u"punteros/1.ico"_s, {32, 32});
    tree.picture(u"punteros/2.ico"_s, {32, 32});
    tree.text(u"impresora.txt"_s, "SI\n");
    FormFixture f(tree.root());
    const QImage face = f.form->Command6[0]->face().toImage();
    f.form->Command6_Click(std::int16_t(index));
    QCOMPARE(f.form->pointerNumber, std::int16_t(1));
    QCOMPARE(f.form->Command6[0]->face().toImage(), face);
    QCOMPARE(f.printer.jobs.size(), jobs);
    QVERIFY(f.messages.shown.isEmpty());
}

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
