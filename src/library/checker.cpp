// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker.h"

#include "journal.h"
#include "layout/screenlayout.h"
#include "library.h"
#include "librarytree.h"
#include "platform/directorylookup.h"
#include "platform/qtsound.h"
#include "platform/spanish.h"

#include <QDir>
#include <QImageReader>
#include <QMap>
#include <QXmlStreamReader>

#include <algorithm>

namespace cuaderno {

namespace {

// The book places drawings at one pixel per 15 twips on the reference screen.
constexpr int referenceWidth = 1024;
constexpr int referenceHeight = 768;
constexpr float twipsPerReferencePixel = 15.0f;

using Kind = Finding::Kind;

// A numbered series of the book's tools, named with its article, as messages need it.
struct Series {
    QString folder;
    QString extension;
    QString things; // "los pinceles"
    QString thing;  // "el pincel"
    QString first;  // "el primer pincel"
};

class Checker {
public:
    explicit Checker(QString root) : root_(std::move(root)) {}

    QList<Finding> run()
    {
        if (!QFileInfo(root_).isDir()) {
            add(0, 0, {}, QStringLiteral("la carpeta de la biblioteca no existe"), Kind::Missing);
            return findings_;
        }
        checkInterruptedChange();
        checkCategoryFolders();
        for (int category = 1; category <= 10; ++category) {
            checkCategory(category);
        }
        checkSeries({QStringLiteral("medida"), QStringLiteral("gif"),
                     QStringLiteral("los pinceles"), QStringLiteral("el pincel"),
                     QStringLiteral("el primer pincel")});
        checkSeries({QStringLiteral("punteros"), QStringLiteral("ico"),
                     QStringLiteral("los punteros"), QStringLiteral("el puntero"),
                     QStringLiteral("el primer puntero")});
        checkSeries({QStringLiteral("animados"), QStringLiteral("gif"),
                     QStringLiteral("las animaciones"), QStringLiteral("la animación"),
                     QStringLiteral("la primera animación")});
        checkBackground();
        for (const QString& sound :
             {QStringLiteral("sonido1.wav"), QStringLiteral("sonido2.wav")}) {
            const QString found = DirectoryLookup::find(root_ + u'/' + sound);
            if (found.isEmpty()) {
                add(0, 0, sound,
                    QStringLiteral("falta este sonido: en su lugar suena el pitido del sistema"),
                    Kind::Missing);
            } else if (!readWav(root_ + u'/' + found)) {
                add(0, 0, found,
                    QStringLiteral("el sonido no se puede reproducir: no es un archivo WAV que "
                                   "el cuaderno sepa leer"),
                    Kind::Missing);
            }
        }
        return findings_;
    }

private:
    void add(int category, int number, const QString& file, const QString& message,
             Kind kind = Kind::Damaged)
    {
        findings_.append({category, number, file, message, kind});
    }

    QString relative(const QString& path) const { return QDir(root_).relativeFilePath(path); }

    // The header's size; invalid when the file is not a picture Qt can read.
    static QSize headerSize(const QString& path)
    {
        QImageReader reader(path);
        return reader.size();
    }

    void checkCategoryFolders()
    {
        const QString drawings = findFolder(root_, {QStringLiteral("dibujos")});
        if (drawings.isEmpty()) {
            add(0, 0, QStringLiteral("dibujos"), QStringLiteral("falta la carpeta de los dibujos"),
                Kind::Missing);
            return;
        }
        for (const FolderEntry& entry : listFolder(drawings)) {
            bool number = false;
            const int category = entry.name.toInt(&number);
            if (!number || category < 1 || category > 10 ||
                entry.name != QString::number(category) || entry.kind != FolderEntry::Kind::Other) {
                add(0, 0, relative(drawings + u'/' + entry.name),
                    QStringLiteral("el cuaderno no usa esto: las categorías son carpetas con "
                                   "los números del 1 al 10"),
                    Kind::BadName);
            }
        }
    }

    struct Drawing {
        QList<FolderEntry> coloured;
        QList<FolderEntry> uncoloured;
    };

