// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The brush: an invisible rectangle inside the canvas with a position and the size of
// the brush picture. It is never drawn.

namespace cuaderno {

class ImageControl {
public:
    float leftTwips() const { return left_; }
    float topTwips() const { return top_; }
    float widthTwips() const { return width_; }
    float heightTwips() const { return height_; }
    void setLeftTwips(float value) { left_ = value; }
    void setTopTwips(float value) { top_ = value; }
    // The control takes the size of a picture of the given pixels.
    void takePictureSize(int widthPx, int heightPx);

private:
    float left_ = 3720.0f;
    float top_ = 2520.0f;
    float width_ = 615.0f;
    float height_ = 495.0f;
};

} // namespace cuaderno
