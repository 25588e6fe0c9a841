// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the application folder's data tree from the text sources under samples/:
//   cuaderno_render_samples <samples-dir> <output-dir>

#include "drawing.h"
#include "extras.h"
#include "gifwriter/gifwriter.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMap>
#include <QSaveFile>
#include <QSet>

#include <cstdio>
#include <exception>
#include <functional>

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

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        fail(path, file.errorString());
}

// Everything the renderer writes goes through here. It keeps a manifest of the files it
// wrote in the output folder and never overwrites or deletes any other file: a drawing or a
// switch a parent added to a hand-built book survives every rebuild.
class Output {
public:
    explicit Output(QString root) : root_(std::move(root))
    {
        QFile manifest(manifestPath());
        if (manifest.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : manifest.readAll().split('\n')) {
                if (!line.isEmpty())
                    before_.insert(QString::fromUtf8(line));
            }
        }
    }

    const QString& root() const { return root_; }

    // Writes the files `relatives` together through `produce`, which gets one hidden temporary
    // path per file in the same folder. Where one of them, or one of `blockers`, is a file this
    // tool did not write, none is placed (unless it already holds exactly these bytes).
    void write(const QStringList& relatives, const std::function<void(const QStringList&)>& produce,
               const QStringList& blockers = {})
    {
        QStringList temps;
        for (const QString& relative : relatives) {
            const QFileInfo target(root_ + u'/' + relative);
            makeFolder(target.path());
            temps.append(target.path() + u"/.render-" + target.fileName());
        }
        produce(temps);
        bool placeable = true;
        for (const QString& blocker : blockers)
            placeable = placeable && !isForeign(blocker);
        for (qsizetype i = 0; i < relatives.size() && placeable; ++i)
            placeable = !isForeign(relatives[i]) || sameBytes(temps[i], relatives[i]);
        for (qsizetype i = 0; i < relatives.size(); ++i) {
            const QString target = root_ + u'/' + relatives[i];
            if (!placeable) {
                QFile::remove(temps[i]);
                continue;
            }
            if (std::rename(QFile::encodeName(temps[i]).constData(),
                            QFile::encodeName(target).constData()) != 0)
                fail(target, QStringLiteral("no se puede escribir"));
            written_.insert(relatives[i]);
        }
        if (!placeable)
            say(relatives.join(u", ") +
                u": se conserva lo que hay, no lo escribió esta herramienta");
    }

    // A file written once only, when there is none: the printing switch is the parent's.
    void writeOnce(const QString& relative, const QByteArray& bytes)
    {
        if (!QFileInfo::exists(root_ + u'/' + relative))
            writeBytes(root_ + u'/' + relative, bytes);
    }

    // Deletes what an earlier run wrote and this one did not, then records this run.
    void finish()
    {
        for (const QString& relative : std::as_const(before_)) {
            if (!written_.contains(relative))
                QFile::remove(root_ + u'/' + relative);
        }
        QStringList names(written_.cbegin(), written_.cend());
        names.sort();
        writeBytes(manifestPath(), (names.join(u'\n') + u'\n').toUtf8());
    }

private:
    QString manifestPath() const { return root_ + u"/.cuaderno_render_samples.manifest"; }

    bool isForeign(const QString& relative) const
    {
        return !before_.contains(relative) && QFileInfo::exists(root_ + u'/' + relative);
    }

    bool sameBytes(const QString& temp, const QString& relative) const
    {
        QFile a(temp);
        QFile b(root_ + u'/' + relative);
        return a.size() == b.size() && a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) &&
               a.readAll() == b.readAll();
    }

    QString root_;
    QSet<QString> before_;
    QSet<QString> written_;
};

