// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker.h"

#include "journal.h"
#include "layout/screenlayout.h"
#include "librarytree.h"
#include "platform/directorylookup.h"
#include "platform/qtsound.h"

#include <QDir>
#include <QImageReader>
#include <QMap>

#include <algorithm>

namespace cuaderno {

namespace {

// The book places drawings at one pixel per 15 twips on the reference screen.
constexpr int referenceWidth = 1024;
constexpr int referenceHeight = 768;
constexpr float twipsPerReferencePixel = 15.0f;

QString range(int first, int last)
{
    return first == last ? QString::number(first) : QStringLiteral("%1 a %2").arg(first).arg(last);
}

class Checker {
public:
    explicit Checker(QString root) : root_(std::move(root)) {}

    QList<Finding> run()
    {
        if (!QFileInfo(root_).isDir()) {
            add(0, 0, {}, QStringLiteral("la carpeta de la biblioteca no existe"));
            return findings_;
        }
        checkInterruptedChange();
        checkCategoryFolders();
        for (int category = 1; category <= 10; ++category) {
            checkCategory(category);
        }
        checkSeries(QStringLiteral("medida"), QStringLiteral("gif"), QStringLiteral("pinceles"));
        checkSeries(QStringLiteral("punteros"), QStringLiteral("ico"), QStringLiteral("punteros"));
        checkSeries(QStringLiteral("animados"), QStringLiteral("gif"),
                    QStringLiteral("animaciones"));
        checkBackground();
        for (const QString& sound :
             {QStringLiteral("sonido1.wav"), QStringLiteral("sonido2.wav")}) {
            const QString found = DirectoryLookup::find(root_ + u'/' + sound);
            if (found.isEmpty()) {
                add(0, 0, sound, QStringLiteral("falta el sonido: suena el pitido del sistema"));
            } else if (!readWav(root_ + u'/' + found)) {
                add(0, 0, found,
                    QStringLiteral("el sonido no se puede reproducir: no es un WAV que el "
                                   "cuaderno sepa leer"));
            }
        }
        return findings_;
    }

private:
    void add(int category, int number, const QString& file, const QString& message)
    {
        findings_.append({category, number, file, message});
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
            add(0, 0, QStringLiteral("dibujos"), QStringLiteral("falta la carpeta de los dibujos"));
            return;
        }
        for (const FolderEntry& entry : listFolder(drawings)) {
            bool number = false;
            const int category = entry.name.toInt(&number);
            if (!number || category < 1 || category > 10 ||
                entry.name != QString::number(category) || entry.kind != FolderEntry::Kind::Other) {
                add(0, 0, relative(drawings + u'/' + entry.name),
                    QStringLiteral(
                        "el cuaderno no lee esto: las categorías son las carpetas 1 a 10"));
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
                        ? QStringLiteral("el cuaderno no lee este nombre: los dibujos en color "
                                         "se llaman 1.GIF, 2.JPG... (sin ceros delante)")
                        : QStringLiteral("el cuaderno no lee este nombre: los dibujos sin "
                                         "colorear se llaman 1.GIF, 2.GIF... (sin ceros delante)"));
            } else if (entry.kind == FolderEntry::Kind::BrokenLink) {
                add(category, number, file,
                    QStringLiteral("enlace a un archivo que ya no existe (el próximo cambio con "
                                   "cuaderno-biblioteca lo quita y cierra el hueco)"));
            } else if (entry.kind == FolderEntry::Kind::Other) {
                add(category, number, file, QStringLiteral("no es un archivo de dibujo"));
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
                QStringLiteral("la categoría no tiene ningún dibujo: su botón no muestra nada"));
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
                QStringLiteral("falta el dibujo %1, así que no se ven los que le siguen (%2)")
                    .arg(reached + 1)
                    .arg(range(reached + 2, lastColoured)));
        }
        for (auto it = drawings.cbegin(); it != drawings.cend(); ++it) {
            checkDrawing(category, it.key(), *it, coloured, uncoloured);
        }
    }

    void checkDrawing(int category, int number, const Drawing& drawing, const QString& coloured,
                      const QString& uncoloured)
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
                QStringLiteral("hay otra versión en color con el mismo número; el cuaderno usa "
                               "%1 y nunca esta")
                    .arg(versions.first().name));
        }
        if (drawing.coloured.isEmpty()) {
            add(category, number, relative(uncoloured + u'/' + drawing.uncoloured.first().name),
                QStringLiteral("falta la versión en color: sin ella el dibujo no existe para el "
                               "cuaderno"));
        } else if (drawing.uncoloured.isEmpty()) {
            add(category, number, relative(coloured + u'/' + drawing.coloured.first().name),
                QStringLiteral("falta la versión sin colorear (no coloreado/%1.GIF)").arg(number));
        }
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
        if (colouredSize.isValid() && uncolouredSize.isValid() && colouredSize != uncolouredSize) {
            add(category, number, colouredFile,
                QStringLiteral("la versión en color mide %1 × %2 y la sin colorear %3 × %4")
                    .arg(colouredSize.width())
                    .arg(colouredSize.height())
                    .arg(uncolouredSize.width())
                    .arg(uncolouredSize.height()));
        }
        if (colouredSize.isValid() && (colouredSize.width() > largestDrawingWidth() ||
                                       colouredSize.height() > largestDrawingHeight())) {
            add(category, number, colouredFile,
                QStringLiteral("mide %1 × %2 píxeles: en una pantalla de 1024 × 768 solo cabe "
                               "entero hasta %3 × %4")
                    .arg(colouredSize.width())
                    .arg(colouredSize.height())
                    .arg(largestDrawingWidth())
                    .arg(largestDrawingHeight()));
        }
    }

    // Files 1, 2, 3 ... of one extension: the book goes back to 1 at the first missing one.
    void checkSeries(const QString& name, const QString& extension, const QString& what)
    {
        const QString folder = findFolder(root_, {name});
        QMap<int, QString> files;
        if (!folder.isEmpty()) {
            for (const FolderEntry& entry : listFolder(folder)) {
                const QString file = relative(folder + u'/' + entry.name);
                const qsizetype dot = entry.name.indexOf(u'.');
                bool isNumber = false;
                const int number = entry.name.left(dot).toInt(&isNumber);
                if (dot < 1 || !isNumber || number < 1 ||
                    entry.name.left(dot) != QString::number(number) ||
                    entry.name.mid(dot + 1).compare(extension, Qt::CaseInsensitive) != 0) {
                    add(0, 0, file,
                        QStringLiteral("el cuaderno no lee este nombre: los %1 se "
                                       "llaman 1.%2, 2.%2...")
                            .arg(what, extension));
                } else if (entry.kind != FolderEntry::Kind::File) {
                    add(0, number, file, QStringLiteral("no es un archivo que se pueda leer"));
                } else if (!headerSize(folder + u'/' + entry.name).isValid()) {
                    add(0, number, file, QStringLiteral("no es una imagen que se pueda leer"));
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
        if (reached == 0) {
            add(0, 1, name + QStringLiteral("/1.") + extension,
                QStringLiteral("falta el primero de los %1").arg(what));
        }
        if (!files.isEmpty() && files.lastKey() > reached) {
            add(0, reached + 1, name + u'/' + QString::number(reached + 1) + u'.' + extension,
                QStringLiteral("falta el número %1 de los %2, así que no se usan los que le "
                               "siguen (%3)")
                    .arg(reached + 1)
                    .arg(what)
                    .arg(range(reached + 2, files.lastKey())));
        }
    }

    void checkBackground()
    {
        const QString found = DirectoryLookup::find(root_ + QStringLiteral("/fondo.gif"));
        if (found.isEmpty()) {
            add(0, 0, QStringLiteral("fondo.gif"),
                QStringLiteral(
                    "falta el fondo: la ventana queda sin dibujo detrás de los botones"));
        } else if (!headerSize(root_ + u'/' + found).isValid()) {
            add(0, 0, found, QStringLiteral("el fondo no es una imagen que se pueda leer"));
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
                                   "próximo cambio lo borrará"));
            } else {
                add(0, 0, journalName,
                    QStringLiteral("«%1» quedó a medias (%2 de %3 pasos hechos); el próximo "
                                   "cambio %4")
                        .arg(journal->change)
                        .arg(stepsDone(root_, *journal))
                        .arg(journal->steps.size())
                        .arg(canFinish(root_, *journal)
                                 ? QStringLiteral("lo terminará")
                                 : QStringLiteral("lo deshará, porque falta un archivo que "
                                                  "necesita")));
                for (const JournalStep& step : journal->steps) {
                    named << step.from << step.to;
                }
            }
        }
        QStringList folders = {QString()};
        for (int category = 1; category <= 10; ++category) {
            for (const bool coloured : {true, false}) {
                const QString found = findFolder(root_, drawingFolderParts(category, coloured));
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
                                       "el próximo cambio lo borrará"));
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
