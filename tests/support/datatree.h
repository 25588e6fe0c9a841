// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Builds data trees for tests in a temporary folder: numbered pictures made on the fly
// (real GIF, JPEG, PNG or ICO files), odd letter case, hidden files, folders named like files.

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>
#include <QTemporaryDir>

namespace cuaderno::test {

class DataTree {
public:
    DataTree();
    const QString& root() const { return root_; }
    bool isValid() const { return dir_.isValid(); }
    QString path(const QString& relative) const { return root_ + u'/' + relative; }

    // Writes a picture of the given size and colour; the format follows the extension
    // (gif, jpg, png, ico), whatever its letter case.
    void picture(const QString& relative, QSize size, QColor colour = Qt::red);
    void image(const QString& relative, const QImage& image);
    // A looping animated GIF with one plain frame per colour.
    void animation(const QString& relative, const QList<QColor>& frames, QSize size = {65, 57});
    // An icon holding one square picture per side, in that order (PNG entries).
    void icon(const QString& relative, const QList<int>& sides);
    void text(const QString& relative, const QByteArray& content);
    // A mono sine tone at half of full scale, written by libsndfile in one of its formats
    // (SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM and the like).
    void tone(const QString& relative, int format, int rate, double frequency, int frames);
    void folder(const QString& relative);

private:
    QTemporaryDir dir_;
    QString root_;
};

// A picture whose left half is one colour and right half another, to tell layers apart.
QImage twoToneImage(QSize size, QColor left, QColor right);

} // namespace cuaderno::test
