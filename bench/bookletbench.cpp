// SPDX-License-Identifier: GPL-3.0-or-later
#include "librarybench.h"

#include "booklet/booklet.h"
#include "library/library.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QPdfWriter>

namespace cuaderno::bench {

namespace {

// What `cuaderno-biblioteca cuadernillo` does for every category of the sample library (ten
// of five drawings, outlines from their uncoloured GIFs): load each outline, then paint the
// cover and the 50 sheets into a PDF, here held in memory.
void booklet50(benchmark::State& state)
{
    const Library library(QStringLiteral(CUADERNO_SAMPLE_LIBRARY));
    qint64 bytes = 0;
    for (auto _ : state) {
        QList<booklet::Outline> outlines;
        for (int category = Library::firstCategory; category <= Library::lastCategory; ++category) {
            for (int n = 1; n <= library.lastDrawingNumber(category); ++n) {
                booklet::LoadedOutline loaded = booklet::loadOutline(library, category, n);
                if (loaded.outline) {
                    outlines.append(*std::move(loaded.outline));
                }
            }
        }
        if (outlines.size() != 50) {
            state.SkipWithError("the sample library does not hold 50 readable drawings");
            return;
        }
        QBuffer pdf;
        pdf.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&pdf);
            if (!booklet::paint(writer, outlines, {}).isEmpty()) {
                state.SkipWithError("the booklet was refused");
                return;
            }
        }
        bytes = pdf.size();
    }
    state.counters["pdf_MB"] = double(bytes) / (1024 * 1024);
}

} // namespace

void registerBookletBenchmarks()
{
    benchmark::RegisterBenchmark("booklet/pdf_50", booklet50)->Unit(benchmark::kMillisecond);
}

} // namespace cuaderno::bench
