// SPDX-License-Identifier: GPL-3.0-or-later
// The library as the parents' tools change it: the checker, renumbering, the lock against a
// second writer, changes stopped at any point, links, failing disks, the user's library and
// the launcher's choice of it.

#include "datatree.h"
#include "extras.h"
#include "library/checker.h"
#include "library/journal.h"
#include "library/library.h"
#include "library/safefiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QImageReader>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

using namespace cuaderno;
using namespace Qt::StringLiterals;
using test::DataTree;

namespace {

// Drawing n of a category, n × 10 pixels wide so a renamed file tells where it came from.
void addPair(DataTree& tree, int category, int n, const QString& extension = u".JPG"_s)
{
    const QString base = QStringLiteral("dibujos/%1/").arg(category);
    tree.picture(base + u"si coloreado/" + QString::number(n) + extension, QSize(n * 10, 20));
    tree.picture(base + u"no coloreado/" + QString::number(n) + u".GIF", QSize(n * 10, 20));
}

// A drawing's outline companion, as wide as its pair.
void addOutline(DataTree& tree, int category, int n)
{
    tree.picture(QStringLiteral("dibujos/%1/contornos/%2.png").arg(category).arg(n),
                 QSize(n * 10, 20));
}

// Every file of a category as "folder/name:width", in order of folder and name, outline
// companions last.
QStringList snapshot(const DataTree& tree, int category)
{
    QStringList files;
    for (const QString& folder : {u"no coloreado"_s, u"si coloreado"_s, u"contornos"_s}) {
        const QDir dir(tree.path(QStringLiteral("dibujos/%1/").arg(category) + folder));
        for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::System |
                                                       QDir::NoDotAndDotDot | QDir::Hidden))
            files.append(folder.left(2) + u'/' + info.fileName() + u':' +
                         QString::number(QImageReader(info.filePath()).size().width()));
    }
    return files;
}

// Whether some number has a coloured and an uncoloured file of different drawings, in a
// snapshot (the files' widths tell the drawings apart); hidden files are not numbers.
bool mixesDrawings(const QStringList& files)
{
    QMap<QString, QString> widths; // number to width, from either folder
    for (const QString& file : files) {
        const QString name = file.section(u'/', 1).section(u':', 0, 0);
        const QString number = name.section(u'.', 0, 0);
        const QString width = file.section(u':', 1);
        if (name.startsWith(u'.') || width == u"-1") // hidden, or a link to nothing
            continue;
        if (widths.contains(number) && widths.value(number) != width)
            return true;
        widths.insert(number, width);
    }
    return false;
}

// The hidden files a change may leave, anywhere in the tree.
QStringList hiddenFiles(const DataTree& tree)
{
    QStringList found;
    QDirIterator files(tree.root(), {u".cuaderno-*"_s}, QDir::Files | QDir::System | QDir::Hidden,
                       QDirIterator::Subdirectories);
    while (files.hasNext())
        found.append(files.next());
    return found;
}

} // namespace

