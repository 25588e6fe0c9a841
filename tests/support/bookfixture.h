// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A started window on a data tree, with doubles for everything a headless run cannot watch.
// Header-only: only the tests that link the application include it.

#include "app/bookwindow.h"
#include "doubles.h"

#include <memory>

namespace cuaderno::test {

struct BookFixture {
    FixedScreen screen;
    RecordingMessageBox messages;
    RecordingSound sound;
    RecordingPrinter printer;
    RecordingKeeper keeper;
    std::unique_ptr<BookWindow> window;

    // realPrinter, when given, takes the jobs instead of the recording printer.
    explicit BookFixture(const QString& folder, float width = 12000, float height = 9000,
                         Printer* realPrinter = nullptr)
        : screen(width, height),
          window(std::make_unique<BookWindow>(
              Services{screen, messages, sound, realPrinter ? *realPrinter : printer, keeper},
              folder))
    {
        window->prepare();
    }
};

} // namespace cuaderno::test
