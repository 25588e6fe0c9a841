// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parents' tools: checking a large library, removing its first drawing, printing a booklet.

namespace cuaderno::bench {

// library/check: checkLibrary over 10 categories of 1,000 drawings, beside
// floor/header/20000: QImageReader::size() of each of those 20,000 files once.
// library/remove_first: removing drawing 1 of a category of 1,000, beside
// floor/rename/1998: renaming as many files once each.
void registerLibraryBenchmarks();
// booklet/pdf_50: a booklet of the sample library's 50 drawings as PDF, with its size.
void registerBookletBenchmarks();

} // namespace cuaderno::bench