class TestLibrary : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // One of each problem, category by category; category 9 is sound, 10 empty.
        for (int category = 1; category <= 9; ++category)
            addPair(broken_, category, 1);
        broken_.folder(u"dibujos/10/si coloreado"_s);
        broken_.picture(u"dibujos/3/si coloreado/1.GIF"_s, QSize(10, 20));
        addPair(broken_, 1, 3, u".GIF"_s);
        broken_.picture(u"dibujos/1/si coloreado/07.GIF"_s, QSize(10, 20));
        broken_.picture(u"dibujos/2/si coloreado/2.JPG"_s, QSize(20, 20));
        broken_.picture(u"dibujos/2/si coloreado/3.png"_s, QSize(30, 20));
        broken_.picture(u"dibujos/3/no coloreado/2.GIF"_s, QSize(20, 20));
        broken_.picture(u"dibujos/4/no coloreado/1.GIF"_s, QSize(9, 20));
        broken_.text(u"dibujos/5/si coloreado/1.JPG"_s, "no es una imagen");
        broken_.picture(u"dibujos/6/si coloreado/2.GIF"_s, QSize(1100, 20));
        broken_.picture(u"dibujos/6/no coloreado/2.GIF"_s, QSize(1100, 20));
        QVERIFY(QFile::link(broken_.path(u"nada.GIF"_s),
                            broken_.path(u"dibujos/7/si coloreado/2.GIF"_s)));
        broken_.folder(u"dibujos/8/si coloreado/2.GIF"_s);
        QCOMPARE(::mkfifo(qPrintable(broken_.path(u"dibujos/8/si coloreado/3.GIF"_s)), 0600), 0);
        broken_.picture(u"medida/1.gif"_s, QSize(5, 5));
        broken_.picture(u"medida/3.gif"_s, QSize(5, 5));
        broken_.text(u"punteros/1.ico"_s, "roto");
        broken_.text(u"sonido1.wav"_s, samples::pageForwardSound());
        broken_.text(u"sonido2.wav"_s, "RIFF roto");
        broken_.text(u".cuaderno-cambio"_s, "cuaderno cambio 1\nquitar el dibujo 1\nmover\t"
                                            "dibujos/9/si coloreado/1.JPG\tdibujos/9/si coloreado/"
                                            ".cuaderno-quitado-1.JPG\nfin\n");
        broken_.text(u"dibujos/9/no coloreado/.cuaderno-quitado-1.GIF"_s, "");
        addOutline(broken_, 4, 1); // a good one: no finding
        broken_.picture(u"dibujos/4/contornos/2.png"_s, QSize(20, 20));
        broken_.text(u"dibujos/4/contornos/1.svg"_s, "<html>no</html>");
        broken_.picture(u"dibujos/9/contornos/1.png"_s, QSize(12001, 1));
        broken_.text(u"dibujos/9/contornos/01.svg"_s, "<svg/>");
        broken_.text(u"dibujos/9/contornos/.cuaderno-nuevo-1.png"_s, "");
        addOutline(broken_, 2, 1);
        broken_.text(u"dibujos/2/contornos/1.svg"_s, "<svg/>");
        QVERIFY(
            QFile::link(broken_.path(u"nada.svg"_s), broken_.path(u"dibujos/4/contornos/3.svg"_s)));
        for (const Finding& finding : checkLibrary(broken_.root()))
            findings_.insert(finding.file, finding);
        QCOMPARE(findings_.size(), 27); // one a row of checker_data, none for the sound parts
    }

    void checker_data()
    {
        using K = Finding::Kind;
        QTest::addColumn<int>("category");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("says");
        QTest::addColumn<K>("kind");
        const auto row = [](const char* name, int c, int n, const char* f, const char* s, K k) {
            QTest::newRow(name) << c << n << QString::fromUtf8(f) << QString::fromUtf8(s) << k;
        };
        row("gap", 1, 2, "dibujos/1/si coloreado/2.GIF", "falta el dibujo 2", K::Gap);
        row("leading zero", 1, 0, "dibujos/1/si coloreado/07.GIF", "no lee este", K::BadName);
        row("no uncoloured", 2, 2, "dibujos/2/si coloreado/2.JPG", "para colorear", K::Damaged);
        row("png", 2, 0, "dibujos/2/si coloreado/3.png", "no lee este", K::BadName);
        row("no coloured", 3, 2, "dibujos/3/no coloreado/2.GIF", "en color", K::MissingColoured);
        row("2nd coloured", 3, 1, "dibujos/3/si coloreado/1.JPG", "«1.GIF»", K::ExtraVersion);
        row("sizes differ", 4, 1, "dibujos/4/si coloreado/1.JPG", "colorear 9 × 20", K::Damaged);
        row("not a picture", 5, 1, "dibujos/5/si coloreado/1.JPG", "no es una", K::Damaged);
        row("too large", 6, 2, "dibujos/6/si coloreado/2.GIF", "1100 × 20", K::Damaged);
        row("broken link", 7, 2, "dibujos/7/si coloreado/2.GIF", "ya no existe", K::BrokenLink);
        row("folder", 8, 2, "dibujos/8/si coloreado/2.GIF", "no es un archivo", K::NotAFile);
        row("fifo", 8, 3, "dibujos/8/si coloreado/3.GIF", "no es un archivo", K::NotAFile);
        row("brush gap", 0, 2, "medida/2.gif", "el cuaderno no usa el pincel 3", K::Missing);
        row("pointer", 0, 1, "punteros/1.ico", "no es una imagen", K::Missing);
        row("no animation", 0, 1, "animados/1.gif", "falta la primera animación", K::Missing);
        row("no background", 0, 0, "fondo.gif", "falta el fondo", K::Missing);
        row("sound", 0, 0, "sonido2.wav", "no se puede reproducir", K::Missing);
        row("stopped change", 0, 0, ".cuaderno-cambio",
            "«quitar el dibujo 1» quedó a medias (pasos hechos: 0 de 1); el próximo cambio lo "
            "terminará",
            K::Interrupted);
        row("leftover", 0, 0, "dibujos/9/no coloreado/.cuaderno-quitado-1.GIF", "borrará",
            K::Interrupted);
        row("empty category", 10, 0, "dibujos/10/si coloreado", "ningún dibujo", K::EmptyCategory);
        row("outline alone", 4, 2, "dibujos/4/contornos/2.png", "«2.png» no acompañan a ningún",
            K::UnusedOutline);
        row("outline unreadable", 4, 1, "dibujos/4/contornos/1.svg", "no se pueden leer",
            K::UnusedOutline);
        row("outline huge", 9, 1, "dibujos/9/contornos/1.png", "12001 × 1", K::UnusedOutline);
        row("svg first", 2, 1, "dibujos/2/contornos/1.png", "«1.svg»", K::UnusedOutline);
        row("outline name", 9, 0, "dibujos/9/contornos/01.svg", "como su dibujo", K::BadName);
        row("outline leftover", 0, 0, "dibujos/9/contornos/.cuaderno-nuevo-1.png", "borrará",
            K::Interrupted);
        row("outline link", 4, 3, "dibujos/4/contornos/3.svg", "ya no existe", K::BrokenLink);
    }
    void checker()
    {
        QFETCH(int, category);
        QFETCH(int, number);
        QFETCH(QString, file);
        QFETCH(QString, says);
        QFETCH(Finding::Kind, kind);
        const Finding f = findings_.value(file);
        QCOMPARE(std::tuple(f.category, f.number, f.kind), std::tuple(category, number, kind));
        QVERIFY2(f.message.contains(says), qPrintable(f.message));
        QVERIFY(!f.message.contains(u'\n'));
    }

    void checkerPassesTheSampleLibrary()
    {
        const QList<Finding> findings = checkLibrary(QStringLiteral(CUADERNO_SAMPLE_LIBRARY));
        QVERIFY2(findings.isEmpty(), qPrintable(findings.value(0).message));
    }

    void removeDrawing_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("listed"); // the drawing whose files the caller expects; 0: none
        QTest::addColumn<bool>("works");
        QTest::addColumn<QStringList>("after"); // empty: the whole category unchanged
        // Drawings 2 and 3 have outline companions, which move with their pairs.
        const QStringList four = {u"no/1.GIF:10"_s, u"no/2.GIF:20"_s, u"no/3.GIF:30"_s,
                                  u"no/4.GIF:40"_s, u"si/1.JPG:10"_s, u"si/2.GIF:20"_s,
                                  u"si/3.JPG:30"_s, u"si/4.jpg:40"_s, u"co/2.png:20"_s,
                                  u"co/3.png:30"_s};
        QTest::newRow("middle") << 1 << 2 << 2 << true
                                << QStringList{u"no/1.GIF:10"_s, u"no/2.GIF:30"_s, u"no/3.GIF:40"_s,
                                               u"si/1.JPG:10"_s, u"si/2.JPG:30"_s, u"si/3.jpg:40"_s,
                                               u"co/2.png:30"_s};
        QTest::newRow("last") << 1 << 4 << 0 << true
                              << four.mid(0, 3) + four.mid(4, 3) + four.mid(8);
        QTest::newRow("stale list") << 1 << 2 << 3 << false << four;
        QTest::newRow("no such number") << 1 << 5 << 0 << false << four;
        QTest::newRow("no such category") << 11 << 1 << 0 << false << four;
        // A folder named like drawing 3's uncoloured file: nothing may move.
        QTest::newRow("folder in the way") << 2 << 1 << 0 << false << QStringList();
        // The link of drawing 2 points nowhere: it goes and 3 becomes 2 before 2 is removed;
        // 7 stays behind its gap.
        QTest::newRow("dangling link")
            << 3 << 2 << 0 << true
            << QStringList{u"no/1.GIF:10"_s, u"no/2.GIF:40"_s, u"no/7.GIF:70"_s,
                           u"si/1.JPG:10"_s, u"si/2.JPG:40"_s, u"si/7.JPG:70"_s};
    }
    void removeDrawing()
    {
        QFETCH(int, category);
        QFETCH(int, number);
        QFETCH(int, listed);
        QFETCH(bool, works);
        QFETCH(QStringList, after);
        DataTree tree;
        const QStringList extensions = {u".JPG"_s, u".GIF"_s, u".JPG"_s, u".jpg"_s};
        for (int n = 1; n <= 4; ++n)
            addPair(tree, 1, n, extensions[n - 1]);
        addOutline(tree, 1, 2);
        addOutline(tree, 1, 3);
        for (int n : {1, 2, 3})
            addPair(tree, 2, n);
        QVERIFY(QFile::remove(tree.path(u"dibujos/2/no coloreado/3.GIF"_s)));
        tree.folder(u"dibujos/2/no coloreado/3.GIF"_s);
        for (int n : {1, 3, 4, 7}) // 7 is kept hidden behind a gap
            addPair(tree, 3, n);
        QVERIFY(
            QFile::link(tree.path(u"gone.JPG"_s), tree.path(u"dibujos/3/si coloreado/2.JPG"_s)));
        if (after.isEmpty())
            after = snapshot(tree, category);
        Library library(tree.root());
        const Outcome<void> removed =
            listed ? library.removeDrawing(category, number, library.drawingFiles(1, listed))
                   : library.removeDrawing(category, number);
        QCOMPARE(removed.ok(), works);
        QCOMPARE(removed.reason() == Failure::Reason::Changed, listed != 0 && listed != number);
        QCOMPARE(removed.error().isEmpty(), works);
        QCOMPARE(snapshot(tree, category == 11 ? 1 : category), after);
    }

    void stoppedChange_data()
    {
        QTest::addColumn<int>("change");   // 0 add, 1 remove, 2 printing with a dangling link
        QTest::addColumn<bool>("refused"); // rename flags refused, as on NFS
        for (const bool refused : {false, true}) {
            const char* where = refused ? " without rename flags" : "";
            QTest::addRow("add%s", where) << 0 << refused;
            QTest::addRow("remove%s", where) << 1 << refused;
            QTest::addRow("dangling link%s", where) << 2 << refused;
        }
    }
    // Stopped at each point in turn, as a killed program would be: no number ever mixes two
    // drawings, and the next access leaves the category as before or as asked, the switch
    // likewise, the category with a gap untouched and no hidden file behind.
    void stoppedChange()
    {
        QFETCH(int, change);
        QFETCH(bool, refused);
        const auto build = [change](DataTree& tree) {
            for (int n : {1, 2, 3, 4, 7})
                if (n != 2 || change != 2)
                    addPair(tree, 1, n);
            for (int n : {2, 3, 7})
                addOutline(tree, 1, n);
            // Drawing 2's links both dangle, and 4's coloured one: 4 keeps its uncoloured file.
            if (change == 2)
                for (const QString& file :
                     {u"si coloreado/2.JPG"_s, u"no coloreado/2.GIF"_s, u"si coloreado/4.JPG"_s}) {
                    QFile::remove(tree.path(u"dibujos/1/"_s + file));
                    QVERIFY(QFile::link(tree.path(u"gone"_s), tree.path(u"dibujos/1/"_s + file)));
                }
            addPair(tree, 2, 1);
            addPair(tree, 2, 3);
            tree.text(u"impresora.txt"_s, "NO\n");
        };
        const auto apply = [change](Library& library) -> Outcome<void> {
            QImage picture(60, 20, QImage::Format_RGB32);
            picture.fill(Qt::green);
            if (change == 0) {
                QByteArray outline;
                QBuffer buffer(&outline);
                buffer.open(QIODevice::WriteOnly);
                picture.save(&buffer, "png");
                const Outcome<int> added = library.addDrawing(1, picture, ColouredFormat::Gif,
                                                              picture, {outline, u"png"_s});
                return added ? Outcome<void>() : added.failure();
            }
            return change == 1 ? library.removeDrawing(1, 2) : library.setPrinting(true);
        };
        DataTree reference;
        build(reference);
        Library asked(reference.root());
        const QStringList before = snapshot(reference, 1);
        QVERIFY(apply(asked).ok());
        const QStringList after = snapshot(reference, 1);
        const auto restore = qScopeGuard([] { refuseRenameFlags(false); });
        refuseRenameFlags(refused);
        int point = 1;
        for (bool whole = false; !whole; ++point) {
            DataTree tree;
            build(tree);
            const QStringList other = snapshot(tree, 2);
            Library library(tree.root());
            stopChangesAtPoint(point);
            whole = apply(library).ok();
            stopChangesAtPoint(0);
            QVERIFY2(!mixesDrawings(snapshot(tree, 1)), qPrintable(snapshot(tree, 1).join(u' ')));
            QVERIFY(library.recover().ok());
            const QStringList now = snapshot(tree, 1);
            QVERIFY2(now == before || now == after, qPrintable(now.join(u' ')));
            QCOMPARE(snapshot(tree, 2), other);
            QCOMPARE(hiddenFiles(tree), QStringList());
            if (change != 2 || whole) // a stopped switch may be either way
                QCOMPARE(library.printingEnabled(), change == 2);
        }
        QVERIFY(point > 3);
    }

    // A removal of 2 stopped once drawing 3's coloured file is 2's, then a file put by hand
    // where that file was: the undo stops there rather than give 2 its old uncoloured file
    // beside 3's coloured one, and 2's set-aside files are kept under names the parent sees.
    void takenNameStopsTheUndo()
    {
        DataTree tree;
        for (int n : {1, 2, 3, 4})
            addPair(tree, 1, n);
        Library library(tree.root());
        stopChangesAtPoint(4); // the journal, then three moves
        QVERIFY(!library.removeDrawing(1, 2).ok());
        stopChangesAtPoint(0);
        tree.picture(u"dibujos/1/si coloreado/3.JPG"_s, QSize(99, 20));
        QVERIFY(library.recover().ok());
        const QStringList files = snapshot(tree, 1);
        QVERIFY2(!mixesDrawings(files.filter(QRegularExpression(u"/2\\."_s))),
                 qPrintable(files.join(u' ')));
        QCOMPARE(files.filter(QRegularExpression(u"^(no|si)/[^.].*:20$"_s)).size(), 2);
    }

    void journalText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        const QByteArray head = "cuaderno cambio 1\nquitar el dibujo 2\n";
        QTest::newRow("two steps") << head + "mover\tdibujos/1/a\tdibujos/1/.b\n"
                                             "sustituir\t.t\timpresora.txt\nfin\n"
                                   << true;
        QTest::newRow("no steps") << head + "fin\n" << true;
        QTest::newRow("cut short") << head + "mover\ta\tb\n" << false;
        QTest::newRow("not a journal") << QByteArray("hola\n") << false;
        QTest::newRow("out of the library") << head + "mover\tdibujos/../../a\tb\nfin\n" << false;
        QTest::newRow("absolute") << head + "mover\t/etc/passwd\tb\nfin\n" << false;
        QTest::newRow("unknown step") << head + "borrar\ta\tb\nfin\n" << false;
        QTest::newRow("one name") << head + "mover\ta\nfin\n" << false;
        QTest::newRow("after the end") << head + "fin\nmover\ta\tb\n" << false;
    }
    void journalText()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        const std::optional<Journal> journal = decodeJournal(text);
        QCOMPARE(journal.has_value(), valid);
        if (journal)
            QCOMPARE(encodeJournal(*journal), text);
    }

    void plantedJournal_data()
    {
        QTest::addColumn<int>("kind"); // 0 a step through a linked folder, 1 a pipe, 2 a device
        QTest::newRow("step through a link") << 0;
        QTest::newRow("pipe") << 1;
        QTest::newRow("endless device") << 2;
    }
    // A journal someone else planted: the next change neither hangs on it nor reaches a file
    // outside the library through it, and it is gone afterwards.
    void plantedJournal()
    {
        QFETCH(int, kind);
        DataTree tree;
        DataTree outside;
        addPair(tree, 1, 1);
        outside.text(u"carta.txt"_s, "mía\n");
        const QString journal = tree.path(QString::fromLatin1(journalFileName));
        QVERIFY(QFile::link(outside.root(), tree.path(u"fuera"_s)));
        if (kind == 0)
            tree.text(
                QString::fromLatin1(journalFileName),
                "cuaderno cambio 1\nquitar\nmover\tfuera/carta.txt\tfuera/.cuaderno-x\nfin\n");
        else if (kind == 1)
            QCOMPARE(::mkfifo(QFile::encodeName(journal).constData(), 0600), 0);
        else
            QVERIFY(QFile::link(u"/dev/zero"_s, journal));
        QVERIFY(Library(tree.root()).setPrinting(true).ok());
        QVERIFY(QFileInfo::exists(outside.path(u"carta.txt"_s)));
        QVERIFY(!QFileInfo::exists(journal) && !QFileInfo(journal).isSymLink());
    }

    void linksStayLinks_data()
    {
        QTest::addColumn<QString>("link");   // in the library
        QTest::addColumn<QString>("target"); // outside it; empty: a link to nothing
        QTest::addColumn<int>("change");     // 0 printing on, 1 remove drawing 3/1, 2 add to 3
        QTest::addColumn<bool>("works");
        QTest::newRow("switch to a file outside")
            << u"impresora.txt"_s << u"impresora.txt"_s << 0 << true;
        QTest::newRow("dangling switch") << u"impresora.txt"_s << QString() << 0 << true;
        QTest::newRow("category outside, removal")
            << u"dibujos/3"_s << u"dibujos/3"_s << 1 << false;
        QTest::newRow("category outside, addition")
            << u"dibujos/3"_s << u"dibujos/3"_s << 2 << false;
        QTest::newRow("coloured folder outside")
            << u"dibujos/3/si coloreado"_s << u"dibujos/3/si coloreado"_s << 1 << false;
        QTest::newRow("drawing file")
            << u"dibujos/3/si coloreado/1.JPG"_s << u"dibujos/3/si coloreado/1.JPG"_s << 1 << true;
    }
    void linksStayLinks()
    {
        QFETCH(QString, link);
        QFETCH(QString, target);
        QFETCH(int, change);
        QFETCH(bool, works);
        DataTree outside, tree;
        addPair(outside, 3, 1);
        outside.text(u"impresora.txt"_s, "NO\n");
        addPair(tree, 3, 1);
        addPair(tree, 3, 2);
        QVERIFY(QFile::remove(tree.path(link)) || QDir(tree.path(link)).removeRecursively());
        QVERIFY(QFile::link(target.isEmpty() ? outside.path(u"nada"_s) : outside.path(target),
                            tree.path(link)));
        const auto files = [&outside] {
            QFile text(outside.path(u"impresora.txt"_s));
            return snapshot(outside, 3) << QString::fromLatin1(
                       text.open(QIODevice::ReadOnly) ? text.readAll() : QByteArray());
        };
        const QStringList untouched = files();
        QImage picture(30, 20, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        Library library(tree.root());
        const int drawings = library.lastDrawingNumber(3);
        const auto add = [&] {
            const Outcome<int> added =
                library.addDrawing(3, picture, ColouredFormat::Jpeg, picture);
            return added ? Outcome<void>() : added.failure();
        };
        const Outcome<void> done = change == 0   ? library.setPrinting(true)
                                   : change == 1 ? library.removeDrawing(3, 1)
                                                 : add();
        QCOMPARE(done.ok(), works);
        QVERIFY2(works || done.error().contains(u"fuera de la biblioteca"),
                 qPrintable(done.error()));
        QCOMPARE(files(), untouched);
        QCOMPARE(library.printingEnabled(), change == 0);
        QCOMPARE(QFileInfo(tree.path(link)).isSymLink(), change != 0 && !works);
        QCOMPARE(library.lastDrawingNumber(3), drawings - (works && change == 1 ? 1 : 0));
    }

    void failuresSayWhatToDo_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        QTest::newRow("full disk") << ENOSPC << u"el disco está lleno; libere espacio"_s;
        QTest::newRow("read-only disk") << EROFS << u"el disco es de solo lectura; quite"_s;
        QTest::newRow("read-only folder") << EACCES << u"la carpeta es de solo lectura; permita"_s;
        QTest::newRow("folder gone") << ENOENT << u"ya no existe; compruebe"_s;
        // An outline left alone at the new number would join the new drawing.
        QTest::newRow("stray outline") << 0 << u"no forma un dibujo completo"_s;
    }
    void failuresSayWhatToDo()
    {
        QFETCH(int, code);
        QFETCH(QString, says);
        DataTree tree;
        addPair(tree, 1, 1);
        if (code == 0)
            addOutline(tree, 1, 2);
        const QStringList before = snapshot(tree, 1);
        QImage picture(30, 20, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        failWritesWith(code);
        const Outcome<int> added =
            Library(tree.root()).addDrawing(1, picture, ColouredFormat::Jpeg, picture);
        failWritesWith(0);
        QVERIFY2(added.error().contains(says), qPrintable(added.error()));
        QCOMPARE(snapshot(tree, 1), before);
        QCOMPARE(hiddenFiles(tree), QStringList());
    }

    void concurrentWritersTakeDistinctNumbers()
    {
        DataTree tree;
        addPair(tree, 2, 1);
        QProcess writers[4];
        for (QProcess& writer : writers)
            writer.start(QCoreApplication::applicationFilePath(),
                         {u"--add"_s, tree.root(), u"3"_s});
        QList<int> numbers;
        for (QProcess& writer : writers) {
            QVERIFY(writer.waitForFinished(-1));
            QCOMPARE(writer.exitCode(), 0);
            for (const QByteArray& line : writer.readAllStandardOutput().trimmed().split('\n'))
                numbers.append(line.toInt());
        }
        std::sort(numbers.begin(), numbers.end());
        QCOMPARE(numbers, QList<int>({2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
        // Thirteen whole pairs, and no lock or temporary file left behind.
        QCOMPARE(snapshot(tree, 2).size(), 26);
        QCOMPARE(QDir(tree.root()).entryList({u".*"_s}, QDir::Hidden | QDir::Files), QStringList());
        // While another holds the lock, the wait handler is asked until it gives up.
        QLockFile other(tree.path(u".cuaderno.lock"_s));
        QVERIFY(other.tryLock(0));
        Library waiting(tree.root());
        int asked = 0;
        waiting.setWaitHandler([&asked] { return ++asked < 3; });
        const Outcome<void> cancelled = waiting.setPrinting(true);
        QCOMPARE(std::tuple(cancelled.reason(), asked), std::tuple(Failure::Reason::Cancelled, 3));
    }

    void userLibraryLinksTheSamples_data()
    {
        QTest::addColumn<bool>("refused"); // rename flags refused, as on NFS
        QTest::newRow("local") << false;
        QTest::newRow("without rename flags") << true;
    }
    void userLibraryLinksTheSamples()
    {
        QFETCH(bool, refused);
        refuseRenameFlags(refused);
        const auto restore = qScopeGuard([] { refuseRenameFlags(false); });
        DataTree system, home;
        addPair(system, 1, 1);
        addPair(system, 1, 2, u".GIF"_s);
        addOutline(system, 1, 1);
        addOutline(system, 1, 2);
        system.text(u"impresora.txt"_s, "SI\n");
        system.text(u"cuaderno"_s, "the program, not data");
        const QString user = home.path(u"datos/cuaderno"_s);
        QVERIFY(Library::ensureUserLibrary(user, system.root()).ok());
        QVERIFY(QFileInfo(user + u"/dibujos/1/si coloreado/1.JPG").isSymLink());
        QVERIFY(!QFileInfo::exists(user + u"/cuaderno"));
        QVERIFY(!QFileInfo(user + u"/impresora.txt").isSymLink());
        // A later package drops sample 1: the user's next change drops its links and 2 becomes 1.
        QVERIFY(QFile::remove(system.path(u"dibujos/1/si coloreado/1.JPG"_s)));
        QVERIFY(QFile::remove(system.path(u"dibujos/1/no coloreado/1.GIF"_s)));
        QVERIFY(QFile::remove(system.path(u"dibujos/1/contornos/1.png"_s)));
        QVERIFY(Library(user).setPrinting(false).ok());
        QCOMPARE(Library(user).lastDrawingNumber(1), 1);
        QCOMPARE(QFileInfo(Library(user).drawingFiles(1, 1).coloured).symLinkTarget(),
                 system.path(u"dibujos/1/si coloreado/2.GIF"_s));
        QCOMPARE(QDir(user + u"/dibujos/1/contornos").entryList(QDir::System | QDir::Files),
                 QStringList{u"1.png"_s});
        QCOMPARE(QFileInfo(user + u"/dibujos/1/contornos/1.png").symLinkTarget(),
                 system.path(u"dibujos/1/contornos/2.png"_s));
        // A second call leaves the user's library as it is.
        QVERIFY(Library::ensureUserLibrary(user, system.root()).ok());
        QVERIFY(!Library(user).printingEnabled());
    }

private:
    DataTree broken_;
    QMultiMap<QString, Finding> findings_; // by file
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // A second writer for the lock test: adds drawings to category 2 and prints their numbers.
    if (argc == 4 && qstrcmp(argv[1], "--add") == 0) {
        QImage picture(30, 20, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        for (int i = 0; i < std::atoi(argv[3]); ++i) {
            const Outcome<int> added = Library(QString::fromLocal8Bit(argv[2]))
                                           .addDrawing(2, picture, ColouredFormat::Jpeg, picture);
            if (!added)
                return 1;
            std::printf("%d\n", added.value());
        }
        return 0;
    }
    TestLibrary test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_library.moc"
