// The drawing library on disk: which numbers exist, where the scan for the last one stops
// and which extension wins.

#include "browser/drawinglibrary.h"
#include "datatree.h"
#include "platform/pictures.h"

#include <QElapsedTimer>
#include <QTest>

using namespace cuaderno;
using namespace cuaderno::test;
using namespace Qt::StringLiterals;

namespace {
const QString coloured = u"dibujos/1/si coloreado/"_s;
} // namespace

class TestDrawingLibrary : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void library_data();
    void library();
    void largeCategoryScansFast();
};

void TestDrawingLibrary::library_data()
{
    // Names in the coloured folder ('/' at the end makes a folder), or paths from the root.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("last");
    QTest::addColumn<QList<int>>("above");  // drawings that exist above the first gap
    QTest::addColumn<QString>("extension"); // of drawing 1

    const QString gif = u".GIF"_s;
    const QString jpg = u".JPG"_s;
    QTest::newRow("1 to 7, mixed extensions")
        << QStringList{u"1.GIF"_s, u"2.jpg"_s, u"3.Gif"_s, u"4.JPG"_s,
                       u"5.gif"_s, u"6.Jpg"_s, u"7.GIF"_s}
        << 7 << QList<int>() << gif;
    QTest::newRow("gap after 2") << QStringList{u"1.GIF"_s, u"2.GIF"_s, u"4.GIF"_s, u"5.GIF"_s} << 2
                                 << QList{4, 5} << gif;
    QTest::newRow("GIF wins over JPG")
        << QStringList{u"1.JPG"_s, u"1.GIF"_s} << 1 << QList<int>() << gif;
    QTest::newRow("only 1.jpg") << QStringList{u"1.jpg"_s} << 1 << QList<int>() << jpg;
    QTest::newRow("empty folder") << QStringList{u"/"_s} << 0 << QList<int>() << QString();
    QTest::newRow("no folder") << QStringList() << 0 << QList<int>() << QString();
    QTest::newRow("only uncoloured")
        << QStringList{u"dibujos/1/no coloreado/1.GIF"_s} << 0 << QList<int>() << QString();
    QTest::newRow("hidden 3") << QStringList{u"1.GIF"_s, u"2.GIF"_s, u".3.GIF"_s, u"4.GIF"_s} << 2
                              << QList{4} << gif;
    QTest::newRow("folder named 3.GIF")
        << QStringList{u"1.GIF"_s, u"2.GIF"_s, u"3.GIF/"_s, u"4.GIF"_s} << 2 << QList{4} << gif;
    QTest::newRow("07 is not 7") << QStringList{u"1.GIF"_s, u"2.GIF"_s, u"3.GIF"_s,  u"4.GIF"_s,
                                                u"5.GIF"_s, u"6.GIF"_s, u"07.GIF"_s, u"007.JPG"_s}
                                 << 6 << QList<int>() << gif;
    QTest::newRow("folders in other letters")
        << QStringList{u"DIBUJOS/1/Si Coloreado/1.gif"_s, u"DIBUJOS/1/Si Coloreado/2.JPG"_s} << 2
        << QList<int>() << gif;
}

void TestDrawingLibrary::library()
{
    QFETCH(QStringList, entries);
    QFETCH(int, last);
    QFETCH(QList<int>, above);
    QFETCH(QString, extension);
    DataTree tree;
    for (const QString& entry : entries) {
        const QString path = entry.chopped(1).contains(u'/') ? entry : coloured + entry;
        if (path.endsWith(u'/')) {
            tree.folder(path);
        } else {
            tree.picture(path, {4, 3});
        }
    }
    const DrawingLibrary library(tree.root());

    QCOMPARE(int(library.LastDrawingNumber(1)), last);
    // The scan and the single test agree on every number around the range.
    for (std::int16_t n = -1; n <= 9; ++n) {
        QCOMPARE(library.DrawingExists(1, n), (n >= 1 && n <= last) || above.contains(n));
    }
    QCOMPARE(library.DrawingExtension(1, 1), extension);
    // The path in capitals opens the file whatever its letters.
    QCOMPARE(Pictures::load(library.ColouredDrawingPath(1, 1, extension)).ok(),
             !extension.isEmpty());
}

void TestDrawingLibrary::largeCategoryScansFast()
{
    // Names in neither plain case make each lookup list the folder; 5000 of them must not
    // cost a listing per number.
    DataTree tree;
    for (int n = 1; n <= 5000; ++n) {
        tree.text(coloured + QString::number(n) + u".Gif"_s, QByteArray());
    }
    const DrawingLibrary library(tree.root());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(int(library.LastDrawingNumber(1)), 5000);
    QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed()) + u" ms"));
}

QTEST_GUILESS_MAIN(TestDrawingLibrary)
#include "tst_drawinglibrary.moc"