    // Entries named like drawings, by number; the rest reported here.
    void sortEntries(int category, const QString& folder, bool coloured,
                     QMap<int, Drawing>& drawings)
    {
        for (const FolderEntry& entry : listFolder(folder)) {
            const QString file = relative(folder + u'/' + entry.name);
            const int number = numberOfEntry(entry, coloured);
            if (number == 0) {
                add(category, 0, file,
                    coloured
                        ? QStringLiteral("el cuaderno no lee este nombre: las versiones en color "
                                         "se llaman 1.GIF, 2.JPG, 3.GIF…, sin ceros delante")
                        : QStringLiteral("el cuaderno no lee este nombre: las versiones para "
                                         "colorear se llaman 1.GIF, 2.GIF…, sin ceros delante"),
                    Kind::BadName);
            } else if (entry.kind == FolderEntry::Kind::BrokenLink) {
                add(category, number, file,
                    QStringLiteral("es un enlace a un archivo que ya no existe; el próximo "
                                   "cambio en la biblioteca lo quitará y cerrará el hueco"),
                    Kind::BrokenLink);
            } else if (entry.kind == FolderEntry::Kind::Other) {
                add(category, number, file,
                    QStringLiteral("no es un archivo de dibujo, sino una carpeta u otra cosa"),
                    Kind::NotAFile);
            } else {
                (coloured ? drawings[number].coloured : drawings[number].uncoloured).append(entry);
            }
        }
    }

    void checkCategory(int category)
    {
        const QString coloured = findFolder(root_, drawingFolderParts(category, true));
        const QString uncoloured = findFolder(root_, drawingFolderParts(category, false));
        const QString colouredName = QStringLiteral("dibujos/%1/si coloreado").arg(category);
        QMap<int, Drawing> drawings;
        if (!coloured.isEmpty()) {
            sortEntries(category, coloured, true, drawings);
        }
        if (!uncoloured.isEmpty()) {
            sortEntries(category, uncoloured, false, drawings);
        }
        int reached = 0; // the last drawing the book reaches
        while (drawings.contains(reached + 1) && !drawings[reached + 1].coloured.isEmpty()) {
            ++reached;
        }
        if (reached == 0 && drawings.isEmpty()) {
            add(category, 0, colouredName,
                QStringLiteral("la categoría no tiene ningún dibujo: su botón no muestra nada"),
                Kind::EmptyCategory);
        }
        int lastColoured = 0;
        for (auto it = drawings.cbegin(); it != drawings.cend(); ++it) {
            if (!it->coloured.isEmpty()) {
                lastColoured = it.key();
            }
        }
        if (lastColoured > reached) {
            add(category, reached + 1,
                relative((coloured.isEmpty() ? root_ + u'/' + colouredName : coloured) + u'/' +
                         QString::number(reached + 1) + u".GIF"),
                QStringLiteral("falta el dibujo %1, así que el cuaderno no muestra %2")
                    .arg(reached + 1)
                    .arg(numberRange(reached + 2, lastColoured, QStringLiteral("el dibujo %1"),
                                     QStringLiteral("los dibujos del %1 al %2"))),
                Kind::Gap);
        }
        for (auto it = drawings.cbegin(); it != drawings.cend(); ++it) {
            checkDrawing(category, it.key(), *it, coloured, uncoloured);
        }
        checkCompanions(category, drawings);
    }

