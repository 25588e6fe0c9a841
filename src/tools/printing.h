// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Printing the canvas's own picture, the whole coloured drawing.

#include <QString>

namespace cuaderno {

class PictureBox;
class Printer;

// One page: the canvas's own picture at the page's corner, stretched to the canvas's size.
bool printCanvas(const PictureBox& canvas, Printer& printer, QString& error);

} // namespace cuaderno
