// SPDX-License-Identifier: GPL-3.0-or-later
#include "datatree.h"

#include "gifwriter/gifwriter.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QTest>

#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace cuaderno::test {

DataTree::DataTree() : root_(dir_.path()) {}

void DataTree::folder(const QString& relative)
{
    QVERIFY(QDir().mkpath(path(relative)));
}

void DataTree::image(const QString& relative, const QImage& picture)
{
    const QByteArray suffix = QFileInfo(relative).suffix().toLower().toLatin1();
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    QImageWriter writer(&encoded, suffix == "jpg" ? "jpeg" : suffix);
    QString error;
    QVERIFY2(suffix == "gif" ? writeGif(encoded, picture, &error) : writer.write(picture),
             qPrintable(relative + u' ' + error + writer.errorString()));
    text(relative, encoded.data());
}

void DataTree::animation(const QString& relative, const QList<QColor>& frames, QSize size)
{
    const QString target = path(relative);
    QDir().mkpath(QFileInfo(target).path());
    QList<QImage> images;
    for (const QColor& colour : frames) {
        QImage frame(size, QImage::Format_RGB32);
        frame.fill(colour);
        images.append(frame);
    }
    QString error;
    QVERIFY2(writeAnimatedGif(target, images, 10, &error), qPrintable(error));
}

void DataTree::picture(const QString& relative, QSize size, QColor colour)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    image(relative, picture);
}

void DataTree::icon(const QString& relative, const QList<int>& sides)
{
    QByteArray entries, pixels;
    QDataStream out(&entries, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(sides.size());
    for (int side : sides) {
        QImage picture(side, side, QImage::Format_ARGB32);
        picture.fill(Qt::blue);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        QVERIFY(picture.save(&png, "PNG"));
        // Width and height 0 stand for 256; no palette; one plane of 32 bits.
        out << quint8(side) << quint8(side) << quint16(0) << quint16(1) << quint16(32)
            << quint32(png.size()) << quint32(6 + 16 * sides.size() + pixels.size());
        pixels += png.data();
    }
    text(relative, entries + pixels);
}

void DataTree::text(const QString& relative, const QByteArray& content)
{
    const QString target = path(relative);
    QDir().mkpath(QFileInfo(target).path());
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

void DataTree::tone(const QString& relative, int format, int rate, double frequency, int frames)
{
    const QString target = path(relative);
    QDir().mkpath(QFileInfo(target).path());
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = format;
    SNDFILE* file = sf_open(QFile::encodeName(target).constData(), SFM_WRITE, &info);
    QVERIFY2(file != nullptr, sf_strerror(nullptr));
    std::vector<short> samples(std::size_t(frames), 0);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = short(16000 * std::sin(2 * std::numbers::pi * frequency * double(i) / rate));
    }
    const sf_count_t written = sf_writef_short(file, samples.data(), frames);
    sf_close(file);
    QCOMPARE(written, sf_count_t(frames));
}

QImage twoToneImage(QSize size, QColor left, QColor right)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(right);
    QPainter(&image).fillRect(QRect(0, 0, size.width() / 2, size.height()), left);
    return image;
}

} // namespace cuaderno::test
