// Reading page-turn WAV files: the formats played, and files that are cut short, corrupt or
// too big, which must fall back to the beep rather than crash, hang or fill the memory.

#include "datatree.h"
#include "platform/qtsound.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace cuaderno;
using cuaderno::test::DataTree;
using namespace Qt::StringLiterals;
using Sample = WavSound::Sample;

namespace {

QByteArray le(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i) {
        out.append(char(value >> (8 * i) & 0xff));
    }
    return out;
}

// A chunk whose header may claim another size than its body has; odd bodies get their pad byte.
QByteArray chunk(const char* id, const QByteArray& body, qint64 claimed = -1)
{
    QByteArray out = QByteArray(id) + le(quint32(claimed < 0 ? body.size() : claimed), 4) + body;
    return body.size() % 2 != 0 && claimed < 0 ? out + '\0' : out;
}

QByteArray fmt(quint16 tag, quint16 channels, quint32 rate, quint16 bits, int blockAlign = -1,
               const QByteArray& extension = {})
{
    const int align = blockAlign < 0 ? channels * bits / 8 : blockAlign;
    return chunk("fmt ", le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * quint32(align), 4) +
                             le(quint32(align), 2) + le(bits, 2) + extension);
}

// The extensible form, whose real format is the first two bytes of the sub-format GUID.
QByteArray extensibleFmt(quint16 subFormat, quint16 channels, quint32 rate, quint16 bits)
{
    return fmt(0xfffe, channels, rate, bits, -1,
               le(22, 2) + le(bits, 2) + le(3, 4) + le(subFormat, 2) +
                   QByteArray::fromHex("000000001000800000aa00389b71"));
}

QByteArray riff(const QByteArray& chunks)
{
    return "RIFF" + le(quint32(4 + chunks.size()), 4) + "WAVE" + chunks;
}

QByteArray floats(std::initializer_list<float> values)
{
    return QByteArray(reinterpret_cast<const char*>(std::data(values)),
                      qsizetype(values.size() * sizeof(float)));
}

const QByteArray stereo16 = QByteArray::fromHex("0100feff0200fdff"); // two frames

} // namespace

class TestSound : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void decode_data();
    void decode();
    void readFromDisk_data();
    void readFromDisk();

private:
    DataTree tree_;
};

void TestSound::initTestCase()
{
    const QByteArray fmt16 = fmt(1, 2, 44100, 16);
    const QByteArray past(maxWavBytes, 'x');
    tree_.text(u"Pasar.WAV"_s, riff(fmt16 + chunk("data", stereo16)));
    tree_.folder(u"carpeta.wav"_s);
    tree_.text(u"largo.wav"_s, riff(fmt16 + chunk("data", past + past)));
    tree_.text(u"formato lejos.wav"_s, riff(chunk("junk", past) + fmt16 + chunk("data", stereo16)));
}

