#pragma once
// A started window on a data tree, with doubles for everything that cannot be watched.

#include "app/form1.h"
#include "doubles.h"

#include <QColor>
#include <QImage>
#include <QRect>

#include <memory>

namespace cuaderno::test {

struct Fixture {
    FixedScreen screen{12000, 9000};
    RecordingMessageBox messages;
    RecordingSound sound;
    RecordingPrinter recorder;
    std::unique_ptr<Form1> form;

    explicit Fixture(const QString& folder, Printer* printer = nullptr)
        : form(std::make_unique<Form1>(
              Services{screen, messages, sound, printer ? *printer : recorder}, folder))
    {
        form->Form_Load();
    }
};

// The bounding box of the pixels of image in colour; empty when there are none, and
// invalid (-1 size) when they do not fill that box exactly.
inline QRect areaOf(const QImage& image, QColor colour)
{
    QRect box;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                box |= QRect(x, y, 1, 1);
                ++count;
            }
        }
    }
    if (count != box.width() * box.height()) {
        return QRect(0, 0, -1, -1);
    }
    return box;
}

} // namespace cuaderno::test
