// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The primary screen as the controls see it: twips per pixel and its size in twips.

namespace cuaderno {

// One logical pixel in twips (1440 / logical dpi of the primary screen); 15 without a screen.
float twipsPerPixel();

class Screen {
public:
    virtual ~Screen() = default;
    virtual float widthTwips() const = 0;
    virtual float heightTwips() const = 0;
};

// The primary screen: its logical pixels times twips per pixel.
class QtScreen final : public Screen {
public:
    float widthTwips() const override;
    float heightTwips() const override;
};

} // namespace cuaderno
