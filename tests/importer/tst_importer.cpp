// SPDX-License-Identifier: GPL-3.0-or-later
#include "datatree.h"
#include "importer.h"

#include <QBuffer>
#include <QDirIterator>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QTest>

using namespace cuaderno;
using cuaderno::test::DataTree;

// A 16 × 16 CMYK JPEG, in hexadecimal.
const char cmykJpeg[] =
    "ffd8ffee000e41646f626500640000000002ffdb0043000a07070807060a0808080b0a0a0b0e18100e0d0d0e1d15"
    "161118231f2524221f2221262b372f26293429212230413134393b3e3e3e252e4449433c48373d3e3bffdb004301"
    "0a0b0b0e0d0e1c10101c3b2822283b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b"
    "3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3b3bffc00014080010001004012200021101031101042200ffc400160001"
    "010100000000000000000000000000000607ffc40014100100000000000000000000000000000000ffc400150101"
    "0100000000000000000000000000000607ffc40014110100000000000000000000000000000000ffda000e040100"
    "021103110400003f00a90089196cc03fffd9";

// Pictures that hang, loop, take memory or crash inside the decoders and renderers (the first
// three through the helper's test hook); their names.
QStringList writeHostilePictures(DataTree& tree)
{
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' "
                           "xmlns:xlink='http://www.w3.org/1999/xlink' width='800' height='520'";
    QStringList names{u"hook-sleep.png"_qs, u"hook-memory.png"_qs, u"hook-crash.png"_qs};
    for (const QString& name : names)
        tree.picture(name, QSize(200, 130));
    QByteArray path = "M0 0", nested = "<circle id='u0' r='5'/>", sheet, classes, embedded;
    for (int point = 1; point <= 10000; ++point)
        path += " L" + QByteArray::number(point * 37 % 800) + ' ' +
                QByteArray::number(point * 91 % 520);
    for (int level = 1; level <= 16; ++level)
        nested +=
            "<g id='u" + QByteArray::number(level) + "'>" +
            QByteArray("<use xlink:href='#u" + QByteArray::number(level - 1) + "'/>").repeated(3) +
            "</g>";
    for (int rule = 0; rule < 1000; ++rule) {
        sheet += ".c" + QByteArray::number(rule) + "{fill:#f00}";
        classes += "<rect class='c" + QByteArray::number(rule) + "' width='0' height='0'/>";
    }
    QImage clear(4000, 4000, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    clear.save(&png, "PNG");
    embedded = QByteArray("<image width='4000' height='4000' xlink:href='data:image/png;base64," +
                          png.data().toBase64() + "'/>")
                   .repeated(20);
    const std::pair<const char*, QByteArray> files[] = {
        {"camino.svg", svg + "><path fill='red' d='" + path + "'/></svg>"},
        {"texto.svg",
         svg + " viewBox='NaN 1e308 NaN 1e308'><text>" + QByteArray(10000, 'W') + "</text></svg>"},
        {"usos.svg",
         svg + " viewBox='0 0 0 0'><defs>" + nested + "</defs><use xlink:href='#u16'/></svg>"},
        {"muchos.svg", svg + "><defs><circle id='c' r='5'/></defs>" +
                           QByteArray("<use xlink:href='#c'/>").repeated(400000) + "</svg>"},
        {"hondo.svg", svg + ">" + QByteArray("<g>").repeated(20000) +
                          "<rect width='9' height='9'/>" + QByteArray("</g>").repeated(20000) +
                          "</svg>"},
        {"incrustado.svg", svg + ">" + embedded + "</svg>"},
        {"estilos.svg", svg + "><style>" + sheet + "</style>" + classes + "</svg>"}};
    for (const auto& [name, text] : files) {
        names.append(QString::fromLatin1(name));
        tree.text(names.last(), text);
    }
    return names;
}

class TestImporter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oddPicturesAreRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("warned");
        QTest::newRow("animated GIF: first frame") << "animado.gif" << QSize(800, 400) << false;
        // Trimmed to the rectangle drawn on it, with a margin: 84 × 64 pixels.
        QTest::newRow("16-bit PNG on transparency") << "hondo.png" << QSize(683, 520) << false;
        QTest::newRow("JPEG turned by EXIF") << "girado.jpg" << QSize(260, 520) << false;
        QTest::newRow("CMYK JPEG, tiny") << "cmyk.jpg" << QSize(520, 520) << true;
        // Its page shows nothing; the drawing, far outside it, is what fills the canvas.
        QTest::newRow("SVG drawn outside its page") << "fuera.svg" << QSize(800, 421) << false;
    }
    void oddPicturesAreRead()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(bool, warned);
        DataTree tree;
        tree.animation(u"animado.gif"_qs, {Qt::red, Qt::blue}, QSize(200, 100));
        QImage deep(200, 100, QImage::Format_RGBA64);
        deep.fill(Qt::transparent);
        QPainter(&deep).fillRect(60, 20, 80, 60, Qt::red);
        tree.image(u"hondo.png"_qs, deep);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly) &&
                test::twoToneImage(QSize(160, 80), Qt::red, Qt::blue).save(&buffer, "JPEG", 95));
        // EXIF after the start marker, big-endian: orientation 6, turn a quarter clockwise.
        tree.text(u"girado.jpg"_qs,
                  jpeg.insert(2, QByteArray::fromHex("ffe10022457869660000"
                                                     "4d4d002a0000000800010112000300000001"
                                                     "0006000000000000")));
        tree.text(u"cmyk.jpg"_qs, QByteArray::fromHex(cmykJpeg));
        tree.text(u"fuera.svg"_qs, "<svg xmlns='http://www.w3.org/2000/svg' width='100' "
                                   "height='100'><rect x='5000' y='5000' width='200' height='100' "
                                   "fill='red'/></svg>");
        const Outcome<importer::Prepared> prepared =
            importer::prepare(tree.path(name), {QSize(800, 520), importer::ForcedKind::Coloured});
        QVERIFY2(prepared.ok(), qPrintable(prepared.error()));
        const lineart::ColouringPage& page = prepared.value().page;
        QCOMPARE(page.coloured.size(), size);
        // Red in the middle of the upper half: the turned JPEG's left half went on top.
        const QColor red = page.coloured.pixelColor(size.width() / 2, size.height() / 4);
        QVERIFY2(red.red() > 200 && red.green() < 70 && red.blue() < 70, qPrintable(red.name()));
        if (name == u"hondo.png") // transparency composited on white
            QCOMPARE(page.coloured.pixel(5, 5), qRgb(255, 255, 255));
        QCOMPARE(prepared.value().warnings.size(), int(warned));
        QCOMPARE(prepared.value().warnings.filter(name).size(), int(warned));
    }

    // Through the command teachers' scripts call: every bad file gets a Spanish message naming
    // it, nothing of it is written, and the good files among them are still imported.
    void badFilesAreRefusedOthersImported()
    {
        DataTree tree;
        tree.folder(u"biblioteca"_qs);
        QStringList good;
        for (int index = 0; index < 10; ++index) {
            good.append(u"bueno%1.png"_qs.arg(index));
            tree.image(good.last(),
                       test::twoToneImage(QSize(200, 130), QColor(250, 120, 20 * index), Qt::blue));
        }
        tree.text(u"texto.png"_qs, "esto no es una imagen");
        tree.text(u"vacio.png"_qs, "");
        tree.picture(u"cortado.png"_qs, QSize(200, 130));
        QVERIFY(QFile::resize(tree.path(u"cortado.png"_qs), 60)); // past the header, in the data
        tree.text(u"enorme.png"_qs,
                  QByteArray::fromHex("89504e470d0a1a0a0000000d494844520000ea600000ea6008020000000f"
                                      "b0e2150000000c49444154789c"
                                      "6360a03d00000064000186643c350000000049454e44ae426082"));
        tree.text(u"entidades.svg"_qs,
                  "<?xml version='1.0'?><!DOCTYPE svg [<!ENTITY a 'aaaaaaaaaa'>"
                  "<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;'>]><svg xmlns='http://www.w3.org/2000/svg'"
                  " width='10' height='10'><text>&b;</text></svg>");
        tree.text(u"externo.svg"_qs, "<svg xmlns='http://www.w3.org/2000/svg' width='10' "
                                     "height='10'><image href='file:///etc/hostname'/></svg>");
        tree.folder(u"carpeta.png"_qs);
        QImage clear(200, 130, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        tree.image(u"transparente.png"_qs, clear);
        tree.text(u"nada.svg"_qs, "<svg xmlns='http://www.w3.org/2000/svg' width='10' "
                                  "height='10'><g/></svg>");
        // A progressive JPEG claiming 9000 × 9000: its coefficients alone would take 243 MB.
        QByteArray progressive;
        QBuffer progressiveBuffer(&progressive);
        QImageWriter writer(&progressiveBuffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        QVERIFY(progressiveBuffer.open(QIODevice::WriteOnly) &&
                writer.write(test::twoToneImage(QSize(64, 64), Qt::red, Qt::blue)));
        const qsizetype frame = progressive.indexOf("\xFF\xC2");
        QVERIFY(frame > 0);
        progressive.replace(frame + 5, 4, QByteArray::fromHex("23282328"));
        tree.text(u"progresivo.jpg"_qs, progressive);
        // An SVG behind a long comment, named as a PNG: Qt's own reader would draw it unchecked.
        tree.text(u"disfrazado.png"_qs,
                  "<!--" + QByteArray(5000, ' ') +
                      "--><svg xmlns='http://www.w3.org/2000/svg' width='200' "
                      "height='130'><rect width='90' height='60' fill='red'/>"
                      "<image href='file:///etc/hostname'/></svg>");
        const QStringList hostile = writeHostilePictures(tree);
        const QStringList bad =
            QStringList{u"texto.png"_qs,   u"vacio.png"_qs,      u"cortado.png"_qs,
                        u"enorme.png"_qs,  u"entidades.svg"_qs,  u"externo.svg"_qs,
                        u"carpeta.png"_qs, u"falta.png"_qs,      u"transparente.png"_qs,
                        u"nada.svg"_qs,    u"progresivo.jpg"_qs, u"disfrazado.png"_qs} +
            hostile;
        QStringList files; // the good ones among the bad, so that the batch must go on
        for (qsizetype index = 0; index < bad.size(); ++index)
            files += index % 2 == 0 ? QStringList{bad[index], good.value(index / 2)}
                                    : QStringList{bad[index]};
        files.removeAll(QString());
        QProcess program;
        program.setWorkingDirectory(tree.root());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"CUADERNO_WORKER_TEST_HOOK"_qs, u"1"_qs);
        environment.insert(u"CUADERNO_WORKER_MEMORY_MB"_qs, u"512"_qs);
        // Any two helpers pass this together: each killed for it must be run again alone.
        environment.insert(u"CUADERNO_WORKER_SHARED_MB"_qs, u"16"_qs);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(CUADERNO_BIBLIOTECA),
                      QStringList{u"importar"_qs, u"--carpeta"_qs, u"biblioteca"_qs,
                                  u"--categoria"_qs, u"4"_qs} +
                          files);
        QVERIFY(program.waitForFinished(240000));
        QCOMPARE(program.exitCode(), 1);
        const QStringList errors =
            QString::fromUtf8(program.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
        for (const QString& file : bad)
            QVERIFY2(errors.filter(u"«" + file + u"»").size() == 1, qPrintable(file));
        // Too large is not damaged: the message says how to make the picture smaller.
        for (const QString& file : {u"enorme.png"_qs, u"progresivo.jpg"_qs}) {
            const QString error = errors.filter(u"«" + file + u"»").value(0);
            QVERIFY2(error.contains(u"demasiado grande") && error.contains(u"Redúzcala"),
                     qPrintable(error));
        }
        // The helper ended by its limits: one message, whatever stopped it.
        for (const QString& file : hostile.mid(0, 3))
            QVERIFY2(errors.filter(u"«" + file + u"» es demasiado grande o complejo").size() == 1,
                     qPrintable(file));
        QString added;
        QStringList expected;
        for (qsizetype index = 0; index < good.size(); ++index) {
            added += u"«%1» es ahora el dibujo %2 de la categoría 4.\n"_qs.arg(good[index])
                         .arg(index + 1);
            for (const QString& version : {u"no coloreado"_qs, u"si coloreado"_qs})
                expected.append(u"dibujos/4/%1/%2.GIF"_qs.arg(version).arg(index + 1));
            expected.append(u"dibujos/4/contornos/%1.svg"_qs.arg(index + 1));
        }
        QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()), added);
        QDirIterator it(tree.path(u"biblioteca"_qs), QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        QStringList written;
        while (it.hasNext())
            written.append(it.next().section(u'/', -4));
        written.sort();
        expected.sort();
        QCOMPARE(written, expected);
    }

    // Files made to hurt: each ends with a drawing, or with a message naming it that says why.
    void hostileFilesEndWell_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("refusal"); // empty: a drawing
        const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='300' height='200'>";
        const QByteArray circle = "<defs><circle id='c0' cx='9' cy='9' r='8' fill='red'/>";
        QByteArray sheet = svg + "<style>", shapes, nested = svg + circle, claimed = svg;
        for (int i = 0; i < 1000; ++i) {
            sheet += QByteArray(".c%1{fill:#%2}")
                         .replace("%1", QByteArray::number(i))
                         .replace("%2", QByteArray::number(0x100000 + i * 997, 16));
            shapes += "<rect class='c" + QByteArray::number(i) + "' x='" +
                      QByteArray::number(i % 280) + "' width='9' height='9'/>";
        }
        for (int level = 1; level <= 11; ++level) // each draws the level below three times
            nested += "<g id='c" + QByteArray::number(level) + "'>" +
                      QByteArray("<use href='#c%'/>")
                          .replace('%', QByteArray::number(level - 1))
                          .repeated(3) +
                      "</g>";
        // A PNG header claiming 4000 × 4000 pixels, base64.
        const QByteArray png =
            "iVBORw0KGgoAAAANSUhEUgAAD6AAAA+gCAYAAADuf+MCAAAAC0lEQVR4nGNggAAAAAgAAbdY"
            "c5UAAAAASUVORK5CYII=";
        for (int i = 0; i < 5; ++i)
            claimed += "<image width='9' height='9' href='data:image/png;base64," + png + "'/>";
        // The CMYK JPEG's frame made progressive, and 10000 × 10000.
        QByteArray progressive = QByteArray::fromHex(
            QByteArray(cmykJpeg).replace("ffc00014080010001004", "ffc20014082710271004"));
        const QString complex = u"demasiado complejo"_qs, impossible = u"tamaño imposible"_qs;
        QTest::newRow("1000 style rules over 1000 shapes")
            << sheet + "</style>" + shapes + "</svg>" << QString();
        QTest::newRow("2000 nested groups")
            << svg + QByteArray("<g>").repeated(2000) + QByteArray("</g>").repeated(2000) + "</svg>"
            << complex;
        QTest::newRow("100001 elements")
            << svg + QByteArray("<g/>").repeated(100001) + "</svg>" << complex;
        QTest::newRow("uses nested 11 deep, 3 each")
            << nested + "</defs><use href='#c11'/></svg>" << complex;
        const QByteArray group = "<g id='g'>" + QByteArray("<rect width='9'/>").repeated(100) +
                                 "</g>" + QByteArray("<use href='#g'/>").repeated(600);
        QTest::newRow("a group of 100 drawn 600 times") << svg + group + "</svg>" << complex;
        QTest::newRow("the same, its id given again to an empty group")
            << svg + group + "<g id='g'/></svg>" << complex;
        QTest::newRow("a use inside its target")
            << svg + "<g id='a'><rect width='9' height='9'/><use href='#a'/></g></svg>" << complex;
        QTest::newRow("NaN viewBox, long text")
            << "<svg xmlns='http://www.w3.org/2000/svg' viewBox='NaN 1e308 NaN 1e308'><text>" +
                   QByteArray(300, 'a') + "</text></svg>"
            << impossible;
        QTest::newRow("empty viewBox")
            << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 0 0'><circle "
                          "r='5'/></svg>")
            << impossible;
        QTest::newRow("width of 2^29")
            << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='536870912' height='1'/>")
            << impossible;
        QTest::newRow("17 embedded pictures")
            << svg +
                   QByteArray("<image href='data:image/gif;base64,R0lGODlhAQABAAAAACw='/>")
                       .repeated(17) +
                   "</svg>"
            << u"demasiadas imágenes"_qs;
        QTest::newRow("80 Mpx of embedded pictures")
            << claimed + "</svg>" << u"demasiadas imágenes"_qs;
        QTest::newRow("progressive CMYK 10000 × 10000") << progressive << u"Redúzcala"_qs;
        QTest::newRow("the same, its frame behind stray bytes")
            << progressive.insert(progressive.indexOf("\xFF\xDB"), QByteArray(3, '\x00'))
            << u"Redúzcala"_qs;
    }
    void hostileFilesEndWell()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, refusal);
        DataTree tree;
        const QString name = content.startsWith("<") ? u"dibujo.svg"_qs : u"foto.jpg"_qs;
        tree.text(name, content);
        const Outcome<importer::Prepared> prepared = importer::prepare(tree.path(name), {});
        if (refusal.isEmpty()) {
            QVERIFY2(prepared.ok(), qPrintable(prepared.error()));
            QVERIFY(!prepared.value().page.isNull());
        } else {
            QVERIFY(!prepared.ok());
            QVERIFY2(prepared.error().contains(refusal) && prepared.error().contains(name),
                     qPrintable(prepared.error()));
        }
    }

    // A helper that cannot run is not a picture's fault: the message says to reinstall.
    void helperThatCannotRun_data()
    {
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<QString>("message");
        const QString reinstall = u"No se puede ejecutar «cuaderno-convertir»"_qs;
        QTest::newRow("not a program") << QByteArray("texto") << reinstall;
        QTest::newRow("a library missing") << QByteArray("#!/bin/sh\nexit 127\n") << reinstall;
        QTest::newRow("a signal") << QByteArray("#!/bin/sh\nkill -SEGV $$\n") << u"o complejo"_qs;
    }
    void helperThatCannotRun()
    {
        QFETCH(QByteArray, program);
        QFETCH(QString, message);
        DataTree tree;
        tree.text(u"convertir"_qs, program);
        const QString helper = tree.path(u"convertir"_qs);
        QVERIFY(QFile::setPermissions(helper, QFile::ExeOwner | QFile::ReadOwner));
        importer::setWorkerProgram(helper);
        const Outcome<importer::Prepared> prepared = importer::prepareApart(helper + u".png", {});
        importer::setWorkerProgram({});
        QVERIFY2(prepared.error().contains(message), qPrintable(prepared.error()));
    }

    void canvasBoundsLeaveTheButtonRow()
    {
        // 1125 + 100 twips of buttons at 15 twips a pixel leave 81.7 pixels.
        QCOMPARE(importer::canvasBounds({1920, 1080}, 15.0f), QSize(1920, 998));
        QCOMPARE(importer::canvasBounds({800, 600}, 15.0f), QSize(800, 518));
        QCOMPARE(importer::canvasBounds({}, 15.0f), importer::defaultBounds); // no screen
    }
};

QTEST_MAIN(TestImporter)
#include "tst_importer.moc"
