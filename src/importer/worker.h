// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the helper program that prepares one picture and prepareApart() say to each other: the
// helper's command line and its answer, written by the helper and read back, checked, by the
// program that started it.

#include "importer.h"

#include <QDataStream>

#include <optional>

namespace cuaderno::importer {

// The helper's name; it lies beside the programs, or in libexec/cuaderno when installed.
inline constexpr char workerName[] = "cuaderno-convertir";

// The helper's own arguments (after those of the limits): width, height, kind, detail, file.
QStringList workerArguments(const QString& file, const PrepareOptions& options);
std::optional<PrepareOptions> workerOptions(const QStringList& arguments);

// What prepare() gave, as the helper hands it back.
void writeAnswer(QDataStream& out, const Outcome<Prepared>& result);
// The answer, or nothing if it is not one the helper could have written (cut short, sizes out
// of bounds, a text longer than what is left).
std::optional<Outcome<Prepared>> readAnswer(QDataStream& in);

} // namespace cuaderno::importer
