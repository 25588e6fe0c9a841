// Printing: the switch, one page per press, the trap's message, and the real printer path
// into a PDF file.

#include "datatree.h"
#include "fixture.h"
#include "platform/qtprinter.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace cuaderno;
using namespace cuaderno::test;

namespace {

// The canvas after a page turn with nothing coloured yet: red and blue halves under white.
void showDrawing(PictureBox& canvas)
{
    canvas.setPicture(twoToneImage({300, 200}, Qt::red, Qt::blue));
    QImage cover(300, 200, QImage::Format_RGB32);
    cover.fill(Qt::white);
    canvas.paintLayer(cover, QRectF(0, 0, 4500, 3000), QRectF(0, 0, 4500, 3000));
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void printerSwitch_data();
    void printerSwitch();
    void noPrinter();
    void printsWholeDrawingIntoPdf();

private:
    QTemporaryDir noServer_;
};

void TestPrinting::initTestCase()
{
    // A print server that is not there: the real printer path sees no printer at all.
    qputenv("CUPS_SERVER", QFile::encodeName(noServer_.filePath(QStringLiteral("cups.sock"))));
}

void TestPrinting::printerSwitch_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("prints");

    QTest::newRow("SI") << QByteArray("SI\r\n") << true;
    QTest::newRow("si") << QByteArray("si\n") << true;
    QTest::newRow("Si") << QByteArray("Si") << true;
    QTest::newRow("sI") << QByteArray("sI\n") << true;
    QTest::newRow("trailing blank") << QByteArray("SI \n") << false;
    QTest::newRow("leading blank") << QByteArray(" SI\n") << false;
    QTest::newRow("accented") << QByteArray("SÍ\n") << false;
    QTest::newRow("S") << QByteArray("S\n") << false;
    QTest::newRow("SIS") << QByteArray("SIS\n") << false;
    QTest::newRow("NO") << QByteArray("NO\n") << false;
    QTest::newRow("absent") << QByteArray() << false;
}

void TestPrinting::printerSwitch()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, prints);

    DataTree tree;
    if (!content.isNull()) {
        tree.text(QStringLiteral("impresora.txt"), content);
    }
    Fixture f(tree.root());
    showDrawing(*f.form->Picture1);
    f.form->Picture1->setWidth(6000);
    f.form->Command6_Click(1);
    f.form->Command6_Click(1);
    // One job of one page per press, or nothing at all; never a message.
    QCOMPARE(f.recorder.jobs.size(), prints ? 2 : 0);
    for (const RecordingPrinter::Job& job : f.recorder.jobs) {
        // The canvas's own picture, not what the screen shows, at the canvas's size.
        QCOMPARE(job.picture, f.form->Picture1->picture());
        QCOMPARE(job.sizeTwips, QSizeF(6000, 3000));
    }
    QVERIFY(f.messages.shown.isEmpty());
}

void TestPrinting::noPrinter()
{
    DataTree tree;
    tree.text(QStringLiteral("impresora.txt"), "si\n");
    QtPrinter printer;
    Fixture f(tree.root(), &printer);
    f.form->Command6_Click(1);
    f.form->Command6_Click(1);
    QCOMPARE(f.messages.shown,
             QStringList(2, QStringLiteral("Atención: No hay ninguna impresora instalada.")));
}

void TestPrinting::printsWholeDrawingIntoPdf()
{
    DataTree tree;
    tree.text(QStringLiteral("impresora.txt"), "SI\n");
    const QString pdf = tree.path(QStringLiteral("page.pdf"));
    QtPrinter printer(pdf);
    Fixture f(tree.root(), &printer);
    showDrawing(*f.form->Picture1);
    f.form->Picture1->setWidth(6000); // stretched: the picture is 4500 twips wide
    f.form->Command6_Click(1);
    QVERIFY(f.messages.shown.isEmpty());

    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    QCOMPARE(QString::fromLatin1(bytes).count(page), 1);
    QVERIFY(bytes.contains("/Subtype /Image"));

    const QString render = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (render.isEmpty()) {
        QSKIP("pdftoppm (poppler-utils) is not installed: the page was not rendered");
    }
    const QString prefix = tree.path(QStringLiteral("page"));
    QCOMPARE(QProcess::execute(render,
                               {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                                QStringLiteral("-singlefile"), pdf, prefix}),
             0);
    const QImage rendered(prefix + QStringLiteral(".png"));
    QVERIFY(!rendered.isNull());
    // 6000 x 3000 twips at 72 dots per inch: 300 x 150 dots, red on the left, blue on the
    // right, nothing of the white layer the screen showed.
    QRect inked;
    for (int y = 0; y < rendered.height(); ++y) {
        for (int x = 0; x < rendered.width(); ++x) {
            if (rendered.pixelColor(x, y) != QColor(Qt::white)) {
                inked |= QRect(x, y, 1, 1);
            }
        }
    }
    QVERIFY2(
        qAbs(inked.width() - 300) <= 1 && qAbs(inked.height() - 150) <= 1,
        qPrintable(QStringLiteral("printed area %1 x %2").arg(inked.width()).arg(inked.height())));
    const QPoint centre = inked.center();
    // The renderer may shift a colour by a step or two.
    const auto near = [](QColor a, QColor b) {
        return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) <
               8;
    };
    QVERIFY(near(rendered.pixelColor(inked.left() + 75, centre.y()), Qt::red));
    QVERIFY(near(rendered.pixelColor(inked.right() - 75, centre.y()), Qt::blue));
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
