// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plays an animated GIF in a fixed rectangle beside the canvas.

#include <QLabel>
#include <QPointer>

#include <QMovie>

namespace cuaderno {

class AnimatedPicture final : public QLabel {
    Q_OBJECT
public:
    explicit AnimatedPicture(QWidget* parent = nullptr);

    // A path starts playing by itself, looping as the file says; the empty string drops
    // the animation. A missing or unreadable file shows nothing and is no error.
    void setFile(const QString& path);
    const QString& file() const { return file_; }
    // Whether a readable animation is loaded (and playing or played through).
    bool hasAnimation() const { return movie_ != nullptr; }

    float leftTwips() const { return left_; }
    float topTwips() const { return top_; }
    void setLeftTwips(float value);
    void setTopTwips(float value);

private:
    void place();
    void drop();

    QString file_;
    QPointer<QMovie> movie_;
    float left_ = 120.0f;
    float top_ = 120.0f;
    float width_ = 975.0f;
    float height_ = 855.0f;
};

} // namespace cuaderno
