// SPDX-License-Identifier: GPL-3.0-or-later
#include "gifwriter.h"

#include <QHash>
#include <QSaveFile>

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <vector>

namespace cuaderno {
namespace {

constexpr int kPaletteSize = 256;

struct Entry {
    QRgb colour;
    quint64 count;
};

int channel(QRgb c, int axis)
{
    switch (axis) {
    case 0:
        return qRed(c);
    case 1:
        return qGreen(c);
    default:
        return qBlue(c);
    }
}

struct Box {
    std::size_t begin;
    std::size_t end;
    double error; // weighted squared distance of the entries to their mean
    int axis;     // channel with the widest weighted spread
};

Box measure(const std::vector<Entry>& entries, std::size_t begin, std::size_t end)
{
    std::array<double, 3> sum{}, sumSq{};
    double weight = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const double w = double(entries[i].count);
        weight += w;
        for (int a = 0; a < 3; ++a) {
            const double v = channel(entries[i].colour, a);
            sum[a] += w * v;
            sumSq[a] += w * v * v;
        }
    }
    Box box{begin, end, 0.0, 0};
    double widest = -1;
    for (int a = 0; a < 3; ++a) {
        const double spread = sumSq[a] - sum[a] * sum[a] / weight;
        box.error += spread;
        if (spread > widest) {
            widest = spread;
            box.axis = a;
        }
    }
    return box;
}

QRgb average(const std::vector<Entry>& entries, const Box& box)
{
    std::array<double, 3> sum{};
    double weight = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        const double w = double(entries[i].count);
        weight += w;
        for (int a = 0; a < 3; ++a)
            sum[a] += w * channel(entries[i].colour, a);
    }
    return qRgb(int(sum[0] / weight + 0.5), int(sum[1] / weight + 0.5), int(sum[2] / weight + 0.5));
}

// Median cut over the colour histogram, always splitting the box that carries
// the largest error, so big flat regions keep their exact colour.
std::vector<QRgb> medianCut(std::vector<Entry> entries, int wanted)
{
    std::vector<Box> boxes{measure(entries, 0, entries.size())};
    while (int(boxes.size()) < wanted) {
        auto worst = std::max_element(boxes.begin(), boxes.end(),
                                      [](const Box& a, const Box& b) { return a.error < b.error; });
        if (worst->end - worst->begin < 2 || worst->error <= 0)
            break;
        const Box box = *worst;
        std::stable_sort(entries.begin() + std::ptrdiff_t(box.begin),
                         entries.begin() + std::ptrdiff_t(box.end),
                         [axis = box.axis](const Entry& a, const Entry& b) {
                             return channel(a.colour, axis) < channel(b.colour, axis);
                         });
        quint64 total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i)
            total += entries[i].count;
        quint64 running = 0;
        std::size_t cut = box.begin;
        while (cut < box.end - 1 && running + entries[cut].count <= total / 2)
            running += entries[cut++].count;
        if (cut == box.begin)
            cut = box.begin + 1;
        *worst = measure(entries, box.begin, cut);
        boxes.push_back(measure(entries, cut, box.end));
    }
    std::vector<QRgb> palette;
    palette.reserve(boxes.size());
    for (const Box& box : boxes)
        palette.push_back(average(entries, box));
    return palette;
}

int distance(QRgb a, QRgb b)
{
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return 2 * dr * dr + 4 * dg * dg + 3 * db * db;
}

struct Indexed {
    std::vector<QRgb> palette;
    int transparent = -1;
    std::vector<std::vector<GifPixelType>> frames;
};

bool halfTransparent(QRgb c)
{
    return qAlpha(c) < 128;
}

// Every frame's opaque colours counted, black and white left out (they are always in the
// palette); the frames are kept in the one format the counting and indexing read.
struct ColourCount {
    QList<QImage> plain;
    std::map<QRgb, quint64> histogram;
    bool anyTransparent = false;
};

