// Rounding and checked counters, the case-blind directory lookup, the first-line reader and
// picture loading.

#include "datatree.h"
#include "platform/directorylookup.h"
#include "platform/pictures.h"
#include "platform/textfile.h"
#include "platform/units.h"

#include <QFile>
#include <QTest>

#include <limits>

using namespace cuaderno;
using cuaderno::test::DataTree;

class TestPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rounding_data();
    void rounding();
    void checkedCounters();
    void lookup_data();
    void lookup();
    void lookupUpperCasedWholePath();
    void firstLine_data();
    void firstLine();
    void pictureLoad_data();
    void pictureLoad();
};

void TestPlatform::rounding_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("nearest"); // INT_MIN when it does not fit in 16 bits
    QTest::addColumn<int>("floored");
    const int none = std::numeric_limits<int>::min();

    QTest::newRow("587.5") << 587.5 << 588 << 587;
    QTest::newRow("-312.5") << -312.5 << -312 << -313;
    QTest::newRow("0.5") << 0.5 << 0 << 0;
    QTest::newRow("1.5") << 1.5 << 2 << 1;
    QTest::newRow("-0.5") << -0.5 << 0 << -1;
    QTest::newRow("32767.5") << 32767.5 << none << 32767;
    QTest::newRow("-32768.5") << -32768.5 << -32768 << none;
    QTest::newRow("not a number") << std::nan("") << none << none;
}

void TestPlatform::rounding()
{
    QFETCH(double, value);
    QFETCH(int, nearest);
    QFETCH(int, floored);
    const int none = std::numeric_limits<int>::min();

    const auto r = roundToInt16(value);
    QCOMPARE(r.has_value(), nearest != none);
    if (r) {
        QCOMPARE(int(*r), nearest);
    }
    const auto f = floorToInt16(value);
    QCOMPARE(f.has_value(), floored != none);
    if (f) {
        QCOMPARE(int(*f), floored);
    }
}

void TestPlatform::checkedCounters()
{
    std::int16_t top = 32767;
    QVERIFY(!checkedIncrement(top));
    QCOMPARE(top, std::int16_t(32767));
    std::int16_t bottom = -32768;
    QVERIFY(!checkedDecrement(bottom));
    QCOMPARE(bottom, std::int16_t(-32768));
    std::int16_t zero = 0;
    QVERIFY(checkedDecrement(zero));
    QCOMPARE(zero, std::int16_t(-1));
}

void TestPlatform::lookup_data()
{
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("found");

    QTest::newRow("exact") << "medida/1.gif"
                           << "1.gif";
    QTest::newRow("file name in capitals") << "medida/1.GIF"
                                           << "1.gif";
    QTest::newRow("stored in capitals") << "medida/3.gif"
                                        << "3.GIF";
    QTest::newRow("mixed case") << "medida/4.gif"
                                << "4.Gif";
    QTest::newRow("folder in capitals") << "MEDIDA/2.gif"
                                        << "2.gif";
    QTest::newRow("folders with blanks") << "DIBUJOS/1/SI COLOREADO/7.JPG"
                                         << "7.jpg";
    QTest::newRow("hidden file") << "medida/.5.gif"
                                 << "";
    QTest::newRow("folder named like the file") << "medida/6.gif"
                                                << "";
    QTest::newRow("missing folder") << "punteros/1.ico"
                                    << "";
    QTest::newRow("leading zero is another name") << "dibujos/1/si coloreado/7.GIF"
                                                  << "";
    QTest::newRow("wildcard") << "medida/*.gif"
                              << "";
    QTest::newRow("folder asked as file") << "medida"
                                          << "";
}

