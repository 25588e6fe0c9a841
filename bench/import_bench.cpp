// SPDX-License-Identifier: GPL-3.0-or-later
// One picture imported end to end (decode, both versions, both files written into a library),
// for the three kinds of picture parents bring, and a batch on every core, each picture
// prepared in the limited helper process as the importing programs do; and that helper's
// start. Peak memory is the process's VmHWM, reset before each figure (the helper's own is
// not in it).
//   import_bench [Google Benchmark flags]

#include "drawing.h"
#include "importer.h"
#include "library/library.h"
#include "platform/startup.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <fstream>
#include <string>

#include <sys/resource.h>

using namespace cuaderno;

namespace {

QTemporaryDir* folder = nullptr;

QString path(const QString& name)
{
    return folder->path() + u'/' + name;
}

QByteArray sample(const char* relative)
{
    QFile file(QStringLiteral(CUADERNO_SAMPLES "/") + QString::fromLatin1(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage render(const QByteArray& svg, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer(svg).render(&painter);
    return image;
}

// A printed outline page as a scanner gives it: tinted paper, uneven light, grain.
QImage scanned(const QImage& page)
{
    QImage out(page.size(), QImage::Format_RGB32);
    QRandomGenerator random(1);
    for (int y = 0; y < out.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const double light = 0.8 + 0.2 * double(x) / out.width();
            const int v = int((25 + qGray(in[x]) * 0.88) * light) + random.bounded(-10, 11);
            line[x] =
                qRgb(std::clamp(v, 0, 255), std::clamp(v - 8, 0, 255), std::clamp(v - 30, 0, 255));
        }
    }
    return out;
}

void writeInputs()
{
    const QByteArray train = sample("7/1.svg");
    render(train, QSize(800, 520)).save(path(u"clipart.png"_qs));
    render(sample("3/1.svg"), QSize(4000, 3000)).save(path(u"grande.jpg"_qs), "JPEG", 90);
    render(sample("5/2.svg"), QSize(6000, 4000)).save(path(u"movil.jpg"_qs), "JPEG", 90);
    QString error;
    const QByteArray outlines = samples::uncolouredSvg(sample("4/3.svg"), &error);
    scanned(render(outlines, QSize(1240, 1754))).save(path(u"escaneada.png"_qs));
}

long peakKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// CPU time of the helper processes ended so far: the preparing is theirs, not this thread's.
double helperCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// category 0: prepared only, nothing written (the processing without the disk's share).
void importOne(benchmark::State& state, const QString& name, int category, QSize bounds)
{
    Library library(path(u"biblioteca"_qs));
    resetPeak();
    const double helperStart = helperCpuMs();
    for (auto _ : state) {
        const Outcome<importer::Prepared> prepared =
            importer::prepareApart(path(name), {bounds, {}, 0, nullptr});
        if (!prepared ||
            (category > 0 && !importer::addToLibrary(library, category, prepared.value()))) {
            state.SkipWithError(qPrintable(prepared ? u"no se añadió"_qs : prepared.error()));
            return;
        }
    }
    state.counters["peak_MB"] = double(peakKilobytes()) / 1024.0;
    state.counters["helper_cpu_ms"] =
        (helperCpuMs() - helperStart) /
        double(std::max<benchmark::IterationCount>(1, state.iterations()));
}

// The helper's start and end, around a picture it only has to find missing (its refusal comes
// back like any answer).
void workerStart(benchmark::State& state)
{
    const QString missing = path(u"falta.png"_qs);
    const double helperStart = helperCpuMs();
    for (auto _ : state) {
        const Outcome<importer::Prepared> answer = importer::prepareApart(missing, {});
        if (answer || !answer.error().contains(u"falta.png")) {
            state.SkipWithError("el ayudante no respondió");
            return;
        }
    }
    state.counters["helper_cpu_ms"] = (helperCpuMs() - helperStart) / double(state.iterations());
}

void batch(benchmark::State& state)
{
    const QStringList files(int(state.range(0)), path(u"clipart.png"_qs));
    for (auto _ : state)
        importer::prepareInOrder(files, {}, [](qsizetype, Outcome<importer::Prepared>& prepared) {
            benchmark::DoNotOptimize(prepared);
            return true;
        });
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A folder of phone-sized pictures for a 4K screen, each added as it is ready.
void bigBatch(benchmark::State& state)
{
    const QStringList files(24, path(u"grande.jpg"_qs));
    const importer::PrepareOptions options{QSize(3840, 2160), {}, 0, nullptr};
    double firstMs = 0;
    int category = 5;
    resetPeak();
    for (auto _ : state) {
        Library library(path(u"biblioteca"_qs));
        QElapsedTimer clock;
        clock.start();
        int added = 0;
        importer::prepareInOrder(
            files, options, [&](qsizetype, Outcome<importer::Prepared>& prepared) {
                if (prepared && importer::addToLibrary(library, category, prepared.value()))
                    ++added;
                if (added == 1 && firstMs == 0)
                    firstMs = double(clock.elapsed());
                return true;
            });
        if (added != files.size()) {
            state.SkipWithError("no se añadieron todos");
            return;
        }
        ++category;
    }
    state.counters["first_added_ms"] = firstMs;
    state.counters["peak_MB"] = double(peakKilobytes()) / 1024.0;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    importer::setWorkerProgram(QStringLiteral(CUADERNO_CONVERTIR));
    // As the importing programs set them.
    QImageReader::setAllocationLimit(imageAllocationLimitMb);
    returnLargeBlocksWhenFreed();
    QTemporaryDir dir;
    folder = &dir;
    QDir().mkpath(path(u"biblioteca"_qs));
    writeInputs();
    struct Picture {
        const char* label;
        QString file;
        QSize bounds;
    };
    const Picture pictures[] = {
        {"clipart_png_800x520", u"clipart.png"_qs, importer::defaultBounds},
        {"photo_jpeg_4000x3000", u"grande.jpg"_qs, importer::defaultBounds},
        {"scanned_page_a4_150dpi", u"escaneada.png"_qs, importer::defaultBounds},
        {"jpeg_6000x4000_at_3840x2160", u"movil.jpg"_qs, QSize(3840, 2160)}};
    int category = 0;
    for (const auto& [label, file, bounds] : pictures) {
        ++category;
        for (const bool write : {true, false})
            benchmark::RegisterBenchmark(
                ((write ? "import/" : "prepare/") + std::string(label)).c_str(), importOne, file,
                write ? category : 0, bounds)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    }
    benchmark::RegisterBenchmark("worker_start/missing_file", workerStart)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("import_batch/24_jpeg_4000x3000_at_3840x2160", bigBatch)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("prepare_batch/clipart_png", batch)
        ->Arg(1)
        ->Arg(4)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
