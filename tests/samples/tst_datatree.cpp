// SPDX-License-Identifier: GPL-3.0-or-later
// The generated data tree beside the executable has everything the program reads, and its
// pictures and sounds are what they claim (gaps, sizes and fit are the library checker's test).

#include "platform/qtsound.h"

#include <QDir>
#include <QImageReader>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace cuaderno;
using namespace Qt::StringLiterals;

namespace {

const QString kTree = QStringLiteral(CUADERNO_TEST_DATA_TREE);

// The files in folder with one of the suffixes, in the order of their numbers.
QStringList series(const QString& folder, const QStringList& suffixes)
{
    QMap<int, QString> found;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        if (suffixes.contains(QFileInfo(name).suffix())) {
            found.insert(QFileInfo(name).completeBaseName().toInt(), name);
        }
    }
    return found.values();
}

// The fraction of the picture's pixels that pass.
double share(const QImage& source, const std::function<bool(QRgb)>& pass)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    qint64 count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += pass(image.pixel(x, y));
        }
    }
    return double(count) / (double(image.width()) * image.height());
}

// How far a pixel is from grey.
int spread(QRgb p)
{
    return std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)});
}

} // namespace

class TestDataTree : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void category_data()
    {
        QTest::addColumn<int>("category");
        for (int c = 1; c <= 10; ++c) {
            QTest::addRow("category %d", c) << c;
        }
    }

    void category()
    {
        QFETCH(int, category);
        const QString base = kTree + u"/dibujos/"_s + QString::number(category);
        const QStringList names = series(base + u"/si coloreado"_s, {u"JPG"_s, u"GIF"_s});
        QVERIFY2(names.size() >= 5, qPrintable(base));
        for (const QString& name : names) {
            const QString colouredPath = base + u"/si coloreado/"_s + name;
            QImageReader plain(base + u"/no coloreado/"_s + QFileInfo(name).completeBaseName() +
                               u".GIF"_s);
            QCOMPARE(plain.format(), QByteArray("gif"));
            const QImage coloured(colouredPath);
            const QImage uncoloured = plain.read();
            // Colour in one, only paper and grey outlines in the other; nothing read fails all.
            QVERIFY2(share(coloured, [](QRgb p) { return spread(p) > 40; }) > 0.05,
                     qPrintable(colouredPath));
            QVERIFY2(share(uncoloured, [](QRgb p) { return spread(p) > 2; }) == 0,
                     qPrintable(plain.fileName()));
            QVERIFY2(share(uncoloured, [](QRgb p) { return p == qRgb(255, 255, 255); }) > 0.3,
                     qPrintable(plain.fileName()));
        }
    }

    void numberedFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("atLeast");
        QTest::addColumn<QSize>("size"); // empty when the sizes vary
        QTest::newRow("animations") << u"animados"_s << u"gif"_s << 6 << QSize(65, 57);
        QTest::newRow("brushes") << u"medida"_s << u"gif"_s << 4 << QSize();
        QTest::newRow("pointers") << u"punteros"_s << u"ico"_s << 4 << QSize(32, 32);
    }

    void numberedFolder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, suffix);
        QFETCH(int, atLeast);
        QFETCH(QSize, size);
        const QStringList names = series(kTree + u'/' + folder, {suffix});
        QVERIFY2(names.size() >= atLeast, qPrintable(folder));
        int previousSide = 0;
        for (const QString& name : names) {
            QImageReader reader(kTree + u'/' + folder + u'/' + name);
            const QImage first = reader.read();
            QVERIFY2(!first.isNull(), qPrintable(reader.fileName()));
            if (size.isValid()) {
                QCOMPARE(first.size(), size);
            } else {
                // Brushes grow, and the picture's size is the brush's size.
                QVERIFY(first.width() > previousSide);
                previousSide = first.width();
            }
            if (folder == u"animados") {
                QVERIFY(reader.imageCount() > 1);
                QCOMPARE(reader.loopCount(), -1);
                QVERIFY(reader.nextImageDelay() > 0);
            }
        }
    }

    void sounds()
    {
        QList<QByteArray> seen;
        for (const QString& name : {u"sonido1.wav"_s, u"sonido2.wav"_s}) {
            const std::optional<WavSound> wave = readWav(kTree + u'/' + name);
            QVERIFY2(wave && wave->sampleRate >= 8000, qPrintable(name));
            const double seconds = double(wave->frames()) / wave->sampleRate;
            QVERIFY2(seconds > 0.1 && seconds < 2.0, qPrintable(name));
            const auto* samples = reinterpret_cast<const qint16*>(wave->pcm.constData());
            const auto [low, high] = std::minmax_element(samples, samples + wave->pcm.size() / 2);
            QVERIFY2(std::max(-*low, int(*high)) > 3000, qPrintable(name)); // audible, not silence
            seen.append(wave->pcm);
        }
        QVERIFY(seen[0] != seen[1]);
    }

    void backgroundAndPrinter()
    {
        const QImage tile(kTree + u"/fondo.gif"_s);
        QVERIFY(tile.width() >= 16 && tile.height() >= 16);
        QFile printer(kTree + u"/impresora.txt"_s);
        QVERIFY(printer.open(QIODevice::ReadOnly));
        QCOMPARE(printer.readLine().trimmed(), QByteArray("NO"));
    }
};

QTEST_MAIN(TestDataTree)
#include "tst_datatree.moc"