void TestPlatform::lookup()
{
    QFETCH(QString, asked);
    QFETCH(QString, found);

    DataTree tree;
    tree.picture(QStringLiteral("medida/1.gif"), {4, 4});
    tree.picture(QStringLiteral("medida/2.gif"), {4, 4});
    tree.picture(QStringLiteral("medida/3.GIF"), {4, 4});
    tree.picture(QStringLiteral("medida/4.Gif"), {4, 4});
    tree.picture(QStringLiteral("medida/.5.gif"), {4, 4});
    tree.folder(QStringLiteral("medida/6.gif"));
    tree.picture(QStringLiteral("dibujos/1/si coloreado/07.GIF"), {4, 4});
    tree.picture(QStringLiteral("dibujos/1/si coloreado/7.jpg"), {4, 4});
    if (asked == QStringLiteral("dibujos/1/si coloreado/7.GIF")) {
        QFile::remove(tree.path(QStringLiteral("dibujos/1/si coloreado/7.jpg")));
    }

    QCOMPARE(DirectoryLookup::find(tree.path(asked)), found);
    const QString resolved = DirectoryLookup::resolve(tree.path(asked));
    QCOMPARE(resolved.isEmpty(), found.isEmpty());
    if (!found.isEmpty()) {
        QVERIFY(QFile::exists(resolved));
        QVERIFY(resolved.endsWith(u'/' + found));
    }
}

void TestPlatform::lookupUpperCasedWholePath()
{
    // The application folder itself may sit under a hidden folder and be upper-cased.
    DataTree tree;
    tree.picture(QStringLiteral(".local/cuaderno/medida/2.gif"), {4, 4});
    const QString path = tree.path(QStringLiteral(".local/cuaderno/medida/2.gif"));
    QCOMPARE(DirectoryLookup::find(path), QStringLiteral("2.gif"));
    QCOMPARE(DirectoryLookup::find(path.toUpper()), QStringLiteral("2.gif"));
}

void TestPlatform::firstLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("line");

    QTest::newRow("LF") << QByteArray("SI\nNO\n") << true << "SI";
    QTest::newRow("CR LF") << QByteArray("SI\r\n") << true << "SI";
    QTest::newRow("CR") << QByteArray("si\rNO") << true << "si";
    QTest::newRow("no line end") << QByteArray("Si") << true << "Si";
    QTest::newRow("trailing blank kept") << QByteArray("SI \n") << true << "SI ";
    QTest::newRow("empty") << QByteArray() << false << "";
    QTest::newRow("empty first line") << QByteArray("\nSI") << true << "";
    QTest::newRow("huge without line end")
        << QByteArray(1 << 20, 'S') << true << QString(4096, u'S');
}

void TestPlatform::firstLine()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, read);
    QFETCH(QString, line);

    DataTree tree;
    tree.text(QStringLiteral("impresora.txt"), content);
    const auto result = readFirstLine(tree.path(QStringLiteral("impresora.txt")));
    QCOMPARE(result.has_value(), read);
    if (result) {
        QCOMPARE(*result, line);
    }
}

void TestPlatform::pictureLoad_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: a real picture is written
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("loads");

    QTest::newRow("picture") << QByteArray() << "1.jpg" << true;
    QTest::newRow("asked in other case") << QByteArray() << "1.JPG" << true;
    QTest::newRow("JPEG saved as GIF") << QByteArray("jpeg") << "7.GIF" << true;
    QTest::newRow("zero bytes") << QByteArray("") << "2.gif" << false;
    QTest::newRow("text posing as GIF") << QByteArray("not a picture") << "3.gif" << false;
    QTest::newRow("truncated GIF header") << QByteArray("GIF89a\x10\x00") << "4.gif" << false;
    // A GIF header that claims 65535 x 65535 pixels must be refused, not allocated.
    QTest::newRow("giant GIF") << QByteArray("GIF89a\xff\xff\xff\xff\x00\x00\x00", 13) << "5.gif"
                               << false;
    QTest::newRow("missing") << QByteArray("-") << "6.gif" << false;
}

void TestPlatform::pictureLoad()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(bool, loads);

    DataTree tree;
    if (bytes.isNull()) {
        tree.picture(QStringLiteral("1.jpg"), {8, 6});
    } else if (bytes == "jpeg") {
        tree.picture(QStringLiteral("x.jpg"), {8, 6});
        QVERIFY(QFile::rename(tree.path(QStringLiteral("x.jpg")), tree.path(name)));
    } else if (bytes != "-") {
        tree.text(name, bytes);
    }
    const PictureLoad load = Pictures::load(tree.path(name));
    QCOMPARE(load.ok(), loads);
    QCOMPARE(load.error.isEmpty(), loads);
    if (loads) {
        QCOMPARE(load.image.size(), QSize(8, 6));
    } else {
        QVERIFY(load.error.contains(name));
    }
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
