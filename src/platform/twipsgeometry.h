// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Position and size of a control in twips, kept exactly as set; the widget sits at the
// nearest whole pixels. The accessors say "Twips" so that QWidget's own x(), width() and
// geometry() keep meaning pixels on every control.

class QWidget;

namespace cuaderno {

class TwipsGeometry {
public:
    float leftTwips() const { return left_; }
    float topTwips() const { return top_; }
    float widthTwips() const { return width_; }
    float heightTwips() const { return height_; }
    void setLeftTwips(float value);
    void setTopTwips(float value);
    void setWidthTwips(float value);
    void setHeightTwips(float value);
    void setGeometryTwips(float left, float top, float width, float height);

protected:
    explicit TwipsGeometry(QWidget& widget) : widget_(widget) {}
    ~TwipsGeometry() = default;
    TwipsGeometry(const TwipsGeometry&) = delete;
    TwipsGeometry& operator=(const TwipsGeometry&) = delete;
    // Size in twips that a picture of the given pixels takes.
    void takePixelSize(int widthPx, int heightPx, float extraTwips = 0.0f);

private:
    void place();

    QWidget& widget_;
    float left_ = 0.0f;
    float top_ = 0.0f;
    float width_ = 0.0f;
    float height_ = 0.0f;
};

} // namespace cuaderno
