// The generated data tree beside the executable has everything the program reads.

#include <QDir>
#include <QImageReader>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

const QString kTree = QStringLiteral(CUADERNO_TEST_DATA_TREE);

// The numbers of the files in folder with one of the suffixes, sorted.
QList<int> numbers(const QString& folder, const QStringList& suffixes, QStringList* names)
{
    QList<int> found;
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        bool ok = false;
        const int n = QFileInfo(name).completeBaseName().toInt(&ok);
        if (ok && suffixes.contains(QFileInfo(name).suffix())) {
            found.append(n);
            names->append(name);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool runsFromOne(const QList<int>& series)
{
    for (qsizetype i = 0; i < series.size(); ++i)
        if (series[i] != i + 1)
            return false;
    return true;
}

struct Wave {
    int format = 0, channels = 0, rate = 0, bits = 0;
    QByteArray samples;
};

// Reads the RIFF chunks of a WAV file; an empty Wave when it is not one.
Wave readWave(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "WAVE")
        return {};
    Wave wave;
    qsizetype at = 12;
    while (at + 8 <= data.size()) {
        const QByteArray id = data.mid(at, 4);
        const auto size = qsizetype(qFromLittleEndian<quint32>(data.constData() + at + 4));
        const QByteArray body = data.mid(at + 8, size);
        if (id == "fmt " && body.size() >= 16) {
            wave.format = qFromLittleEndian<quint16>(body.constData());
            wave.channels = qFromLittleEndian<quint16>(body.constData() + 2);
            wave.rate = int(qFromLittleEndian<quint32>(body.constData() + 4));
            wave.bits = qFromLittleEndian<quint16>(body.constData() + 14);
        } else if (id == "data") {
            wave.samples = body;
        }
        at += 8 + size + (size & 1);
    }
    return wave;
}

struct Shares {
    double white = 0, colourful = 0, tinted = 0;
};

// Fractions of pure white pixels, strongly coloured ones and any not grey at all.
Shares shares(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    Shares result;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
            const int spread = std::max({r, g, b}) - std::min({r, g, b});
            result.white += line[x] == qRgb(255, 255, 255);
            result.colourful += spread > 40;
            result.tinted += spread > 2;
        }
    }
    const double total = double(image.width()) * image.height();
    result.white /= total;
    result.colourful /= total;
    result.tinted /= total;
    return result;
}

} // namespace

class TestDataTree : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void category_data();
    void category();
    void numberedFolder_data();
    void numberedFolder();
    void sounds();
    void backgroundAndPrinter();
};

void TestDataTree::category_data()
{
    QTest::addColumn<int>("category");
    for (int c = 1; c <= 10; ++c)
        QTest::addRow("category %d", c) << c;
}

void TestDataTree::category()
{
    QFETCH(int, category);
    const QString base = kTree + u"/dibujos/"_s + QString::number(category);
    QStringList names;
    const QList<int> series = numbers(base + u"/si coloreado"_s, {u"JPG"_s, u"GIF"_s}, &names);
    QVERIFY2(series.size() >= 5, qPrintable(base));
    QVERIFY2(runsFromOne(series), qPrintable(names.join(u", ")));
    for (const QString& name : std::as_const(names)) {
        QImageReader coloured(base + u"/si coloreado/"_s + name);
        const QString plainName = QFileInfo(name).completeBaseName() + u".GIF"_s;
        QImageReader plain(base + u"/no coloreado/"_s + plainName);
        QVERIFY2(plain.canRead(), qPrintable(plain.fileName()));
        QCOMPARE(plain.format(), QByteArray("gif"));
        const QImage colouredImage = coloured.read();
        const QImage plainImage = plain.read();
        QVERIFY2(!colouredImage.isNull(), qPrintable(coloured.fileName()));
        QVERIFY2(!plainImage.isNull(), qPrintable(plain.fileName()));
        QCOMPARE(plainImage.size(), colouredImage.size());
        // Must fit beside the buttons on a 1024 x 768 screen.
        QVERIFY(colouredImage.width() <= 1024 && colouredImage.height() <= 768);
        // Colour in one, only paper and grey outlines in the other.
        const Shares plainShares = shares(plainImage);
        QVERIFY2(shares(colouredImage).colourful > 0.05, qPrintable(coloured.fileName()));
        QVERIFY2(plainShares.tinted == 0, qPrintable(plain.fileName()));
        QVERIFY2(plainShares.white > 0.3, qPrintable(plain.fileName()));
    }
}

void TestDataTree::numberedFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<int>("atLeast");
    QTest::addColumn<QSize>("size"); // empty when the sizes vary
    QTest::addColumn<bool>("animated");
    QTest::newRow("animations") << u"animados"_s << u"gif"_s << 6 << QSize(65, 57) << true;
    QTest::newRow("brushes") << u"medida"_s << u"gif"_s << 4 << QSize() << false;
    QTest::newRow("pointers") << u"punteros"_s << u"ico"_s << 4 << QSize(32, 32) << false;
}

void TestDataTree::numberedFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, suffix);
    QFETCH(int, atLeast);
    QFETCH(QSize, size);
    QFETCH(bool, animated);
    QStringList names;
    const QList<int> series = numbers(kTree + u'/' + folder, {suffix}, &names);
    QVERIFY(series.size() >= atLeast);
    QVERIFY2(runsFromOne(series), qPrintable(names.join(u", ")));
    int previousSide = 0;
    for (int n : series) {
        QImageReader reader(kTree + u'/' + folder + u'/' + QString::number(n) + u'.' + suffix);
        const QImage first = reader.read();
        QVERIFY2(!first.isNull(), qPrintable(reader.fileName() + u": "_s + reader.errorString()));
        if (size.isValid()) {
            QCOMPARE(first.size(), size);
        } else {
            // Brushes grow, and the picture's size is the brush's size.
            QVERIFY(first.width() > previousSide);
            previousSide = first.width();
        }
        if (animated) {
            QVERIFY(reader.imageCount() > 1);
            QCOMPARE(reader.loopCount(), -1);
            QVERIFY(reader.nextImageDelay() > 0);
        }
    }
}

void TestDataTree::sounds()
{
    QList<QByteArray> seen;
    for (const QString& name : {u"sonido1.wav"_s, u"sonido2.wav"_s}) {
        const Wave wave = readWave(kTree + u'/' + name);
        QCOMPARE(wave.format, 1); // PCM
        QVERIFY(wave.channels >= 1 && wave.bits == 16 && wave.rate >= 8000);
        const double seconds =
            double(wave.samples.size()) / (wave.channels * wave.bits / 8 * wave.rate);
        QVERIFY2(seconds > 0.1 && seconds < 2.0, qPrintable(name));
        int peak = 0;
        for (qsizetype i = 0; i + 1 < wave.samples.size(); i += 2)
            peak = std::max(peak,
                            std::abs(int(qFromLittleEndian<qint16>(wave.samples.constData() + i))));
        QVERIFY2(peak > 3000, qPrintable(name)); // audible, not silence
        seen.append(wave.samples);
    }
    QVERIFY(seen[0] != seen[1]);
}

void TestDataTree::backgroundAndPrinter()
{
    const QImage tile(kTree + u"/fondo.gif"_s);
    QVERIFY(!tile.isNull());
    QVERIFY(tile.width() >= 16 && tile.height() >= 16);
    QFile printer(kTree + u"/impresora.txt"_s);
    QVERIFY(printer.open(QIODevice::ReadOnly));
    QCOMPARE(printer.readLine().trimmed(), QByteArray("NO"));
}

QTEST_MAIN(TestDataTree)
#include "tst_datatree.moc"
