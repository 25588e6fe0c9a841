// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The printing switch: "impresora.txt" in a library, whose first line says whether the print
// button prints. The book reads it at start-up and the parents' tools read and change it, all
// by the rules here, so the two sides never disagree about what it says.

#include <QByteArray>
#include <QString>

#include <optional>

namespace cuaderno {

// The switch's name in a library; only this exact name counts, other letter cases leave
// printing off.
QString printerSwitchName();

// The switch's first line, empty when there is no switch under its exact name.
std::optional<QString> readPrinterSwitch(const QString& folder);

// The first line turns printing on only when, upper-cased, it is exactly "SI": no trimming,
// so "SI " or "SÍ" leave it off.
bool printingSwitchedOn(const QString& firstLine);

// Whether the switch in `folder` turns printing on.
bool printingEnabled(const QString& folder);

// What a change writes into the switch.
QByteArray printerSwitchContent(bool on);

// The installed package's switch is a link to the administrator's configuration file; a
// change writes through that link only. Gives the file to write when the switch in `folder`
// is that link; any other link is replaced by a file of the library's own.
std::optional<QString> packageSwitchBehind(const QString& folder);

} // namespace cuaderno