    // The outlines kept for paper: the book never reads them, the booklet does.
    void checkCompanions(int category, const QMap<int, Drawing>& drawings)
    {
        const QString folder = findFolder(root_, companionFolderParts(category));
        QMap<int, QString> seen;
        // The booklet's order: each drawing's SVG before its PNG, so the one it prints is kept.
        QList<FolderEntry> entries = folder.isEmpty() ? QList<FolderEntry>() : listFolder(folder);
        std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
            return a.name.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) &&
                   !b.name.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
        });
        for (const FolderEntry& entry : entries) {
            const QString path = folder + u'/' + entry.name;
            const int number = numberOfCompanion(entry);
            if (number == 0) {
                add(category, 0, relative(path),
                    QStringLiteral("este nombre no es el de unos contornos: se llaman como su "
                                   "dibujo, 1.svg, 2.png…, sin ceros delante"),
                    Kind::BadName);
            } else if (entry.kind == FolderEntry::Kind::BrokenLink) {
                add(category, number, relative(path),
                    QStringLiteral("es un enlace a un archivo que ya no existe; el próximo cambio "
                                   "en la biblioteca lo quitará"),
                    Kind::BrokenLink);
            } else if (drawings.value(number).coloured.isEmpty()) {
                add(category, number, relative(path),
                    QStringLiteral("los contornos «%1» no acompañan a ningún dibujo: la "
                                   "categoría no tiene el dibujo %2")
                        .arg(entry.name)
                        .arg(number),
                    Kind::UnusedOutline);
            } else if (const QString problem = outlineProblem(path, entry); !problem.isEmpty()) {
                add(category, number, relative(path), problem, Kind::UnusedOutline);
            } else if (seen.contains(number)) {
                add(category, number, relative(path),
                    QStringLiteral("el dibujo %1 ya tiene los contornos «%2»; el cuadernillo "
                                   "usa uno solo")
                        .arg(number)
                        .arg(seen.value(number)),
                    Kind::UnusedOutline);
            } else {
                seen.insert(number, entry.name);
            }
        }
    }

    // Why the booklet cannot print an outline file; empty when it can. Judged by its header.
    static QString outlineProblem(const QString& path, const FolderEntry& entry)
    {
        const QFileInfo info(path);
        if (entry.kind != FolderEntry::Kind::File) {
            return QStringLiteral("no es un archivo de contornos (es una carpeta u otra cosa)");
        }
        const bool vector = info.suffix().compare(u"svg", Qt::CaseInsensitive) == 0;
        if (info.size() >
            (vector ? Library::largestSvgOutlineBytes : Library::largestOutlineBytes)) {
            return QStringLiteral("los contornos «%1» son demasiado grandes para imprimirse")
                .arg(entry.name);
        }
        if (vector ? !svgRoot(path) : QImageReader(path).format() != "png") {
            return QStringLiteral("los contornos «%1» no se pueden leer: el archivo está dañado "
                                  "o no es un %2")
                .arg(entry.name, vector ? QStringLiteral("SVG") : QStringLiteral("PNG"));
        }
        const QSize size = vector ? QSize() : QImageReader(path).size();
        if (size.width() > Library::largestOutlineSide ||
            size.height() > Library::largestOutlineSide) {
            return QStringLiteral("los contornos «%1» miden %2 × %3 píxeles: son demasiado "
                                  "grandes para imprimirse")
                .arg(entry.name)
                .arg(size.width())
                .arg(size.height());
        }
        return {};
    }

    // Whether the file starts as an SVG document: its first element is <svg>.
    static bool svgRoot(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return false;
        }
        QXmlStreamReader xml(&file);
        while (!xml.atEnd() && !xml.isStartElement()) {
            xml.readNext();
        }
        return xml.isStartElement() && xml.name() == u"svg" && !xml.hasError();
    }

    void checkDrawing(int category, int number, const Drawing& drawing, const QString& coloured,
                      const QString& uncoloured)
    {
        const ShownVersion shown = checkColouredVersions(category, number, drawing, coloured);
        checkBothVersions(category, number, drawing, coloured, uncoloured);
        const QSize uncolouredSize = checkUncolouredVersions(category, number, drawing, uncoloured);
        checkSizes(category, number, shown, uncolouredSize);
    }

    // The coloured file the book shows, and its size; invalid when none can be read.
    struct ShownVersion {
        QString file;
        QSize size;
    };

    ShownVersion checkColouredVersions(int category, int number, const Drawing& drawing,
                                       const QString& coloured)
    {
        QSize colouredSize;
        QString colouredFile;
        // The book takes the GIF when there are both.
        QList<FolderEntry> versions = drawing.coloured;
        std::stable_sort(versions.begin(), versions.end(), [](const auto& a, const auto& b) {
            return a.name.endsWith(QStringLiteral(".gif"), Qt::CaseInsensitive) &&
                   !b.name.endsWith(QStringLiteral(".gif"), Qt::CaseInsensitive);
        });
        for (const FolderEntry& entry : versions) {
            const QString file = relative(coloured + u'/' + entry.name);
            const QSize size = headerSize(coloured + u'/' + entry.name);
            if (!size.isValid()) {
                add(category, number, file, QStringLiteral("no es una imagen que se pueda leer"));
            } else if (colouredFile.isEmpty()) {
                colouredSize = size;
                colouredFile = file;
            }
        }
        if (versions.size() > 1) {
            add(category, number, relative(coloured + u'/' + versions.last().name),
                QStringLiteral("el cuaderno no usa este archivo: muestra «%1», otra versión en "
                               "color con el mismo número")
                    .arg(versions.first().name),
                Kind::ExtraVersion);
        }
        return {colouredFile, colouredSize};
    }

    void checkBothVersions(int category, int number, const Drawing& drawing,
                           const QString& coloured, const QString& uncoloured)
    {
        if (drawing.coloured.isEmpty()) {
            add(category, number, relative(uncoloured + u'/' + drawing.uncoloured.first().name),
                QStringLiteral("falta la versión en color de este dibujo, y sin ella el "
                               "cuaderno no lo muestra"),
                Kind::MissingColoured);
        } else if (drawing.uncoloured.isEmpty()) {
            add(category, number, relative(coloured + u'/' + drawing.coloured.first().name),
                QStringLiteral("falta la versión para colorear («no coloreado/%1.GIF»)")
                    .arg(number));
        }
    }

    QSize checkUncolouredVersions(int category, int number, const Drawing& drawing,
                                  const QString& uncoloured)
    {
        QSize uncolouredSize;
        for (const FolderEntry& entry : drawing.uncoloured) {
            const QSize size = headerSize(uncoloured + u'/' + entry.name);
            if (!size.isValid()) {
                add(category, number, relative(uncoloured + u'/' + entry.name),
                    QStringLiteral("no es una imagen que se pueda leer"));
            } else {
                uncolouredSize = size;
            }
        }
        return uncolouredSize;
    }

    void checkSizes(int category, int number, const ShownVersion& shown, QSize uncolouredSize)
    {
        const QSize& colouredSize = shown.size;
        const QString& colouredFile = shown.file;
        if (colouredSize.isValid() && uncolouredSize.isValid() && colouredSize != uncolouredSize) {
            add(category, number, colouredFile,
                QStringLiteral("la versión en color mide %1 × %2 píxeles y la versión para "
                               "colorear %3 × %4")
                    .arg(colouredSize.width())
                    .arg(colouredSize.height())
                    .arg(uncolouredSize.width())
                    .arg(uncolouredSize.height()));
        }
        if (colouredSize.isValid() && (colouredSize.width() > largestDrawingWidth() ||
                                       colouredSize.height() > largestDrawingHeight())) {
            add(category, number, colouredFile,
                QStringLiteral("mide %1 × %2 píxeles y no se ve entero en una pantalla de "
                               "1024 × 768, donde un dibujo puede medir como mucho %3 × %4")
                    .arg(colouredSize.width())
                    .arg(colouredSize.height())
                    .arg(largestDrawingWidth())
                    .arg(largestDrawingHeight()));
        }
    }

    // Files 1, 2, 3 … of one extension: the book goes back to 1 at the first missing one.
    void checkSeries(const Series& series)
    {
        const QString folder = findFolder(root_, {series.folder});
        QMap<int, QString> files;
        if (!folder.isEmpty()) {
            for (const FolderEntry& entry : listFolder(folder)) {
                const QString file = relative(folder + u'/' + entry.name);
                const qsizetype dot = entry.name.indexOf(u'.');
                bool isNumber = false;
                const int number = entry.name.left(dot).toInt(&isNumber);
                if (dot < 1 || !isNumber || number < 1 ||
                    entry.name.left(dot) != QString::number(number) ||
                    entry.name.mid(dot + 1).compare(series.extension, Qt::CaseInsensitive) != 0) {
                    add(0, 0, file,
                        QStringLiteral("el cuaderno no lee este nombre: %1 se llaman 1.%2, "
                                       "2.%2…")
                            .arg(series.things, series.extension),
                        Kind::BadName);
                } else if (entry.kind != FolderEntry::Kind::File) {
                    add(0, number, file, QStringLiteral("no es un archivo que se pueda leer"),
                        Kind::Missing);
                } else if (!headerSize(folder + u'/' + entry.name).isValid()) {
                    add(0, number, file, QStringLiteral("no es una imagen que se pueda leer"),
                        Kind::Missing);
                    files.insert(number, file);
                } else {
                    files.insert(number, file);
                }
            }
        }
        int reached = 0;
        while (files.contains(reached + 1)) {
            ++reached;
        }
        const QString gap =
            series.folder + u'/' + QString::number(reached + 1) + u'.' + series.extension;
        if (reached == 0) {
            add(0, 1, gap, QStringLiteral("falta %1").arg(series.first), Kind::Missing);
        } else if (files.lastKey() > reached) {
            add(0, reached + 1, gap,
                QStringLiteral("falta %1 %2, así que el cuaderno no usa %3")
                    .arg(series.thing)
                    .arg(reached + 1)
                    .arg(numberRange(reached + 2, files.lastKey(), series.thing + u" %1",
                                     series.things + u" del %1 al %2")),
                Kind::Missing);
        }
    }

    void checkBackground()
    {
        const QString found = DirectoryLookup::find(root_ + QStringLiteral("/fondo.gif"));
        if (found.isEmpty()) {
            add(0, 0, QStringLiteral("fondo.gif"),
                QStringLiteral("falta el fondo: la ventana queda sin dibujo detrás de los botones"),
                Kind::Missing);
        } else if (!headerSize(root_ + u'/' + found).isValid()) {
            add(0, 0, found, QStringLiteral("el fondo no es una imagen que se pueda leer"),
                Kind::Missing);
        }
    }

    // A change stopped half-way and the hidden files stopped changes leave: the next change
    // deals with them, so this only says how.
    void checkInterruptedChange()
    {
        const QString journalName = QLatin1StringView(journalFileName);
        QStringList named; // the files the interrupted change still needs
        if (QFileInfo(root_ + u'/' + journalName).exists()) {
            const std::optional<Journal> journal = readJournal(root_);
            if (!journal) {
                add(0, 0, journalName,
                    QStringLiteral("es el registro ilegible de un cambio interrumpido; el "
                                   "próximo cambio lo borrará"),
                    Kind::Interrupted);
            } else {
                add(0, 0, journalName,
                    QStringLiteral("«%1» quedó a medias (pasos hechos: %2 de %3); el próximo "
                                   "cambio %4")
                        .arg(journal->change)
                        .arg(stepsDone(root_, *journal))
                        .arg(journal->steps.size())
                        .arg(canFinish(root_, *journal)
                                 ? QStringLiteral("lo terminará")
                                 : QStringLiteral("lo deshará, porque falta un archivo que "
                                                  "necesita")),
                    Kind::Interrupted);
                for (const JournalStep& step : journal->steps) {
                    named << step.from << step.to;
                }
            }
        }
        QStringList folders = {QString()};
        for (int category = 1; category <= 10; ++category) {
            for (const QStringList& parts :
                 {drawingFolderParts(category, true), drawingFolderParts(category, false),
                  companionFolderParts(category)}) {
                const QString found = findFolder(root_, parts);
                if (!found.isEmpty()) {
                    folders.append(found.mid(root_.size() + 1) + u'/');
                }
            }
        }
        for (const QString& folder : std::as_const(folders)) {
            for (const QString& name : leftoverFiles(root_ + u'/' + folder)) {
                if (!named.contains(folder + name)) {
                    add(0, 0, folder + name,
                        QStringLiteral("es un archivo oculto que dejó un cambio interrumpido; "
                                       "el próximo cambio lo borrará"),
                        Kind::Interrupted);
                }
            }
        }
    }

    QString root_;
    QList<Finding> findings_;
};

} // namespace

int largestDrawingWidth()
{
    return referenceWidth;
}

int largestDrawingHeight()
{
    const ScreenLayout layout =
        layoutScreen(referenceWidth * twipsPerReferencePixel,
                     referenceHeight * twipsPerReferencePixel, DesignGeometry{});
    int height = referenceHeight;
    while (height > 0 &&
           fitCanvas(layout.previousButton.top, float(height) * twipsPerReferencePixel).height) {
        --height;
    }
    return height;
}

QList<Finding> checkLibrary(const QString& folder)
{
    return Checker(QDir::cleanPath(folder)).run();
}

} // namespace cuaderno
