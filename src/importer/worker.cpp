// SPDX-License-Identifier: GPL-3.0-or-later
#include "worker.h"

#include "library/library.h"
#include "platform/limitedprocess.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <mutex>

namespace cuaderno::importer {
namespace {

constexpr quint32 answerMark = 0x43764e31;
constexpr quint32 maxSide = 16384;
constexpr quint32 maxTextBytes = 64 * 1024;
constexpr quint32 maxWarnings = 64;

// Both versions at the largest canvas, and room for the texts.
constexpr qint64 maxAnswerBytes =
    qint64(2 * 4 * maxDrawingPixels) + Library::largestOutlineBytes + 4 * 1024 * 1024;

std::mutex programMutex;
QString givenProgram;

QString workerProgram()
{
    {
        const std::lock_guard lock(programMutex);
        if (!givenProgram.isEmpty())
            return givenProgram;
    }
    // Beside the program in the build folder; in libexec/cuaderno beside bin once installed.
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {QString(folder + u'/'), QString(folder + QStringLiteral("/../libexec/cuaderno/"))}) {
        const QFileInfo program(candidate + QLatin1StringView(workerName));
        if (program.isFile() && program.isExecutable())
            return program.absoluteFilePath();
    }
    return {};
}

void writeText(QDataStream& out, const QString& text)
{
    const QByteArray bytes = text.toUtf8().left(maxTextBytes);
    out << quint32(bytes.size());
    out.writeRawData(bytes.constData(), int(bytes.size()));
}

// Lengths are checked against what is left before anything is allocated.
bool readText(QDataStream& in, QString& text)
{
    quint32 size = 0;
    in >> size;
    if (in.status() != QDataStream::Ok || size > maxTextBytes ||
        size > in.device()->bytesAvailable())
        return false;
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (in.readRawData(bytes.data(), int(size)) != int(size))
        return false;
    text = QString::fromUtf8(bytes);
    return true;
}

// The outline for paper: bytes of at most the library's bound, and a suffix it knows.
void writeOutline(QDataStream& out, const QByteArray& outline, const QString& suffix)
{
    const bool kept = outline.size() <= Library::largestOutlineBytes;
    out << quint32(kept ? outline.size() : 0);
    if (kept)
        out.writeRawData(outline.constData(), int(outline.size()));
    writeText(out, kept ? suffix : QString());
}

bool readOutline(QDataStream& in, QByteArray& outline, QString& suffix)
{
    quint32 size = 0;
    in >> size;
    if (in.status() != QDataStream::Ok || size > Library::largestOutlineBytes ||
        size > in.device()->bytesAvailable())
        return false;
    outline.resize(qsizetype(size));
    if (in.readRawData(outline.data(), int(size)) != int(size) || !readText(in, suffix))
        return false;
    return suffix.isEmpty() ? outline.isEmpty() : suffix == u"svg" || suffix == u"png";
}

void writeImage(QDataStream& out, const QImage& given)
{
    const QImage image = given.convertToFormat(QImage::Format_RGB32);
    out << quint32(image.width()) << quint32(image.height());
    // RGB32 lines are whole 32-bit words: no padding, the pixels go out in one piece.
    out.writeRawData(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes()));
}

QImage readImage(QDataStream& in)
{
    quint32 width = 0, height = 0;
    in >> width >> height;
    const double pixels = double(width) * height;
    if (in.status() != QDataStream::Ok || width == 0 || height == 0 || width > maxSide ||
        height > maxSide || pixels > maxDrawingPixels * 1.01 ||
        pixels * 4 > double(in.device()->bytesAvailable()))
        return {};
    QImage image(int(width), int(height), QImage::Format_RGB32);
    const int bytes = int(width * height * 4);
    if (image.sizeInBytes() != bytes ||
        in.readRawData(reinterpret_cast<char*>(image.bits()), bytes) != bytes)
        return {};
    return image;
}

QString tooComplex(const QString& file)
{
    return QStringLiteral("«%1» es demasiado grande o complejo para convertirlo (o está "
                          "dañado); no se ha añadido.")
        .arg(QFileInfo(file).fileName());
}

} // namespace

void setWorkerProgram(const QString& path)
{
    const std::lock_guard lock(programMutex);
    givenProgram = path;
}

