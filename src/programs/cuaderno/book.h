// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The book's window wired to the real screen, sound, printer, messages and gallery, shown full
// screen: shared by the program and the start-up benchmark, so that the benchmark measures the
// program's own start-up.

#include <QString>

#include <functional>

class QWidget;

namespace cuaderno {

// Runs the book on the data tree in folder until it quits, and returns the exit code.
// beforeShow, when given, sees the loaded window just before it is shown.
int runBook(const QString& folder, const std::function<void(QWidget&)>& beforeShow = {});

} // namespace cuaderno