ColourCount countColours(const QList<QImage>& frames)
{
    ColourCount count;
    for (const QImage& frame : frames) {
        count.plain.append(frame.convertToFormat(QImage::Format_ARGB32));
        const QImage& image = count.plain.constLast();
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (halfTransparent(line[x]))
                    count.anyTransparent = true;
                else
                    ++count.histogram[line[x] | 0xff000000u];
            }
        }
    }
    count.histogram.erase(qRgb(0, 0, 0));
    count.histogram.erase(qRgb(255, 255, 255));
    return count;
}

// Black and white first, then every other colour or, when they do not fit, a median cut of
// them; the transparent entry, when there is one, last.
void choosePalette(const ColourCount& count, Indexed& out)
{
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    const int room = kPaletteSize - (count.anyTransparent ? 1 : 0);
    out.palette = {black, white};
    if (int(count.histogram.size()) <= room - 2) {
        for (const auto& [colour, pixels] : count.histogram)
            out.palette.push_back(colour);
    } else {
        std::vector<Entry> entries;
        entries.reserve(count.histogram.size());
        for (const auto& [colour, pixels] : count.histogram)
            entries.push_back({colour, pixels});
        const auto cut = medianCut(std::move(entries), room - 2);
        out.palette.insert(out.palette.end(), cut.begin(), cut.end());
    }
    if (count.anyTransparent) {
        out.transparent = int(out.palette.size());
        out.palette.push_back(white);
    }
}

// Each pixel's palette index: the transparent entry, else the nearest opaque colour (each
// colour searched for once, remembered in `nearest` across frames).
std::vector<GifPixelType> indexFrame(const QImage& image, const Indexed& out,
                                     QHash<QRgb, GifPixelType>& nearest)
{
    const int opaqueCount = int(out.palette.size()) - (out.transparent >= 0 ? 1 : 0);
    std::vector<GifPixelType> pixels;
    pixels.reserve(std::size_t(image.width()) * std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (halfTransparent(line[x])) {
                pixels.push_back(GifPixelType(out.transparent));
                continue;
            }
            const QRgb colour = line[x] | 0xff000000u;
            auto found = nearest.constFind(colour);
            if (found == nearest.constEnd()) {
                int best = 0;
                for (int i = 1; i < opaqueCount; ++i) {
                    if (distance(colour, out.palette[std::size_t(i)]) <
                        distance(colour, out.palette[std::size_t(best)]))
                        best = i;
                }
                found = nearest.insert(colour, GifPixelType(best));
            }
            pixels.push_back(*found);
        }
    }
    return pixels;
}

Indexed quantize(const QList<QImage>& frames)
{
    const ColourCount count = countColours(frames);
    Indexed out;
    choosePalette(count, out);
    QHash<QRgb, GifPixelType> nearest;
    for (const QImage& image : count.plain)
        out.frames.push_back(indexFrame(image, out, nearest));
    return out;
}

int writeToDevice(GifFileType* gif, const GifByteType* data, int length)
{
    auto* file = static_cast<QIODevice*>(gif->UserData);
    return int(file->write(reinterpret_cast<const char*>(data), length));
}

QString gifError(int code)
{
    // giflib's own text is English: the code is enough to look it up.
    return QStringLiteral("giflib no ha podido escribir el GIF (error %1)").arg(code);
}

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// All frames one size that GIF can hold; else the reason, in Spanish.
QString framesProblem(const QList<QImage>& frames)
{
    const QSize size = frames.isEmpty() ? QSize() : frames.first().size();
    if (size.isEmpty() || size.width() > 0xffff || size.height() > 0xffff) {
        return QStringLiteral("tamaño de imagen no válido para GIF");
    }
    for (const QImage& frame : frames) {
        if (frame.size() != size) {
            return QStringLiteral("los fotogramas no tienen todos el mismo tamaño");
        }
    }
    return {};
}

// The global colour map, padded with black to the power of two GIF needs.
std::unique_ptr<ColorMapObject, MapDeleter> colourMap(const std::vector<QRgb>& palette)
{
    int paletteSize = 2;
    while (paletteSize < int(palette.size()))
        paletteSize *= 2;
    std::vector<GifColorType> colours(std::size_t(paletteSize), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.size(); ++i) {
        colours[i] = GifColorType{GifByteType(qRed(palette[i])), GifByteType(qGreen(palette[i])),
                                  GifByteType(qBlue(palette[i]))};
    }
    return std::unique_ptr<ColorMapObject, MapDeleter>(
        GifMakeMapObject(paletteSize, colours.data()));
}

