#pragma once
// The brush: an invisible rectangle inside the canvas with a position and the size of
// the brush picture. It is never drawn.

namespace cuaderno {

class ImageControl {
public:
    float left() const { return left_; }
    float top() const { return top_; }
    float width() const { return width_; }
    float height() const { return height_; }
    void setLeft(float value) { left_ = value; }
    void setTop(float value) { top_ = value; }
    // The control takes the size of a picture of the given pixels.
    void takePictureSize(int widthPx, int heightPx);

private:
    float left_ = 3720.0f;
    float top_ = 2520.0f;
    float width_ = 615.0f;
    float height_ = 495.0f;
};

} // namespace cuaderno
