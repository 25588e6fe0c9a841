// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small rules of written Spanish that every message shares, so that no text says "1 dibujos"
// or "(4 a 5)" once its numbers are filled in.

#include <QString>

namespace cuaderno {

// `one` when count is 1, else `many` (Spanish says "0 dibujos"); %1 in either becomes the count.
QString plural(qint64 count, const QString& one, const QString& many);

// A numbered run of things: "el dibujo 4" or "los dibujos del 4 al 7"; `one` and `many` each
// hold %1 (the first number) and `many` also %2 (the last).
QString numberRange(int first, int last, const QString& one, const QString& many);

// A message as a sentence: capital first letter and a full stop, added only where missing.
QString sentence(QString text);

} // namespace cuaderno