// NETSCAPE2.0 application block: repeat for ever.
bool putLoopForEver(GifFileType* gif)
{
    static const GifByteType id[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType repeat[] = {1, 0, 0};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, sizeof id, id) == GIF_OK &&
           EGifPutExtensionBlock(gif, sizeof repeat, repeat) == GIF_OK &&
           EGifPutExtensionTrailer(gif) == GIF_OK;
}

// One frame: its control block when it loops or has a transparent colour, then its pixels.
bool putFrame(GifFileType* gif, const Indexed& indexed, std::size_t frame, QSize size, bool loop,
              int delay)
{
    bool ok = true;
    if (loop || indexed.transparent >= 0) {
        GraphicsControlBlock control{};
        control.DisposalMode = loop ? DISPOSE_DO_NOT : DISPOSAL_UNSPECIFIED;
        control.UserInputFlag = false;
        control.DelayTime = loop ? delay : 0;
        control.TransparentColor =
            indexed.transparent >= 0 ? indexed.transparent : NO_TRANSPARENT_COLOR;
        GifByteType block[4];
        const auto length = EGifGCBToExtension(&control, block);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), block) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, size.width(), size.height(), false, nullptr) == GIF_OK;
    auto* row = const_cast<GifPixelType*>(indexed.frames[frame].data());
    for (int y = 0; ok && y < size.height(); ++y, row += size.width())
        ok = EGifPutLine(gif, row, size.width()) == GIF_OK;
    return ok;
}

// The screen, the loop and every frame; false at the first step giflib refuses.
bool putImage(GifFileType* gif, const Indexed& indexed, const ColorMapObject* map, QSize size,
              bool loop, int delay)
{
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, size.width(), size.height(), 8, 0, map) == GIF_OK;
    if (ok && loop)
        ok = putLoopForEver(gif);
    for (std::size_t f = 0; ok && f < indexed.frames.size(); ++f)
        ok = putFrame(gif, indexed, f, size, loop, delay);
    return ok;
}

bool encode(QIODevice& file, const QList<QImage>& frames, bool loop, int delay, QString* error)
{
    if (const QString problem = framesProblem(frames); !problem.isEmpty()) {
        *error = problem;
        return false;
    }
    const Indexed indexed = quantize(frames);
    const std::unique_ptr<ColorMapObject, MapDeleter> map = colourMap(indexed.palette);
    if (!map) {
        *error = QStringLiteral("no se puede preparar la paleta del GIF");
        return false;
    }
    int code = 0;
    GifFileType* gif = EGifOpen(&file, writeToDevice, &code);
    if (!gif) {
        *error = gifError(code);
        return false;
    }
    bool ok = putImage(gif, indexed, map.get(), frames.first().size(), loop, delay);
    if (!ok)
        code = gif->Error;
    int closeCode = 0;
    if (EGifCloseFile(gif, &closeCode) != GIF_OK && ok) {
        ok = false;
        code = closeCode;
    }
    if (!ok) {
        *error = gifError(code);
        return false;
    }
    return true;
}

bool encodeToFile(const QString& path, const QList<QImage>& frames, bool loop, int delay,
                  QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("no se puede escribir el archivo «%1»").arg(path);
        return false;
    }
    if (!encode(file, frames, loop, delay, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("no se puede escribir el archivo «%1»").arg(path);
        return false;
    }
    return true;
}

} // namespace

bool writeGif(const QString& path, const QImage& image, QString* error)
{
    return encodeToFile(path, {image}, false, 0, error);
}

bool writeGif(QIODevice& device, const QImage& image, QString* error)
{
    return encode(device, {image}, false, 0, error);
}

bool writeAnimatedGif(const QString& path, const QList<QImage>& frames, int delayCentiseconds,
                      QString* error)
{
    return encodeToFile(path, frames, true, delayCentiseconds, error);
}

} // namespace cuaderno
