// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads the first line of a small text file.

#include <QString>

#include <optional>

namespace cuaderno {

// The first line without its line end (LF, CR LF or CR), reading at most maxBytes;
// empty when the file cannot be opened or holds nothing.
std::optional<QString> readFirstLine(const QString& path, qint64 maxBytes = 4096);

} // namespace cuaderno