int renderDrawings(const QString& samples, Output& out)
{
    int total = 0;
    const QStringList categories =
        numberedSeries(samples + u"/drawings", QString(), /*folders=*/true);
    for (qsizetype c = 0; c < categories.size(); ++c) {
        const QString base = u"dibujos/" + QString::number(c + 1);
        const QStringList sources = numberedSeries(categories[c], QStringLiteral("svg"), false);
        for (qsizetype i = 0; i < sources.size(); ++i) {
            const int n = int(i) + 1;
            // Every drawing numbered 2, 5, 8 ... is stored as GIF, the rest as
            // JPEG, so the program meets both kinds in every category.
            const bool gif = n % 3 == 2;
            const QString number = QString::number(n);
            const QString coloured = base + u"/si coloreado/" + number + (gif ? u".GIF" : u".JPG");
            const QString other = base + u"/si coloreado/" + number + (gif ? u".JPG" : u".GIF");
            const QString uncoloured = base + u"/no coloreado/" + number + u".GIF";
            const QString outline = base + u"/contornos/" + number + u".svg";
            out.write({coloured, uncoloured, outline},
                      [&](const QStringList& paths) {
                          QString error;
                          if (!renderDrawing(sources[i], paths[0], paths[1], &error, paths[2]))
                              fail(sources[i], error);
                      },
                      {other});
            ++total;
        }
    }
    return total;
}

void writeGifFile(Output& out, const QString& relative, const QImage& image)
{
    out.write({relative}, [&](const QStringList& paths) {
        QString error;
        if (!writeGif(paths[0], image, &error))
            fail(relative, error);
    });
}

void renderExtras(const QString& samples, Output& out)
{
    for (int i = 0; i < animationCount(); ++i) {
        const QString name = u"animados/" + QString::number(i + 1) + u".gif";
        out.write({name}, [&](const QStringList& paths) {
            QString error;
            if (!writeAnimatedGif(paths[0], animationFrames(i), kAnimationDelay, &error))
                fail(name, error);
        });
    }

    const QList<int> sides = brushSides();
    for (qsizetype i = 0; i < sides.size(); ++i)
        writeGifFile(out, u"medida/" + QString::number(i + 1) + u".gif", brushPicture(sides[i]));

    const QStringList pointerSources =
        numberedSeries(samples + u"/pointers", QStringLiteral("svg"), false);
    for (qsizetype i = 0; i < pointerSources.size(); ++i) {
        QFile source(pointerSources[i]);
        if (!source.open(QIODevice::ReadOnly) || source.size() > kMaxSvgBytes)
            fail(pointerSources[i], QStringLiteral("no se puede leer"));
        QString error;
        const QImage image = renderSvgTransparent(source.readAll(), QSize(32, 32), &error);
        if (image.isNull())
            fail(pointerSources[i], error);
        const QString name = u"punteros/" + QString::number(i + 1) + u".ico";
        out.write({name}, [&](const QStringList& paths) {
            QImageWriter writer(paths[0], "ico");
            if (!writer.write(image))
                fail(name, writer.errorString());
        });
    }

    writeGifFile(out, QStringLiteral("fondo.gif"), backgroundTile());
    out.write({QStringLiteral("sonido1.wav")},
              [](const QStringList& paths) { writeBytes(paths[0], pageForwardSound()); });
    out.write({QStringLiteral("sonido2.wav")},
              [](const QStringList& paths) { writeBytes(paths[0], pageBackSound()); });
    // Printing starts switched off; a parent turns it on by writing SI.
    out.writeOnce(QStringLiteral("impresora.txt"), QByteArrayLiteral("NO\n"));
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
        Output out(makeFolder(QDir(args[2]).absolutePath()));
        const int drawings = renderDrawings(samples, out);
        renderExtras(samples, out);
        out.finish();
        std::printf("cuaderno_render_samples: %d dibujos escritos en %s\n", drawings,
                    qPrintable(QDir::toNativeSeparators(out.root())));
        return 0;
    } catch (const Failure& failure) {
        say(failure.what);
    } catch (const std::exception& e) {
        say(QString::fromLocal8Bit(e.what()));
    }
    return 1;
}
