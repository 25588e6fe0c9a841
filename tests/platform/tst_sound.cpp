// SPDX-License-Identifier: GPL-3.0-or-later
// Reading page-turn sounds: the old WAV forms decode to the right length and pitch; lying, cut
// short, too big or foreign files beep instead, never crash, hang or fill the memory.

#include "datatree.h"
#include "platform/qtsound.h"

#include <QTest>
#include <QtEndian>

#include <sndfile.h>

using namespace cuaderno;
using cuaderno::test::DataTree;
using namespace Qt::StringLiterals;

namespace {

constexpr int wav = SF_FORMAT_WAV;
constexpr int toneFrames = 11025;

// The pitch of the first frames of a tone, from their zero crossings.
double frequencyOf(const WavSound& sound, int frames)
{
    const auto* samples = reinterpret_cast<const qint16*>(sound.pcm.constData());
    int crossings = 0;
    for (qsizetype i = 1; i < frames; ++i) {
        crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    }
    return crossings / 2.0 * sound.sampleRate / frames;
}

QByteArray le32(quint32 value)
{
    const quint32 little = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&little), 4);
}

} // namespace

class TestSound : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("frames"); // -1 when the file cannot play
        QTest::addColumn<int>("rate");
        QTest::addColumn<double>("frequency");
        QTest::addColumn<int>("block"); // ADPCM pads the last block with silence

        const auto tone = [this](const char* row, int format, int rate, double frequency,
                                 int block = 1) {
            const QString name = QString::fromLatin1(row) + u".wav"_s;
            tree_.tone(name, format, rate, frequency, toneFrames);
            QTest::newRow(row) << name << toneFrames << rate << frequency << block;
        };
        tone("IMA ADPCM", wav | SF_FORMAT_IMA_ADPCM, 22050, 440, 1017);
        tone("MS ADPCM", wav | SF_FORMAT_MS_ADPCM, 11025, 880, 500);
        tone("mu-law", wav | SF_FORMAT_ULAW, 8000, 1000);
        tone("A-law", wav | SF_FORMAT_ALAW, 8000, 700);
        tone("8-bit PCM", wav | SF_FORMAT_PCM_U8, 44100, 1320);
        tone("float", wav | SF_FORMAT_FLOAT, 48000, 2000);

        const auto refused = [](const char* row, const QString& name) {
            QTest::newRow(row) << name << -1 << 0 << 0.0 << 1;
        };
        const QByteArray pcm = [this] {
            tree_.tone(u"pcm.wav"_s, wav | SF_FORMAT_PCM_16, 44100, 440, toneFrames);
            QFile file(tree_.path(u"pcm.wav"_s));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        tree_.text(u"gigante.wav"_s, pcm.first(12) + "LIST" + le32(0xffffffff) + pcm.sliced(12));
        refused("chunk claiming 4 GiB before the format", u"gigante.wav"_s);
        tree_.text(u"cortado.wav"_s, pcm.first(30));
        refused("cut inside the header", u"cortado.wav"_s);
        tree_.text(u"texto.wav"_s, "esto no es un sonido, aunque se llame .wav\n");
        refused("text", u"texto.wav"_s);
        refused("missing", u"nada.wav"_s);
        tree_.folder(u"carpeta.wav"_s);
        refused("a folder", u"carpeta.wav"_s);

        QTest::newRow("found case-blind") << u"PCM.WAV"_s << toneFrames << 44100 << 440.0 << 1;
        // Past the read limit, the part read plays: whole 16-bit frames after the 44-byte header.
        tree_.text(u"largo.wav"_s, pcm.first(40) + le32(quint32(2 * maxWavBytes)) +
                                       QByteArray(2 * maxWavBytes, '\x10'));
        QTest::newRow("longer than the read limit")
            << u"largo.wav"_s << int((maxWavBytes - 44) / 2) << 44100 << 0.0 << 1;
    }

    void read()
    {
        QFETCH(QString, name);
        QFETCH(int, frames);
        QFETCH(int, rate);
        QFETCH(double, frequency);
        QFETCH(int, block);

        const std::optional<WavSound> sound = readWav(tree_.path(name));
        const qsizetype decoded = sound ? sound->frames() : -1;
        QCOMPARE_GE(decoded, frames);
        QCOMPARE_LT(decoded, frames + block);
        if (sound) {
            QCOMPARE(sound->channels, 1);
            QCOMPARE(sound->sampleRate, rate);
            QCOMPARE_LE(std::abs(frequencyOf(*sound, frames) - frequency), frequency / 50);
        } else {
            // What cannot play beeps instead, every time.
            int beeps = 0;
            QtSound player([&beeps] { ++beeps; });
            player.play(tree_.path(name));
            player.play(tree_.path(name));
            QTRY_COMPARE(beeps, 2);
        }
    }

private:
    DataTree tree_;
};

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
