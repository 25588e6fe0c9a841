// SPDX-License-Identifier: GPL-3.0-or-later
// Printing: the switch (as the book and the library read it), one page per press, and the
// message when the machine has no printer (every suite starts pointed at a print server that
// is not there).

#include "datatree.h"
#include "fixture.h"
#include "library/library.h"
#include "platform/qtprinter.h"

#include <QTest>

using namespace cuaderno;
using namespace cuaderno::test;
using namespace Qt::StringLiterals;

class TestPrinting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void printerSwitch_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("line"); // the switch as read at start-up
        QTest::addColumn<bool>("prints");

        const auto row = [](const char* tag, const QByteArray& content, const QString& line,
                            bool prints, const QString& name = u"impresora.txt"_s) {
            QTest::newRow(tag) << name << content << line << prints;
        };
        row("SI, CR LF", "SI\r\nNO\r\n", u"SI"_s, true);
        row("si, CR", "si\rNO", u"si"_s, true);
        row("Si, no line end", "Si", u"Si"_s, true);
        row("sI", "sI\n", u"sI"_s, true);
        row("trailing blank", "SI \n", u"SI "_s, false);
        row("leading blank", " SI\n", u" SI"_s, false);
        row("accented", "SÍ\n", u"SÍ"_s, false);
        row("S", "S\n", u"S"_s, false);
        row("SIS", "SIS\n", u"SIS"_s, false);
        row("NO", "NO\n", u"NO"_s, false);
        row("empty", "", {}, false);
        row("empty first line", "\nSI", {}, false);
        // Only so much of a line is read.
        row("huge without line end", QByteArray(1 << 20, 'S'), QString(4096, u'S'), false);
        row("absent", "SI\n", {}, false, {});
        row("hidden", "SI\n", {}, false, u".impresora.txt"_s);
        row("other letter case", "SI\n", {}, false, u"Impresora.txt"_s);
    }

    void printerSwitch()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, line);
        QFETCH(bool, prints);

        DataTree tree;
        if (!name.isEmpty()) {
            tree.text(name, content);
        }
        BookFixture f(tree.root());
        QCOMPARE(f.window->state.printerSwitch, line);
        // The parents' side reads the switch as the book does.
        QCOMPARE(Library(tree.root()).printingEnabled(), prints);
        // A page with nothing coloured yet: red and blue halves under white.
        f.window->canvas->setPicture(twoToneImage({300, 200}, Qt::red, Qt::blue));
        QImage cover(300, 200, QImage::Format_RGB32);
        cover.fill(Qt::white);
        f.window->canvas->paintLayer(cover, QRectF(0, 0, 4500, 3000), QRectF(0, 0, 4500, 3000));
        f.window->canvas->setWidthTwips(6000);
        f.window->printPage();
        f.window->printPage();
        // One job of one page per press, or nothing at all; never a message.
        QCOMPARE(f.printer.jobs.size(), prints ? 2 : 0);
        for (const RecordingPrinter::Job& job : f.printer.jobs) {
            // The canvas's own picture, not what the screen shows, at the canvas's size.
            QCOMPARE(job.picture, f.window->canvas->picture());
            QCOMPARE(job.sizeTwips, QSizeF(6000, 3000));
        }
        QVERIFY(f.messages.shown.isEmpty());
    }

    void noPrinter()
    {
        DataTree tree;
        tree.text(u"impresora.txt"_s, "si\n");
        QtPrinter printer;
        BookFixture f(tree.root(), 12000, 9000, &printer);
        f.window->printPage();
        f.window->printPage();
        QCOMPARE(f.messages.shown,
                 QStringList(2, u"Atención: No hay ninguna impresora instalada."_s));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
