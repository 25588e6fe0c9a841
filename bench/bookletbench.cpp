// SPDX-License-Identifier: GPL-3.0-or-later
#include "librarybench.h"

#include "booklet/booklet.h"
#include "library/library.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <fstream>
#include <string>

namespace cuaderno::bench {

namespace {

// The process's peak resident memory in kB since the last reset (VmHWM).
long peakKilobytes(bool reset)
{
    if (reset) {
        std::ofstream("/proc/self/clear_refs") << "5";
    }
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// What `cuaderno-biblioteca cuadernillo` does for every category of the sample library (ten
// of five drawings, outlines from their SVG companions): the cover and the 50 sheets written
// to a PDF file, each outline loaded as its sheet is painted.
void booklet50(benchmark::State& state)
{
    const Library library(QStringLiteral(CUADERNO_SAMPLE_LIBRARY));
    QList<booklet::Drawing> drawings;
    for (int category = Library::firstCategory; category <= Library::lastCategory; ++category) {
        for (int n = 1; n <= library.lastDrawingNumber(category); ++n) {
            drawings.append({category, n});
        }
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("cuadernillo.pdf"));
    const long before = peakKilobytes(true);
    for (auto _ : state) {
        int leftOut = 0;
        const Outcome<int> pages = booklet::writePdf(
            path, library, drawings, {}, {{}, [&leftOut](const QString&) { ++leftOut; }, {}});
        if (!pages || leftOut > 0 || pages.value() != 51) {
            state.SkipWithError("the sample library does not give 50 printable drawings");
            return;
        }
    }
    state.counters["pdf_MB"] = double(QFileInfo(path).size()) / (1024 * 1024);
    state.counters["peak_MB"] = double(peakKilobytes(false)) / 1024;
    state.counters["peak_above_start_MB"] = double(peakKilobytes(false) - before) / 1024;
}

} // namespace

void registerBookletBenchmarks()
{
    benchmark::RegisterBenchmark("booklet/pdf_50", booklet50)->Unit(benchmark::kMillisecond);
}

} // namespace cuaderno::bench
