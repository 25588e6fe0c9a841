// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Printing the canvas's own picture, the whole coloured drawing, when the switch allows.

#include <QString>

namespace cuaderno {

class PictureBox;
class Printer;

// The first line of the switch file turns printing on only when, upper-cased, it is
// exactly "SI": no trimming, so "SI " or "SÍ" leave it off.
bool printingSwitchedOn(const QString& printerSwitch);

// One page: the canvas's own picture at the page's corner, stretched to the canvas's size.
bool printCanvas(const PictureBox& canvas, Printer& printer, QString& error);

} // namespace cuaderno
