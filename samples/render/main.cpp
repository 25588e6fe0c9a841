// Builds the application folder's data tree from the text sources under samples/:
//   cuaderno_render_samples <samples-dir> <output-dir>

#include "drawing.h"
#include "extras.h"
#include "gifwriter/gifwriter.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMap>
#include <QSaveFile>
#include <QSet>

#include <cstdio>
#include <exception>

using namespace cuaderno;
using namespace cuaderno::samples;

namespace {

struct Failure {
    QString what;
};

[[noreturn]] void fail(const QString& where, const QString& why)
{
    throw Failure{where + u": " + why};
}

void say(const QString& text)
{
    std::fprintf(stderr, "cuaderno_render_samples: %s\n", qPrintable(text));
}

// Files or folders named 1, 2, 3 ... (with the given suffix, if any), in order.
// A gap means the program would stop reading at it, so it is an error here.
QStringList numberedSeries(const QString& folder, const QString& suffix, bool folders)
{
    const QDir dir(folder);
    if (!dir.exists())
        fail(folder, QStringLiteral("no existe"));
    QMap<int, QString> found;
    const auto filter = folders ? QDir::Dirs | QDir::NoDotAndDotDot : QDir::Files;
    for (const QFileInfo& info : dir.entryInfoList(filter, QDir::Name)) {
        if (!folders && info.suffix().compare(suffix, Qt::CaseInsensitive) != 0)
            continue;
        bool ok = false;
        const int n = (folders ? info.fileName() : info.completeBaseName()).toInt(&ok);
        if (!ok || n < 1 || n > 9999) {
            say(info.filePath() + u": se ignora, el nombre no es un número");
            continue;
        }
        if (found.contains(n))
            fail(info.filePath(), QStringLiteral("número repetido"));
        found.insert(n, info.filePath());
    }
    QStringList series;
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        if (it.key() != series.size() + 1)
            fail(folder, QStringLiteral("falta el número %1").arg(series.size() + 1));
        series.append(it.value());
    }
    if (series.isEmpty())
        fail(folder, QStringLiteral("está vacío"));
    return series;
}

QString makeFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        fail(path, QStringLiteral("no se puede crear la carpeta"));
    return path;
}

// Numbered pictures left over from an earlier run (a drawing removed, or one
// that changed between JPG and GIF) would confuse the program, so they go.
void removeStale(const QString& folder, const QSet<QString>& written)
{
    const QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files)) {
        bool numbered = false;
        info.completeBaseName().toInt(&numbered);
        const QString suffix = info.suffix().toLower();
        const bool ours =
            suffix == u"gif" || suffix == u"jpg" || suffix == u"jpeg" || suffix == u"ico";
        if (numbered && ours && !written.contains(info.fileName()))
            QFile::remove(info.filePath());
    }
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        fail(path, file.errorString());
}

int renderDrawings(const QString& samples, const QString& out)
{
    int total = 0;
    const QStringList categories =
        numberedSeries(samples + u"/drawings", QString(), /*folders=*/true);
    for (qsizetype c = 0; c < categories.size(); ++c) {
        const QString base = out + u"/dibujos/" + QString::number(c + 1);
        const QString coloured = makeFolder(base + u"/si coloreado");
        const QString uncoloured = makeFolder(base + u"/no coloreado");
        QSet<QString> colouredNames, uncolouredNames;
        const QStringList sources = numberedSeries(categories[c], QStringLiteral("svg"), false);
        for (qsizetype i = 0; i < sources.size(); ++i) {
            const int n = int(i) + 1;
            // Every drawing numbered 2, 5, 8 ... is stored as GIF, the rest as
            // JPEG, so the program meets both kinds in every category.
            const QString name =
                QString::number(n) + (n % 3 == 2 ? QStringLiteral(".GIF") : QStringLiteral(".JPG"));
            const QString plain = QString::number(n) + u".GIF";
            QString error;
            if (!renderDrawing(sources[i], coloured + u'/' + name, uncoloured + u'/' + plain,
                               &error))
                fail(sources[i], error);
            colouredNames.insert(name);
            uncolouredNames.insert(plain);
            ++total;
        }
        removeStale(coloured, colouredNames);
        removeStale(uncoloured, uncolouredNames);
    }
    return total;
}

void renderExtras(const QString& samples, const QString& out)
{
    QString error;
    const QString animated = makeFolder(out + u"/animados");
    QSet<QString> names;
    for (int i = 0; i < animationCount(); ++i) {
        const QString name = QString::number(i + 1) + u".gif";
        if (!writeAnimatedGif(animated + u'/' + name, animationFrames(i), kAnimationDelay, &error))
            fail(animated + u'/' + name, error);
        names.insert(name);
    }
    removeStale(animated, names);

    const QString brushes = makeFolder(out + u"/medida");
    names.clear();
    const QList<int> sides = brushSides();
    for (qsizetype i = 0; i < sides.size(); ++i) {
        const QString name = QString::number(i + 1) + u".gif";
        if (!writeGif(brushes + u'/' + name, brushPicture(sides[i]), &error))
            fail(brushes + u'/' + name, error);
        names.insert(name);
    }
    removeStale(brushes, names);

    const QString pointers = makeFolder(out + u"/punteros");
    names.clear();
    const QStringList pointerSources =
        numberedSeries(samples + u"/pointers", QStringLiteral("svg"), false);
    for (qsizetype i = 0; i < pointerSources.size(); ++i) {
        QFile source(pointerSources[i]);
        if (!source.open(QIODevice::ReadOnly) || source.size() > kMaxSvgBytes)
            fail(pointerSources[i], QStringLiteral("no se puede leer"));
        const QImage image = renderSvgTransparent(source.readAll(), QSize(32, 32), &error);
        if (image.isNull())
            fail(pointerSources[i], error);
        const QString name = QString::number(i + 1) + u".ico";
        QImageWriter writer(pointers + u'/' + name, "ico");
        if (!writer.write(image))
            fail(pointers + u'/' + name, writer.errorString());
        names.insert(name);
    }
    removeStale(pointers, names);

    if (!writeGif(out + u"/fondo.gif", backgroundTile(), &error))
        fail(out + u"/fondo.gif", error);
    writeBytes(out + u"/sonido1.wav", pageForwardSound());
    writeBytes(out + u"/sonido2.wav", pageBackSound());
    // Printing starts switched off; a parent turns it on by writing SI.
    writeBytes(out + u"/impresora.txt", QByteArrayLiteral("NO\n"));
}

} // namespace

int main(int argc, char** argv)
{
    // Runs during the build, where there may be no display at all.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "uso: cuaderno_render_samples <carpeta-samples> <carpeta-salida>\n");
        return 2;
    }
    try {
        const QString samples = QDir(args[1]).absolutePath();
        const QString out = makeFolder(QDir(args[2]).absolutePath());
        const int drawings = renderDrawings(samples, out);
        renderExtras(samples, out);
        std::printf("cuaderno_render_samples: %d dibujos escritos en %s\n", drawings,
                    qPrintable(QDir::toNativeSeparators(out)));
        return 0;
    } catch (const Failure& failure) {
        say(failure.what);
    } catch (const std::exception& e) {
        say(QString::fromLocal8Bit(e.what()));
    }
    return 1;
}
