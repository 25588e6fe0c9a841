// SPDX-License-Identifier: GPL-3.0-or-later
// The library as the parents' tools change it: the checker, renumbering, the lock against a
// second writer, all-or-nothing renames, the user's library and the launcher's choice of it.

#include "datatree.h"
#include "extras.h"
#include "library/checker.h"
#include "library/library.h"
#include "library/safefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QImageReader>
#include <QLockFile>
#include <QProcess>
#include <QTest>

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

// Every file of a category as "folder/name:width", in order of folder and name.
QStringList snapshot(const DataTree& tree, int category)
{
    QStringList files;
    for (const QString& folder : {u"no coloreado"_s, u"si coloreado"_s}) {
        const QDir dir(tree.path(QStringLiteral("dibujos/%1/").arg(category) + folder));
        for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::System |
                                                       QDir::NoDotAndDotDot | QDir::Hidden))
            files.append(folder.left(2) + u'/' + info.fileName() + u':' +
                         QString::number(QImageReader(info.filePath()).size().width()));
    }
    return files;
}

} // namespace

class TestLibrary : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // One of each problem, category by category; categories 9 and 10 are sound.
        for (int category = 1; category <= 10; ++category)
            addPair(broken_, category, 1);
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
        for (const Finding& finding : checkLibrary(broken_.root()))
            findings_.insert(finding.file, finding);
        QCOMPARE(findings_.size(), 16); // one a row of checker_data, none for the sound parts
    }

    void checker_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("says");
        const auto row = [](const char* name, int c, int n, const char* file, const char* says) {
            QTest::newRow(name) << c << n << QString::fromUtf8(file) << QString::fromUtf8(says);
        };
        row("gap", 1, 2, "dibujos/1/si coloreado/2.GIF", "falta el dibujo 2");
        row("leading zero", 1, 0, "dibujos/1/si coloreado/07.GIF", "no lee este nombre");
        row("no uncoloured", 2, 2, "dibujos/2/si coloreado/2.JPG", "falta la versión sin colorear");
        row("png", 2, 0, "dibujos/2/si coloreado/3.png", "no lee este nombre");
        row("no coloured", 3, 2, "dibujos/3/no coloreado/2.GIF", "falta la versión en color");
        row("sizes differ", 4, 1, "dibujos/4/si coloreado/1.JPG",
            "10 × 20 y la sin colorear 9 × 20");
        row("not a picture", 5, 1, "dibujos/5/si coloreado/1.JPG", "no es una imagen");
        row("too large", 6, 2, "dibujos/6/si coloreado/2.GIF", "1100 × 20");
        row("broken link", 7, 2, "dibujos/7/si coloreado/2.GIF", "ya no existe");
        row("folder", 8, 2, "dibujos/8/si coloreado/2.GIF", "no es un archivo");
        row("fifo", 8, 3, "dibujos/8/si coloreado/3.GIF", "no es un archivo");
        row("brush gap", 0, 2, "medida/2.gif", "falta el número 2 de los pinceles");
        row("pointer", 0, 1, "punteros/1.ico", "no es una imagen");
        row("no animation", 0, 1, "animados/1.gif", "falta el primero");
        row("no background", 0, 0, "fondo.gif", "falta el fondo");
        row("sound", 0, 0, "sonido2.wav", "no se puede reproducir");
    }
    void checker()
    {
        QFETCH(int, category);
        QFETCH(int, number);
        QFETCH(QString, file);
        QFETCH(QString, says);
        const Finding found = findings_.value(file);
        QCOMPARE(std::tuple(found.category, found.number), std::tuple(category, number));
        QVERIFY2(found.message.contains(says), qPrintable(found.message));
        QVERIFY(!found.message.contains(u'\n'));
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
        const QStringList four = {u"no/1.GIF:10"_s, u"no/2.GIF:20"_s, u"no/3.GIF:30"_s,
                                  u"no/4.GIF:40"_s, u"si/1.JPG:10"_s, u"si/2.GIF:20"_s,
                                  u"si/3.JPG:30"_s, u"si/4.jpg:40"_s};
        QTest::newRow("middle") << 1 << 2 << 2 << true
                                << QStringList{u"no/1.GIF:10"_s, u"no/2.GIF:30"_s,
                                               u"no/3.GIF:40"_s, u"si/1.JPG:10"_s,
                                               u"si/2.JPG:30"_s, u"si/3.jpg:40"_s};
        QTest::newRow("last") << 1 << 4 << 0 << true << four.mid(0, 3) + four.mid(4, 3);
        QTest::newRow("stale list") << 1 << 2 << 3 << false << four;
        QTest::newRow("no such number") << 1 << 5 << 0 << false << four;
        QTest::newRow("no such category") << 11 << 1 << 0 << false << four;
        // A folder named like drawing 3's uncoloured file: nothing may move.
        QTest::newRow("folder in the way") << 2 << 1 << 0 << false << QStringList();
        // The link of drawing 2 points nowhere: it goes and 3 becomes 2 before 2 is removed.
        QTest::newRow("dangling link")
            << 3 << 2 << 0 << true
            << QStringList{u"no/1.GIF:10"_s, u"no/2.GIF:40"_s, u"si/1.JPG:10"_s, u"si/2.JPG:40"_s};
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
        for (int n : {1, 2, 3})
            addPair(tree, 2, n);
        QVERIFY(QFile::remove(tree.path(u"dibujos/2/no coloreado/3.GIF"_s)));
        tree.folder(u"dibujos/2/no coloreado/3.GIF"_s);
        for (int n : {1, 3, 4})
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

    void moveAllOrNoneUndoes_data()
    {
        QTest::addColumn<int>("failAt"); // which of the three renames fails; -1 none
        QTest::newRow("first") << 0;
        QTest::newRow("between the two files") << 1;
        QTest::newRow("last") << 2;
        QTest::newRow("none") << -1;
    }
    void moveAllOrNoneUndoes()
    {
        QFETCH(int, failAt);
        DataTree tree;
        QList<Move> moves;
        for (const QString& name : {u"a"_s, u"b"_s, u"c"_s}) {
            tree.text(name, name.toUtf8());
            moves.append({tree.path(name), tree.path(name.toUpper() + u".GIF")});
        }
        int call = 0;
        const Outcome<void> moved =
            moveAllOrNone(moves, [&](const QString& from, const QString& to) {
                return call++ == failAt ? Outcome<void>(Failure{u"disco lleno"_s})
                                        : renameNoReplace(from, to);
            });
        QCOMPARE(moved.ok(), failAt < 0);
        QCOMPARE(QDir(tree.root()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (failAt < 0 ? QStringList{u"A.GIF"_s, u"B.GIF"_s, u"C.GIF"_s}
                             : QStringList{u"a"_s, u"b"_s, u"c"_s}));
    }

    void userLibraryLinksTheSamples()
    {
        DataTree system, home;
        addPair(system, 1, 1);
        addPair(system, 1, 2, u".GIF"_s);
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
        QVERIFY(Library(user).setPrinting(false).ok());
        QCOMPARE(Library(user).lastDrawingNumber(1), 1);
        QCOMPARE(QFileInfo(Library(user).drawingFiles(1, 1).coloured).symLinkTarget(),
                 system.path(u"dibujos/1/si coloreado/2.GIF"_s));
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