QStringList workerArguments(const QString& file, const PrepareOptions& options)
{
    return {QString::number(options.bounds.width()), QString::number(options.bounds.height()),
            QString::number(int(options.kind)), QString::number(options.detail), file};
}

std::optional<PrepareOptions> workerOptions(const QStringList& arguments)
{
    if (arguments.size() != 5)
        return std::nullopt;
    bool ok[4] = {};
    PrepareOptions options;
    options.bounds = QSize(arguments[0].toInt(&ok[0]), arguments[1].toInt(&ok[1]));
    const int kind = arguments[2].toInt(&ok[2]);
    options.detail = arguments[3].toInt(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || options.bounds.isEmpty() ||
        options.bounds.width() > int(maxSide) || options.bounds.height() > int(maxSide) ||
        kind < 0 || kind > int(ForcedKind::Outlines) || options.detail < -2 || options.detail > 2)
        return std::nullopt;
    options.kind = ForcedKind(kind);
    return options;
}

void writeAnswer(QDataStream& out, const Outcome<Prepared>& result)
{
    out << answerMark << result.ok();
    if (!result) {
        writeText(out, result.error());
        return;
    }
    const Prepared& prepared = result.value();
    writeImage(out, prepared.page.coloured);
    writeImage(out, prepared.page.uncoloured);
    out << quint8(prepared.classification.kind) << prepared.classification.photo
        << prepared.gifColoured
        << quint32(std::min<qsizetype>(prepared.warnings.size(), maxWarnings));
    for (const QString& warning : prepared.warnings.mid(0, maxWarnings))
        writeText(out, warning);
    writeOutline(out, prepared.outline, prepared.outlineSuffix);
}

std::optional<Outcome<Prepared>> readAnswer(QDataStream& in)
{
    quint32 mark = 0;
    bool ok = false;
    in >> mark >> ok;
    if (in.status() != QDataStream::Ok || mark != answerMark)
        return std::nullopt;
    if (!ok) {
        QString error;
        return readText(in, error) && !error.isEmpty()
                   ? std::optional<Outcome<Prepared>>(Failure{error})
                   : std::nullopt;
    }
    Prepared prepared;
    prepared.page.coloured = readImage(in);
    prepared.page.uncoloured = readImage(in);
    quint8 kind = 0;
    quint32 warnings = 0;
    in >> kind >> prepared.classification.photo >> prepared.gifColoured >> warnings;
    if (prepared.page.isNull() ||
        prepared.page.coloured.size() != prepared.page.uncoloured.size() ||
        in.status() != QDataStream::Ok || kind > quint8(lineart::Kind::Outlines) ||
        warnings > maxWarnings)
        return std::nullopt;
    prepared.classification.kind = lineart::Kind(kind);
    for (quint32 index = 0; index < warnings; ++index) {
        if (!readText(in, prepared.warnings.emplace_back()))
            return std::nullopt;
    }
    if (!readOutline(in, prepared.outline, prepared.outlineSuffix) || !in.atEnd())
        return std::nullopt;
    return Outcome<Prepared>(std::move(prepared));
}

Outcome<Prepared> prepareApart(const QString& file, const PrepareOptions& options,
                               const std::atomic_bool* stop)
{
    const QString program = workerProgram();
    if (program.isEmpty())
        return Failure{QStringLiteral("No se encuentra el programa «%1», que convierte las "
                                      "imágenes: vuelva a instalar el cuaderno.")
                           .arg(QLatin1StringView(workerName))};
    const LimitedRun run = runLimited(program, workerArguments(file, options), processLimits(),
                                      maxAnswerBytes, options.cancel, stop);
    if (run.end == LimitedRun::End::NotRun)
        return Failure{QStringLiteral("No se puede ejecutar «%1»: vuelva a instalar el cuaderno.")
                           .arg(QLatin1StringView(workerName))};
    if (run.end == LimitedRun::End::Stopped)
        return Failure{
            QStringLiteral("Se canceló la importación de «%1».").arg(QFileInfo(file).fileName())};
    if (run.end == LimitedRun::End::Answered) {
        QDataStream in(run.answer);
        if (std::optional<Outcome<Prepared>> answer = readAnswer(in))
            return *std::move(answer);
    }
    return Failure{tooComplex(file)};
}

} // namespace cuaderno::importer
