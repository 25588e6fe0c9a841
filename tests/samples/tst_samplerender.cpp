// SPDX-License-Identifier: GPL-3.0-or-later
// The renderer that turns drawing sources into the coloured and uncoloured pictures (the tree
// it builds from the real samples is the data-tree test's to check).

#include "drawing.h"
#include "gifwriter/gifwriter.h"

#include <QDomDocument>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace cuaderno;
using namespace cuaderno::samples;
using namespace Qt::StringLiterals;

namespace {

// A 200 x 120 drawing on a light blue background.
QByteArray drawing(const QByteArray& body)
{
    return "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='120' viewBox='0 0 200 "
           "120'><rect x='0' y='0' width='200' height='120' fill='#cfe8ff' stroke='none'/>" +
           body + "</svg>";
}

// Writes data at path, making the folders on the way.
bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(data) == data.size();
}

int difference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

} // namespace

class TestSampleRender : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void uncolouredFill_data()
    {
        QTest::addColumn<QString>("value"); // of a style attribute if it has a colon, else a fill
        QTest::addColumn<QString>("expected");
        QTest::newRow("long hex") << u"#e03030"_s << u"#ffffff"_s;
        QTest::newRow("named colour") << u"orange"_s << u"#ffffff"_s;
        QTest::newRow("gradient reference") << u"url(#g)"_s << u"#ffffff"_s;
        QTest::newRow("almost black") << u"#010101"_s << u"#ffffff"_s;
        QTest::newRow("none") << u"none"_s << u"none"_s;
        QTest::newRow("black short") << u"#000"_s << u"#000"_s;
        QTest::newRow("black by name") << u" Black "_s << u" Black "_s;
        QTest::newRow("style colour")
            << u"stroke:#000000;fill:#22aa22"_s << u"stroke:#000000;fill:#ffffff"_s;
        QTest::newRow("style black")
            << u"fill: black;stroke-width:6"_s << u"fill: black;stroke-width:6"_s;
    }

    void uncolouredFill()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        const QString attribute = value.contains(u':') ? u"style"_s : u"fill"_s;
        const QByteArray svg = drawing("<circle cx='100' cy='60' r='40' " + attribute.toUtf8() +
                                       "='" + value.toUtf8() + "' stroke='#000000'/>");
        QString error;
        const QByteArray result = uncolouredSvg(svg, &error);
        QVERIFY2(!result.isEmpty(), qPrintable(error));
        QDomDocument document;
        QVERIFY(document.setContent(result));
        const QDomElement root = document.documentElement();
        QCOMPARE(root.firstChildElement(u"circle"_s).attribute(attribute), expected);
        // The background is a colour too, so it always turns white.
        QCOMPARE(root.firstChildElement(u"rect"_s).attribute(u"fill"_s), u"#ffffff"_s);
    }

    void render_data()
    {
        QTest::addColumn<QByteArray>("source"); // "/" makes a folder, null nothing at all
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QColor>("inside"); // none: refused; black: a detail outlines keep
        const QByteArray outline = "stroke='#000000' stroke-width='6'";
        const QByteArray circle = "<circle cx='100' cy='60' r='40' " + outline + " fill=";
        QTest::newRow("circle as JPEG")
            << drawing(circle + "'#e03030'/>") << u"JPG"_s << QColor(0xe0, 0x30, 0x30);
        QTest::newRow("fill inherited from a group, as GIF")
            << drawing("<g fill='#2080ff' " + outline +
                       "><rect x='40' y='20' width='120' height='80'/></g>")
            << u"GIF"_s << QColor(0x20, 0x80, 0xff);
        QTest::newRow("black detail, as JPEG")
            << drawing(circle +
                       "'#66cc66'/><circle cx='100' cy='60' r='10' fill='black' stroke='none'/>")
            << u"JPG"_s << QColor(Qt::black);
        const auto refused = [](const char* tag, const QByteArray& source) {
            QTest::newRow(tag) << source << u"JPG"_s << QColor();
        };
        const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' ";
        refused("unfinished XML", svg + "width='9'><rect");
        refused("empty file", ""_ba);
        refused("binary junk", QByteArray::fromHex("89504e470d0a1a0a0000ff00fe"));
        refused("not an svg root", "<html><body/></html>"_ba);
        refused("huge size", svg + "width='90000' height='90000'/>");
        refused("no size", svg + "width='0' height='0'/>");
        refused("a folder", "/"_ba);
        refused("missing", QByteArray());
    }

    void render()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, suffix);
        QFETCH(QColor, inside);
        QTemporaryDir dir;
        const QString sourcePath = dir.filePath(u"1.svg"_s);
        const QString colouredPath = dir.filePath(u"1."_s + suffix);
        const QString plainPath = dir.filePath(u"plain.GIF"_s);
        QVERIFY(source.isNull() ||
                (source == "/" ? QDir().mkpath(sourcePath) : writeFile(sourcePath, source)));
        QString error;
        const QString outlinePath = dir.filePath(u"1-contornos.svg"_s);
        const bool rendered =
            renderDrawing(sourcePath, colouredPath, plainPath, &error, outlinePath);
        QVERIFY2(rendered == inside.isValid(), qPrintable(error));
        if (!rendered) { // refused with a reason, and nothing written
            QVERIFY(!error.isEmpty() && !QFile::exists(colouredPath) && !QFile::exists(plainPath) &&
                    !QFile::exists(outlinePath));
            return;
        }

        const bool gif = suffix == u"GIF";
        QCOMPARE(QImageReader(colouredPath).format(), gif ? "gif"_ba : "jpeg"_ba);
        const QImage coloured = QImage(colouredPath).convertToFormat(QImage::Format_RGB32);
        const QImage plain = QImage(plainPath).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(std::pair(coloured.size(), plain.size()),
                 std::pair(QSize(200, 120), QSize(200, 120)));
        // The outline for paper is the uncoloured version as a vector, on the same canvas.
        const QImage outline = QImage(outlinePath).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(outline.size(), plain.size());
        QCOMPARE(QColor(outline.pixel(100, 60)), QColor(plain.pixel(100, 60)));

        const QPoint middle(100, 60);
        QVERIFY(difference(coloured.pixel(middle), inside.rgb()) <= (gif ? 2 : 16));
        QCOMPARE(QColor(plain.pixel(middle)), inside == Qt::black ? inside : QColor(Qt::white));

        // Wherever the uncoloured picture is dark the coloured one is at least as dark: the
        // outlines did not move.
        int dark = 0, white = 0;
        for (int y = 0; y < plain.height(); ++y) {
            for (int x = 0; x < plain.width(); ++x) {
                const QRgb p = plain.pixel(x, y);
                white += p == qRgb(255, 255, 255);
                if (qGray(p) < 100) {
                    ++dark;
                    QCOMPARE_LE(qGray(coloured.pixel(x, y)),
                                qGray(p) + (gif ? 4 : 40)); // outline kept
                }
            }
        }
        QVERIFY(dark > 600); // a 6 px outline around the shape
        QVERIFY(white > plain.width() * plain.height() / 2);
    }

    // Far more than 256 colours: approximated, but black, white and transparency stay exact
    // (few colours staying exact, every suite's pictures show).
    void gifRoundTrip()
    {
        QImage image(256, 64, QImage::Format_ARGB32);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 256; ++x) {
                image.setPixel(x, y,
                               y == 10   ? qRgb(0, 0, 0)
                               : y == 20 ? qRgb(255, 255, 255)
                               : y == 30 ? qRgba(0, 0, 0, x % 2 ? 0 : 255)
                                         : qRgb(x, y * 4, 255 - x));
            }
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(u"x.gif"_s);
        QString error;
        QVERIFY2(writeGif(path, image, &error), qPrintable(error));
        const QImage back = QImage(path).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(back.size(), image.size());
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb want = image.pixel(x, y), got = back.pixel(x, y);
                QCOMPARE(qAlpha(got), qAlpha(want)); // fully clear or fully opaque
                const bool pure = want == qRgb(0, 0, 0) || want == qRgb(255, 255, 255);
                QCOMPARE_LE(qAlpha(want) ? difference(want, got) : 0, pure ? 0 : 16);
            }
        }
    }

    void toolRejectsBadSources_data()
    {
        QTest::addColumn<QStringList>("drawings"); // under in/drawings; "!" marks a broken source
        QTest::addColumn<QString>("message");
        QTest::newRow("malformed drawing") << QStringList{u"1/1.svg"_s, u"1/2.svg!"_s} << "2.svg";
        QTest::newRow("gap in the numbers")
            << QStringList{u"1/1.svg"_s, u"1/3.svg"_s} << "falta el número 2";
        QTest::newRow("gap in the categories")
            << QStringList{u"1/1.svg"_s, u"3/1.svg"_s} << "falta el número 2";
        QTest::newRow("no drawings at all") << QStringList{} << "drawings";
    }

    void toolRejectsBadSources()
    {
        QFETCH(QStringList, drawings);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(u"in"_s)));
        for (QString name : std::as_const(drawings)) {
            const QByteArray whole = drawing("<circle cx='10' cy='10' r='5' fill='#f00'/>");
            const bool broken = name.endsWith(u'!');
            QVERIFY(writeFile(dir.filePath(u"in/drawings/"_s + name.remove(u'!')),
                              broken ? whole.left(150) : whole));
        }
        QProcess tool; // builds a data tree from the sources in "in" into "out"
        tool.start(QStringLiteral(CUADERNO_RENDER_TOOL),
                   {dir.filePath(u"in"_s), dir.filePath(u"out"_s)});
        QVERIFY(tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 1);
        const QString errors = QString::fromUtf8(tool.readAllStandardError());
        QVERIFY2(errors.contains(message), qPrintable(errors));
    }
};

QTEST_MAIN(TestSampleRender)
#include "tst_samplerender.moc"
