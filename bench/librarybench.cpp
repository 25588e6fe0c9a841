// SPDX-License-Identifier: GPL-3.0-or-later
#include "librarybench.h"

#include "gifwriter/gifwriter.h"
#include "library/checker.h"
#include "library/library.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <cstdio>
#include <memory>

namespace cuaderno::bench {

namespace {

constexpr int drawingsPerCategory = 1000;

struct LibraryTrees {
    QTemporaryDir dir;
    QString check;  // 10 categories of 1,000 drawings plus the rest of a book
    QString remove; // one category of 1,000
    QString renames;
    QStringList pictures; // every drawing file of `check`
};

std::unique_ptr<LibraryTrees> trees;

QImage plainPicture()
{
    QImage picture(120, 90, QImage::Format_RGB32);
    picture.fill(Qt::white);
    return picture;
}

QByteArray gifBytes(const QImage& picture)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    writeGif(buffer, picture, &error);
    return buffer.data();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Drawing files by bytes (same pictures everywhere): the tools never decode them whole.
bool writeCategory(const QString& root, int category, const QByteArray& gif, QStringList* written)
{
    const QString base = root + QStringLiteral("/dibujos/") + QString::number(category);
    for (const QString& folder :
         {QStringLiteral("/si coloreado/"), QStringLiteral("/no coloreado/")}) {
        if (!QDir().mkpath(base + folder)) {
            return false;
        }
        for (int n = 1; n <= drawingsPerCategory; ++n) {
            const QString path = base + folder + QString::number(n) + QStringLiteral(".GIF");
            if (!writeFile(path, gif)) {
                return false;
            }
            if (written) {
                written->append(path);
            }
        }
    }
    return true;
}

bool ready(benchmark::State& state)
{
    if (trees) {
        return true;
    }
    auto made = std::make_unique<LibraryTrees>();
    made->check = made->dir.filePath(QStringLiteral("check"));
    made->remove = made->dir.filePath(QStringLiteral("remove"));
    made->renames = made->dir.filePath(QStringLiteral("renames"));
    const QByteArray gif = gifBytes(plainPicture());
    bool ok = QDir().mkpath(made->renames);
    for (int category = 1; ok && category <= 10; ++category) {
        ok = writeCategory(made->check, category, gif, &made->pictures);
    }
    ok = ok && writeCategory(made->remove, 1, gif, nullptr);
    for (const char* extra : {"medida/1.gif", "animados/1.gif", "fondo.gif"}) {
        const QString path = made->check + u'/' + QLatin1StringView(extra);
        ok = ok && QDir().mkpath(QFileInfo(path).path()) && writeFile(path, gif);
    }
    for (int n = 0; ok && n < 2 * (drawingsPerCategory - 1); ++n) {
        ok = writeFile(made->renames + u'/' + QString::number(n) + QStringLiteral(".GIF"), gif);
    }
    if (!ok) {
        state.SkipWithError("cannot write the library trees");
        return false;
    }
    trees = std::move(made);
    return true;
}

void check(benchmark::State& state)
{
    if (!ready(state)) {
        return;
    }
    qsizetype findings = 0;
    for (auto _ : state) {
        findings = checkLibrary(trees->check).size();
        benchmark::DoNotOptimize(findings);
    }
    // Pointers and sounds are left out of the tree: exactly those three findings.
    if (findings != 3) {
        state.SkipWithError("the checker did not find what the tree holds");
    }
}

void headerFloor(benchmark::State& state)
{
    if (!ready(state)) {
        return;
    }
    int read = 0;
    for (auto _ : state) {
        read = 0;
        for (const QString& path : std::as_const(trees->pictures)) {
            read += QImageReader(path).size().isValid() ? 1 : 0;
        }
        benchmark::DoNotOptimize(read);
    }
    if (read != trees->pictures.size()) {
        state.SkipWithError("cannot read the headers");
    }
}

ino_t inode(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

void removeFirst(benchmark::State& state)
{
    if (!ready(state)) {
        return;
    }
    Library library(trees->remove);
    const QImage picture = plainPicture();
    const QString second = trees->remove + QStringLiteral("/dibujos/1/si coloreado/2.GIF");
    const QString first = trees->remove + QStringLiteral("/dibujos/1/si coloreado/1.GIF");
    for (auto _ : state) {
        const ino_t moving = inode(second);
        if (!library.removeDrawing(1, 1)) {
            state.SkipWithError("cannot remove drawing 1");
            break;
        }
        state.PauseTiming();
        // Renamed, not copied: drawing 2's file is now drawing 1's.
        if (inode(first) != moving) {
            state.SkipWithError("the drawings were copied, not renamed");
            break;
        }
        library.addDrawing(1, picture, ColouredFormat::Gif, picture);
        state.ResumeTiming();
    }
    if (library.lastDrawingNumber(1) != drawingsPerCategory) {
        state.SkipWithError("the category lost drawings");
    }
}

void renameFloor(benchmark::State& state)
{
    if (!ready(state)) {
        return;
    }
    const int count = 2 * (drawingsPerCategory - 1);
    std::vector<QByteArray> names[2];
    for (int n = 0; n < count; ++n) {
        const QString base = trees->renames + u'/' + QString::number(n);
        names[0].push_back(QFile::encodeName(base + QStringLiteral(".GIF")));
        names[1].push_back(QFile::encodeName(base + QStringLiteral(".gif")));
    }
    int side = 0;
    for (auto _ : state) {
        for (int n = 0; n < count; ++n) {
            std::rename(names[side][std::size_t(n)].constData(),
                        names[1 - side][std::size_t(n)].constData());
        }
        side = 1 - side;
    }
}

} // namespace

void registerLibraryBenchmarks()
{
    using benchmark::kMillisecond;
    benchmark::RegisterBenchmark("library/check", check)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("floor/header/20000", headerFloor)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("library/remove_first", removeFirst)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("floor/rename/1998", renameFloor)->Unit(kMillisecond);
}

} // namespace cuaderno::bench
