#pragma once
// The size of the screen the window covers, in twips.

namespace cuaderno {

class Screen {
public:
    virtual ~Screen() = default;
    virtual float width() const = 0;
    virtual float height() const = 0;
};

// The primary screen: its logical pixels times twips per pixel.
class QtScreen final : public Screen {
public:
    float width() const override;
    float height() const override;
};

} // namespace cuaderno