void TestSound::decode_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("sample"); // -1 when the file cannot play
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QByteArray>("pcm");
    const auto good = [](const char* name, const QByteArray& file, Sample sample = Sample::Int16,
                         int channels = 2, int rate = 44100, const QByteArray& pcm = stereo16) {
        QTest::newRow(name) << file << int(sample) << channels << rate << pcm;
    };
    const auto bad = [](const char* name, const QByteArray& file) {
        QTest::newRow(name) << file << -1 << 0 << 0 << QByteArray();
    };
    const QByteArray fmt16 = fmt(1, 2, 44100, 16);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    good("16-bit stereo", riff(fmt16 + chunk("data", stereo16)));
    good("8-bit mono, odd length",
         riff(fmt(1, 1, 22050, 8) + chunk("data", QByteArray::fromHex("80ff00"))), Sample::UInt8, 1,
         22050, QByteArray::fromHex("80ff00"));
    good("24-bit widened",
         riff(fmt(1, 1, 48000, 24) + chunk("data", QByteArray::fromHex("123456abcdef"))),
         Sample::Int32, 1, 48000, QByteArray::fromHex("0012345600abcdef"));
    good("32-bit", riff(fmt(1, 1, 8000, 32) + chunk("data", "\x01\x02\x03\x04")), Sample::Int32, 1,
         8000, "\x01\x02\x03\x04");
    good("float, wild values tamed",
         riff(fmt(3, 1, 44100, 32) + chunk("data", floats({0.5f, nan, 3.0f, -inf}))), Sample::Float,
         1, 44100, floats({0.5f, 0.0f, 1.0f, 0.0f}));
    good("extensible PCM", riff(extensibleFmt(1, 2, 44100, 16) + chunk("data", stereo16)));
    good("other chunks, odd-sized, data first",
         riff(chunk("LIST", "abc") + chunk("data", stereo16) + fmt16 + chunk("junk", "")));
    good("data cut short: whole frames kept",
         riff(fmt16 + chunk("data", stereo16 + QByteArray::fromHex("050006"), 1000)));
    good("data of unknown length", riff(fmt16 + chunk("data", stereo16, 0xffffffff)));

    bad("empty", {});
    bad("not RIFF", "esto no es un sonido, aunque se llame .wav");
    bad("big-endian RIFX", "RIFX" + riff(fmt16 + chunk("data", stereo16)).mid(4));
    bad("header only", riff({}));
    bad("cut inside fmt", riff(fmt16).left(12 + 8 + 10));
    bad("fmt too short", riff(chunk("fmt ", le(1, 2) + le(2, 2)) + chunk("data", stereo16)));
    bad("no fmt", riff(chunk("data", stereo16)));
    bad("no data", riff(fmt16));
    bad("empty data", riff(fmt16 + chunk("data", {})));
    bad("less than a frame", riff(fmt16 + chunk("data", "\x01\x02\x03")));
    bad("huge chunk before fmt",
        riff(chunk("LIST", "ab", 0xffffffff) + fmt16 + chunk("data", stereo16)));
    bad("no channels", riff(fmt(1, 0, 44100, 16, 4) + chunk("data", stereo16)));
    bad("too many channels", riff(fmt(1, 9, 44100, 16) + chunk("data", stereo16.repeated(9))));
    bad("no rate", riff(fmt(1, 2, 0, 16) + chunk("data", stereo16)));
    bad("absurd rate", riff(fmt(1, 2, 0xffffffff, 16) + chunk("data", stereo16)));
    bad("frame size lies", riff(fmt(1, 2, 44100, 16, 3) + chunk("data", stereo16)));
    bad("compressed", riff(fmt(2, 2, 44100, 4, 2) + chunk("data", stereo16)));
    bad("12 bits", riff(fmt(1, 1, 44100, 12, 2) + chunk("data", stereo16)));
    bad("64-bit float", riff(fmt(3, 1, 44100, 64) + chunk("data", stereo16)));
    bad("extensible, compressed", riff(extensibleFmt(2, 2, 44100, 16) + chunk("data", stereo16)));
    bad("extensible cut short",
        riff(fmt16.left(8) + le(0xfffe, 2) + fmt16.mid(10)) + chunk("data", stereo16));
}

void TestSound::decode()
{
    QFETCH(QByteArray, file);
    QFETCH(int, sample);
    QFETCH(int, channels);
    QFETCH(int, rate);
    QFETCH(QByteArray, pcm);

    const std::optional<WavSound> sound = decodeWav(file);
    QCOMPARE(sound.has_value(), sample >= 0);
    if (sound) {
        QCOMPARE(int(sound->sample), sample);
        QCOMPARE(sound->channels, channels);
        QCOMPARE(sound->sampleRate, rate);
        QCOMPARE(sound->pcm, pcm);
    }
}

void TestSound::readFromDisk_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qsizetype>("pcmBytes"); // -1 when nothing can play

    QTest::newRow("found case-blind") << u"pasar.wav"_s << stereo16.size();
    QTest::newRow("missing") << u"nada.wav"_s << qsizetype(-1);
    QTest::newRow("a folder") << u"carpeta.wav"_s << qsizetype(-1);
    // Whole frames of the part read: the cap less the 44-byte header, rounded down to 4.
    QTest::newRow("longer than the cap") << u"largo.wav"_s << (maxWavBytes - 44) / 4 * 4;
    QTest::newRow("format past the cap") << u"formato lejos.wav"_s << qsizetype(-1);
}

void TestSound::readFromDisk()
{
    QFETCH(QString, name);
    QFETCH(qsizetype, pcmBytes);

    const std::optional<WavSound> sound = readWav(tree_.path(name));
    QCOMPARE(sound ? sound->pcm.size() : -1, pcmBytes);
    if (pcmBytes < 0) {
        // What cannot play beeps instead, every time.
        int beeps = 0;
        QtSound player([&beeps] { ++beeps; });
        player.play(tree_.path(name));
        player.play(tree_.path(name));
        QTRY_COMPARE(beeps, 2);
    }
}

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
