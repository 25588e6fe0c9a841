// SPDX-License-Identifier: GPL-3.0-or-later
#include "animatedpicture.h"

#include "directorylookup.h"
#include "screen.h"
#include "units.h"

#include <QImageReader>
#include <QMovie>

namespace cuaderno {

AnimatedPicture::AnimatedPicture(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    place();
}

void AnimatedPicture::setFile(const QString& path)
{
    file_ = path;
    drop();
    if (path.isEmpty()) {
        return;
    }
    const QString onDisk = DirectoryLookup::resolve(path);
    if (onDisk.isEmpty()) {
        return;
    }
    // A file that claims to be a GIF but whose first frame cannot be read shows nothing.
    QImageReader probe(onDisk);
    const QSize frame = probe.size();
    if (probe.read().isNull()) {
        return;
    }
    auto* movie = new QMovie(onDisk, QByteArray(), this);
    if (!movie->isValid()) {
        delete movie;
        return;
    }
    // Fit a larger animation into the rectangle, keeping its proportions.
    if (frame.isValid() && (frame.width() > width() || frame.height() > height())) {
        movie->setScaledSize(frame.scaled(size(), Qt::KeepAspectRatio));
    }
    movie_ = movie;
    setMovie(movie);
    movie->start();
}

void AnimatedPicture::drop()
{
    if (movie_ != nullptr) {
        movie_->stop();
        setMovie(nullptr);
        delete movie_.data();
    }
    clear();
}

void AnimatedPicture::setLeftTwips(float value)
{
    left_ = value;
    place();
}

void AnimatedPicture::setTopTwips(float value)
{
    top_ = value;
    place();
}

void AnimatedPicture::place()
{
    const double perPixel = twipsPerPixel();
    setGeometry(twipsToPixels(left_, perPixel), twipsToPixels(top_, perPixel),
                twipsToPixels(width_, perPixel), twipsToPixels(height_, perPixel));
}

} // namespace cuaderno
