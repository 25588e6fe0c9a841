// SPDX-License-Identifier: GPL-3.0-or-later
// The case-blind directory lookup, picture loading and the choice of library.

#include "datatree.h"
#include "platform/directorylookup.h"
#include "platform/libraryfolder.h"
#include "platform/parentspages.h"
#include "platform/pictures.h"
#include "platform/spanish.h"
#include "platform/startup.h"

#include <QFile>
#include <QTest>

using namespace cuaderno;
using cuaderno::test::DataTree;
using namespace Qt::StringLiterals;

class TestPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { prepareApplication(*QCoreApplication::instance()); }
    void lookup_data()
    {
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("found"); // empty when nothing may be found

        const auto row = [](const char* tag, const QString& asked, const QString& found) {
            QTest::newRow(tag) << asked << found;
        };
        row("exact", u"medida/1.gif"_s, u"1.gif"_s);
        row("file name in capitals", u"medida/1.GIF"_s, u"1.gif"_s);
        row("stored in capitals", u"medida/3.gif"_s, u"3.GIF"_s);
        row("mixed case", u"medida/4.gif"_s, u"4.Gif"_s);
        row("folder in capitals", u"MEDIDA/2.gif"_s, u"2.gif"_s);
        row("folders with blanks", u"DIBUJOS/1/SI COLOREADO/7.JPG"_s, u"7.jpg"_s);
        row("hidden file", u"medida/.5.gif"_s, {});
        row("folder named like the file", u"medida/6.gif"_s, {});
        row("missing folder", u"punteros/1.ico"_s, {});
        row("leading zero is another name", u"dibujos/1/si coloreado/7.GIF"_s, {});
        row("wildcard", u"medida/*.gif"_s, {});
        row("folder named with ? and upper-cased", u"¿QUÉ PINTO?/MEDIDA/1.GIF"_s, u"1.gif"_s);
        row("wildcard under that folder", u"¿Qué pinto?/medida/?.gif"_s, {});
        row("folder asked as file", u"medida"_s, {});
        row("under a hidden folder", u".local/cuaderno/medida/2.gif"_s, u"2.gif"_s);
    }
    void lookup()
    {
        QFETCH(QString, asked);
        QFETCH(QString, found);

        DataTree tree;
        for (const QString& name :
             {u"medida/1.gif"_s, u"medida/2.gif"_s, u"medida/3.GIF"_s, u"medida/4.Gif"_s,
              u"medida/.5.gif"_s, u"dibujos/1/si coloreado/07.GIF"_s, u"¿Qué pinto?/medida/1.gif"_s,
              u".local/cuaderno/medida/2.gif"_s}) {
            tree.picture(name, {4, 4});
        }
        tree.folder(u"medida/6.gif"_s);
        // Beside 07.GIF, a 7 in another format would answer for the wrong reason.
        if (!asked.endsWith(u"7.GIF")) {
            tree.picture(u"dibujos/1/si coloreado/7.jpg"_s, {4, 4});
        }

        QCOMPARE(DirectoryLookup::find(tree.path(asked)), found);
        // The application folder itself may be upper-cased, all the way from the root.
        QCOMPARE(DirectoryLookup::find(tree.path(asked).toUpper()), found);
        const QString resolved = DirectoryLookup::resolve(tree.path(asked));
        QCOMPARE(resolved.isEmpty(), found.isEmpty());
        if (!found.isEmpty()) {
            QVERIFY(QFile::exists(resolved));
            QVERIFY(resolved.endsWith(u'/' + found));
        }
    }
    void pictureLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: a real picture is written
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");      // 0 x 0 when the load fails
        QTest::addColumn<QString>("message"); // %1 is the path asked; empty when it loads

        const QString unreadable = u"El archivo «%1» no es una imagen que se pueda leer."_s;
        const auto tooBig = [](int side) -> QString {
            return u"La imagen «%1» es demasiado grande (%2 × %2 píxeles)."_s.replace(
                u"%2"_s, QString::number(side));
        };
        // A square GIF's screen and image headers with no pixel data.
        const auto emptyGif = [](int side) -> QByteArray {
            const char w[] = {char(side & 0xff), char(side >> 8)};
            const QByteArray size = QByteArray(w, 2).repeated(2);
            return "GIF89a" + size + QByteArray("\0\0\0,\0\0\0\0", 8) + size +
                   QByteArray("\0\x02\0;", 4);
        };
        const QSize small(8, 6);
        const QSize none(0, 0); // a null image's size
        QTest::newRow("picture") << QByteArray() << "1.jpg" << small << QString();
        QTest::newRow("asked in other case") << QByteArray() << "1.JPG" << small << QString();
        QTest::newRow("JPEG saved as GIF") << QByteArray("jpeg") << "7.GIF" << small << QString();
        QTest::newRow("zero bytes") << QByteArray("") << "2.gif" << none << unreadable;
        QTest::newRow("text posing as GIF")
            << QByteArray("not a picture") << "3.gif" << none << unreadable;
        QTest::newRow("truncated GIF header")
            << QByteArray("GIF89a\x10\x00") << "4.gif" << none << unreadable;
        // Headers that claim more pixels than the 64 MB limit allows are refused, not allocated;
        // a picture of a 4K screen's size is still taken.
        QTest::newRow("giant GIF") << emptyGif(65535) << "5.gif" << none << tooBig(65535);
        QTest::newRow("GIF just over 64 MB") << emptyGif(4097) << "5.gif" << none << tooBig(4097);
        QTest::newRow("GIF of 33 MB")
            << emptyGif(2900) << "5.gif" << QSize(2900, 2900) << QString();
        QTest::newRow("missing") << QByteArray("-") << "6.gif" << none
                                 << u"No se encuentra el archivo «%1»."_s;
    }
    void pictureLoad()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(QString, message);

        DataTree tree;
        if (bytes.isNull()) {
            tree.picture(u"1.jpg"_s, {8, 6});
        } else if (bytes == "jpeg") {
            tree.picture(u"x.jpg"_s, {8, 6});
            QVERIFY(QFile::rename(tree.path(u"x.jpg"_s), tree.path(name)));
        } else if (bytes != "-") {
            tree.text(name, bytes);
        }
        const PictureLoad load = Pictures::load(tree.path(name));
        QCOMPARE(load.image.size(), size);
        QCOMPARE(load.error, message.isEmpty() ? QString() : message.arg(tree.path(name)));
    }
    // The parents' pages decode a picture only as large as they show it, never under a pixel.
    void pictureWithin_data()
    {
        QTest::addColumn<QSize>("stored"); // invalid: a file that is no picture
        QTest::addColumn<QSize>("within"); // invalid: whole
        QTest::addColumn<QSize>("read");
        QTest::newRow("shrunk") << QSize(300, 60) << QSize(150, 100) << QSize(150, 30);
        QTest::newRow("sliver") << QSize(900, 2) << QSize(150, 100) << QSize(150, 1);
        QTest::newRow("whole") << QSize(30, 20) << QSize() << QSize(30, 20);
        QTest::newRow("no picture") << QSize() << QSize(150, 100) << QSize(0, 0);
    }
    void pictureWithin()
    {
        QFETCH(QSize, stored);
        QFETCH(QSize, within);
        QFETCH(QSize, read);
        DataTree tree;
        stored.isValid() ? tree.picture(u"1.png"_s, stored) : tree.text(u"1.png"_s, "PNG");
        QCOMPARE(readPictureWithin(tree.path(u"1.png"_s), within).size(), read);
    }

    // Only one takes the singular; a run of one is one number; a message ends as a sentence.
    void spanishForms_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("said");
        QTest::newRow("0") << 0 << u"Quedan 0 más: los dibujos del 0 al 5."_s;
        QTest::newRow("1") << 1 << u"Queda 1 más: los dibujos del 1 al 5."_s;
        QTest::newRow("2") << 2 << u"Quedan 2 más: los dibujos del 2 al 5."_s;
        QTest::newRow("5") << 5 << u"Quedan 5 más: el dibujo 5."_s;
    }
    void spanishForms()
    {
        QFETCH(int, count);
        QFETCH(QString, said);
        const QString run = numberRange(count, 5, u"el dibujo %1"_s, u"los dibujos del %1 al %2"_s);
        QCOMPARE(sentence(plural(count, u"queda %1 más"_s, u"quedan %1 más"_s) + u": " + run),
                 said);
    }

    // What the book, the parents' window and the command line all open.
    void libraryChoice_data()
    {
        QTest::addColumn<QString>("dataHome");      // XDG_DATA_HOME, @ the home; empty: unset
        QTest::addColumn<QString>("made");          // the user's library made, under the home
        QTest::addColumn<QStringList>("arguments"); // @ the test's folder
        QTest::addColumn<QString>(
            "chosen"); // under the test's folder; -: the system's; empty: refused
        const QString own = u"home/.local/share/cuaderno"_s;
        QTest::newRow("no user library") << QString() << QString() << QStringList() << u"-"_s;
        QTest::newRow("default place") << QString() << own.mid(5) << QStringList() << own;
        QTest::newRow("XDG_DATA_HOME")
            << u"@/xdg"_s << u"xdg/cuaderno"_s << QStringList{u"-x"_s} << u"home/xdg/cuaderno"_s;
        QTest::newRow("elsewhere than XDG_DATA_HOME")
            << u"@/xdg"_s << own.mid(5) << QStringList() << u"-"_s;
        QTest::newRow("relative XDG_DATA_HOME ignored")
            << u"xdg"_s << own.mid(5) << QStringList() << own;
        QTest::newRow("--carpeta over the user's")
            << QString() << own.mid(5) << QStringList{u"-x"_s, u"--carpeta"_s, u"@/otra"_s}
            << u"otra"_s;
        QTest::newRow("--carpeta=, trailing separator")
            << QString() << QString() << QStringList{u"--carpeta=@/otra/"_s, u"-x"_s} << u"otra"_s;
        QTest::newRow("--carpeta without its folder")
            << QString() << own.mid(5) << QStringList{u"-x"_s, u"--carpeta"_s} << QString();
        QTest::newRow("--carpeta= empty")
            << QString() << QString() << QStringList{u"--carpeta="_s} << QString();
        QTest::newRow("--carpeta of a missing folder")
            << QString() << own.mid(5) << QStringList{u"--carpeta"_s, u"@/falta"_s} << QString();
    }
    void libraryChoice()
    {
        QFETCH(QString, dataHome);
        QFETCH(QString, made);
        QFETCH(QStringList, arguments);
        QFETCH(QString, chosen);
        DataTree tree;
        tree.folder(u"otra"_s);
        if (!made.isEmpty())
            tree.folder(u"home/"_s + made);
        qputenv("HOME", tree.path(u"home"_s).toLocal8Bit());
        qputenv("XDG_DATA_HOME",
                QString(dataHome).replace(u'@', tree.path(u"home"_s)).toLocal8Bit());
        QStringList rest = arguments.replaceInStrings(u"@"_s, tree.root());
        QString error;
        const QString given = takeFolderOption(rest, error);
        QCOMPARE(rest.join(u' '), arguments.contains(u"-x"_s) ? u"-x"_s : QString());
        QCOMPARE(error.isEmpty(), !chosen.isEmpty());
        if (chosen.isEmpty())
            return;
        const LibraryFolders folders = LibraryFolders::forThisUser();
        QCOMPARE(folders.system, QCoreApplication::applicationDirPath());
        QCOMPARE(folders.chosen(given), chosen == u"-" ? folders.system : tree.path(chosen));
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
