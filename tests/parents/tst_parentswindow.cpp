// SPDX-License-Identifier: GPL-3.0-or-later
// The parents' window driven as a parent would: add a picture, remove a drawing, switch printing,
// stop a batch; judged by the files in the library and what the window lists.

#include "datatree.h"
#include "library/library.h"
#include "parents/checkpage.h"
#include "parents/drawingspage.h"
#include "parents/familylibrary.h"
#include "parents/importpage.h"
#include "parents/parentswindow.h"
#include "parents/progressrow.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QLockFile>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <unistd.h>

using namespace cuaderno;
using test::DataTree;
using namespace Qt::StringLiterals;

namespace {

// How long to wait for the worker: long enough for a sanitizer build, not a measure of speed.
constexpr int workMs = 120'000;
const QList<QColor> drawingColours = {Qt::red, Qt::green, Qt::blue, Qt::yellow};

// A system library, the user's own (a folder not made yet unless `own`) and the window on them.
struct Fixture {
    explicit Fixture(bool own) : own(own), userFolder(own ? user.root() : user.path(u"propia"_s)) {}
    DataTree& library() { return own ? user : system; }
    ParentsWindow& open()
    {
        window.emplace(new FamilyLibrary({userFolder, system.root()}));
        window->show();
        return *window;
    }
    void addDrawings(int category, int count)
    {
        const QString name = QStringLiteral("dibujos/%1/%2/%3.GIF").arg(category);
        for (int number = 1; number <= count; ++number) {
            library().picture(name.arg(u"si coloreado"_s).arg(number), {80, 52},
                              drawingColours.at(number - 1));
            library().picture(name.arg(u"no coloreado"_s).arg(number), {80, 52}, Qt::white);
        }
    }
    // Two flat colours and a black frame, or the frame alone: a picture or an outline page.
    QString picture(const QString& name, bool coloured)
    {
        QImage image = test::twoToneImage({240, 160}, coloured ? Qt::yellow : Qt::white,
                                          coloured ? QColor(120, 190, 240) : QColor(Qt::white));
        QPainter painter(&image);
        painter.setPen(QPen(Qt::black, 3));
        painter.drawRect(30, 30, 180, 100);
        painter.end();
        files.image(name, image);
        return files.path(name);
    }

    bool own;
    DataTree user, system, files;
    QString userFolder;
    std::optional<ParentsWindow> window;
};

// The print preview as a parent who prints at once; the pages go into a PDF in memory, counted.
class CountingPreview final : public PrintPreview {
public:
    int pages = 0;
    QPageSize printed; // the paper of the last page
    bool previewAndPrint(QWidget*, QPageSize, const Paint& paint) override
    {
        QBuffer pdf;
        pdf.open(QIODevice::WriteOnly);
        Counter device(&pdf);
        device.setPageSize(QPageSize(QPageSize::A5)); // as chosen in the print dialog
        paint(device);
        pages = device.newPages + 1;
        printed = device.pageLayout().pageSize();
        return true;
    }

private:
    struct Counter final : QPdfWriter {
        using QPdfWriter::QPdfWriter;
        bool newPage() override { return ++newPages, QPdfWriter::newPage(); }
        int newPages = 0;
    };
};

// The picture helpers this process has running.
int helpers()
{
    int count = 0;
    for (const QFileInfo& process : QDir(u"/proc"_s).entryInfoList(QDir::Dirs)) {
        QFile stat(process.filePath() + u"/stat"_s), command(process.filePath() + u"/cmdline"_s);
        if (stat.open(QIODevice::ReadOnly) && command.open(QIODevice::ReadOnly) &&
            stat.readAll().split(')').last().split(' ').value(2).toLongLong() == getpid() &&
            command.readAll().contains("cuaderno-convertir"))
            ++count;
    }
    return count;
}

} // namespace

class TestParentsWindow : public QObject {
    Q_OBJECT
    QTemporaryDir settings_; // the window remembers its place here, never in the user's settings

private Q_SLOTS:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
        importer::setWorkerProgram(QStringLiteral(CUADERNO_CONVERTIR));
    }

    void placement_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("saved"); // where the parent left the window; null: never opened
        QTest::addColumn<QRect>("expected");
        const QRect wide(0, 0, 1920, 1050), panelled(0, 0, 1024, 740), none;
        QTest::newRow("first, large screen") << wide << none << QRect(460, 191, 1000, 700);
        QTest::newRow("first, 1024 x 768 less a panel")
            << panelled << none << QRect(16, 48, 992, 676);
        QTest::newRow("first, 1024 x 600, panel on top")
            << QRect(0, 24, 1024, 576) << none << QRect(16, 72, 992, 512);
        QTest::newRow("left inside")
            << wide << QRect(100, 100, 800, 600) << QRect(100, 100, 800, 600);
        QTest::newRow("left past the corner")
            << wide << QRect(1500, 900, 800, 600) << QRect(1104, 434, 800, 600);
        QTest::newRow("left larger, smaller screen")
            << panelled << QRect(-50, 0, 1900, 1000) << QRect(16, 48, 992, 676);
        QTest::newRow("screen smaller than the frame")
            << QRect(0, 0, 20, 40) << none << QRect(0, 0, 20, 40);
    }
    void placement()
    {
        QFETCH(QRect, available);
        QFETCH(QRect, saved);
        QFETCH(QRect, expected);
        QCOMPARE(placeWindow(available, {1000, 700}, saved), expected);
    }

    // Opened on the screen, it reads at 1024 x 600 and reopens where the parent left it.
    void rememberedPlace()
    {
        Fixture f(true);
        ParentsWindow& window = f.open();
        QVERIFY(window.screen()->availableGeometry().contains(window.geometry()));
        const QSize netbook = placeWindow({0, 0, 1024, 600}, {1000, 700}, {}).size();
        QCOMPARE(window.minimumSizeHint().boundedTo(netbook), window.minimumSizeHint());
        window.setGeometry(40, 60, 700, 500);
        QVERIFY(window.close());
        QCOMPARE(f.open().geometry(), QRect(40, 60, 700, 500));
    }

    void importFlow_data()
    {
        QTest::addColumn<QStringList>("pictures"); // nota.png: a file that is not a picture
        QTest::addColumn<bool>("own");
        QTest::addColumn<int>("category");
        QTest::addColumn<int>("existing");
        QTest::addColumn<bool>("outlines");
        QTest::newRow("coloured picture, user's library")
            << QStringList{u"color.png"_s} << true << 3 << 2 << false;
        QTest::newRow("outline page; first change makes the user's library")
            << QStringList{u"pagina.png"_s} << false << 1 << 1 << true;
        QTest::newRow("not a picture: nothing written")
            << QStringList{u"nota.png"_s} << true << 2 << 1 << false;
        QTest::newRow("batch of three, stopped after the first")
            << QStringList{u"a.png"_s, u"hook-sleep.png"_s, u"c.png"_s} << true << 5 << 1 << false;
    }
    void importFlow()
    {
        QFETCH(QStringList, pictures);
        QFETCH(bool, own);
        QFETCH(int, category);
        QFETCH(int, existing);
        QFETCH(bool, outlines);
        Fixture f(own);
        f.addDrawings(category, existing);
        f.files.text(u"nota.png"_s, "esto no es un dibujo");
        QStringList files;
        for (const QString& name : pictures)
            files.append(name == u"nota.png" ? f.files.path(name) : f.picture(name, !outlines));
        ParentsWindow& window = f.open();
        ImportPage* page = window.importPage();
        page->setFileChooser([&](QWidget*) { return files; });
        window.drawingsPage()->showCategory(category);
        QTest::mouseClick(page->chooseButton(), Qt::LeftButton);
        if (pictures.first() == u"nota.png") {
            QTRY_VERIFY_WITH_TIMEOUT(page->statusLabel()->text().contains(u"nota.png"_s), workMs);
            QVERIFY(!page->hasPreview());
            QVERIFY(!page->addButton()->isEnabled());
            QCOMPARE(Library(f.userFolder).lastDrawingNumber(category), existing);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(page->hasPreview(), workMs);
        QCOMPARE(page->outlinesButton()->isChecked(), outlines);
        page->categoryBox()->setCurrentIndex(category - 1);
        const Library written(f.userFolder);
        if (pictures.size() > 1) {
            // The second picture's helper hangs until Cancelar kills it, long before its deadline.
            qputenv("CUADERNO_WORKER_TEST_HOOK", "1");
            QTest::mouseClick(page->addAllButton(), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(written.lastDrawingNumber(category), existing + 1, workMs);
            QTRY_COMPARE_WITH_TIMEOUT(helpers(), 1, workMs);
            QTest::mouseClick(page->progressRow()->cancelButton(), Qt::LeftButton);
            qunsetenv("CUADERNO_WORKER_TEST_HOOK");
            QTRY_COMPARE_WITH_TIMEOUT(helpers(), 0, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(!page->progressRow()->isVisibleTo(&window), workMs);
            QVERIFY(page->statusLabel()->text().contains(u"1 de los 3"_s));
            QVERIFY(page->statusLabel()->text().contains(u"Se paró"_s));
            QCOMPARE(page->queuedCount(), 0);
        } else {
            QTest::mouseClick(page->addButton(), Qt::LeftButton);
        }
        QTRY_COMPARE_WITH_TIMEOUT(written.lastDrawingNumber(category), existing + 1, workMs);
        const QImage coloured(written.drawingFiles(category, existing + 1).coloured);
        QVERIFY(!coloured.isNull());
        QCOMPARE(QImage(written.drawingFiles(category, existing + 1).uncoloured).size(),
                 coloured.size());
        QCOMPARE(Library(f.system.root()).lastDrawingNumber(category), own ? 0 : existing);
        QTRY_COMPARE_WITH_TIMEOUT(window.drawingsPage()->drawingList()->count(), existing + 1,
                                  workMs);
    }

    // The fix the "Comprobar" tab gives for each kind of problem.
    void checkAdvice_data()
    {
        QTest::addColumn<Finding::Kind>("kind");
        QTest::addColumn<QString>("advice");
        QTest::newRow("missing part") << Finding::Kind::Missing << u"vuelva a instalarlo"_s;
        QTest::newRow("bad name") << Finding::Kind::BadName << u"como se indica"_s;
        QTest::newRow("empty category") << Finding::Kind::EmptyCategory << u"añada dibujos"_s;
        QTest::newRow("gap") << Finding::Kind::Gap << u"ningún hueco"_s;
        QTest::newRow("no coloured") << Finding::Kind::MissingColoured << u"«si coloreado»"_s;
        QTest::newRow("second coloured") << Finding::Kind::ExtraVersion << u"sobra"_s;
        QTest::newRow("broken link") << Finding::Kind::BrokenLink << u"lo arreglará"_s;
        QTest::newRow("not a file") << Finding::Kind::NotAFile << u"solo van archivos"_s;
        QTest::newRow("stopped change") << Finding::Kind::Interrupted << u"No borre"_s;
        QTest::newRow("unused outline") << Finding::Kind::UnusedOutline << u"«contornos»"_s;
        QTest::newRow("damaged, past a gap") << Finding::Kind::Damaged << u"uno anterior"_s;
    }
    void checkAdvice()
    {
        QFETCH(Finding::Kind, kind);
        QFETCH(QString, advice);
        QVERIFY(describeFinding({2, 1, u"x"_s, u"y"_s, kind}, u"/no-existe"_s).contains(advice));
    }

    // The switch, then a removal, each run on the library's worker: the first change makes the
    // user's library and the system's stays as it was; a removal names the drawing shown, so a
    // list gone stale removes nothing; a wait for another program's lock ends with Cancelar.
    void printingAndRemoval_data()
    {
        QTest::addColumn<bool>("own");
        QTest::addColumn<QString>("behind");  // done by Library itself, the window left open
        QTest::addColumn<bool>("held");       // another holder of the lock, throughout
        QTest::addColumn<QList<int>>("kept"); // category 4's colours after; 4: the one added
        QTest::addColumn<QString>("message");
        QTest::newRow("first change makes the user's library")
            << false << QString() << false << QList<int>{0, 2, 3}
            << u"Se ha quitado el dibujo 2."_s;
        QTest::newRow("a drawing added elsewhere shows")
            << true << u"add"_s << false << QList<int>{0, 2, 3, 4} << u"Se ha quitado"_s;
        QTest::newRow("stale list: drawing 1 removed elsewhere")
            << true << u"remove"_s << false << QList<int>{1, 2, 3} << u"no se ha quitado nada"_s;
        QTest::newRow("lock held: Cancelar gives up")
            << true << QString() << true << QList<int>{0, 1, 2, 3} << u"dejó de esperar"_s;
    }
    void printingAndRemoval()
    {
        QFETCH(bool, own);
        QFETCH(QString, behind);
        QFETCH(bool, held);
        QFETCH(QList<int>, kept);
        QFETCH(QString, message);
        Fixture f(own);
        f.addDrawings(4, 4);
        f.library().text(u"impresora.txt"_s, "si\n");
        QLockFile lock(f.userFolder + u"/.cuaderno.lock"_s);
        QVERIFY(!held || lock.tryLock(0));
        ParentsWindow& window = f.open();
        QCheckBox* printing = window.printingSwitch();
        QVERIFY(window.libraryLine()->text().contains(own ? u"su biblioteca"_s
                                                          : u"biblioteca del sistema"_s));
        Library library(f.userFolder);
        const Library system(f.system.root());
        DrawingsPage* page = window.drawingsPage();
        QStringList asked; // the first removal is refused, the second confirmed
        page->setConfirm([&](QWidget*, const QString& text) {
            asked.append(text);
            return asked.size() > 1;
        });
        page->showCategory(4);
        QTRY_VERIFY_WITH_TIMEOUT(page->thumbnailsReady(), workMs);
        if (behind == u"add") {
            QImage added(80, 52, QImage::Format_RGB32);
            added.fill(Qt::magenta);
            QVERIFY(library.addDrawing(4, added, ColouredFormat::Gif, added).ok());
            QTRY_COMPARE_WITH_TIMEOUT(page->drawingList()->count(), 5, 1000);
            QVERIFY(page->categoryList()->item(3)->text().endsWith(u"5 dibujos"_s));
        }
        // The printing switch, then a refused and a confirmed removal of the drawing shown second.
        for (int click = 0; click < 3; ++click) {
            if (click == 0) {
                QTest::mouseClick(printing, Qt::LeftButton);
            } else {
                if (click == 2 && behind == u"remove")
                    QVERIFY(library.removeDrawing(4, 1).ok());
                page->drawingList()->setCurrentRow(1);
                QTest::mouseClick(page->removeButton(), Qt::LeftButton);
                QVERIFY(asked.value(click - 1).contains(u'2'));
            }
            if (held && click != 1) {
                QTRY_VERIFY_WITH_TIMEOUT(window.waitRow()->isVisible(), workMs);
                QCOMPARE(window.waitRow()->findChild<QLabel*>()->text(),
                         u"Esperando a que termine otro cambio…"_s);
                QTest::mouseClick(window.waitRow()->cancelButton(), Qt::LeftButton);
            }
            QTRY_VERIFY_WITH_TIMEOUT(printing->isEnabled(), workMs);
            QVERIFY(!window.waitRow()->isVisible());
        }
        QCOMPARE(library.printingEnabled(), held);
        QVERIFY(
            window.libraryLine()->text().startsWith(u"Los dibujos del cuaderno están en su "_s));
        QCOMPARE(printing->isChecked(), held);
        QCOMPARE(window.printingProblem()->isVisible(), held);
        QCOMPARE(page->drawingList()->count(), kept.size()); // refreshed as the change ended
        QVERIFY(page->statusLabel()->text().contains(message));
        QList<int> colours;
        for (int number = 1; number <= library.lastDrawingNumber(4); ++number) {
            const QColor colour = QImage(library.drawingFiles(4, number).coloured).pixelColor(5, 5);
            colours.append(colour == Qt::magenta ? 4 : int(drawingColours.indexOf(colour)));
        }
        QCOMPARE(colours, kept);
        QCOMPARE(system.printingEnabled(), !own);
        QCOMPARE(system.lastDrawingNumber(4), own ? 0 : 4);
    }

    // Chosen thumbnails, or the whole category when none is, become a booklet with a cover:
    // a PDF written off the GUI thread, or pages painted for the print preview.
    void booklets_data()
    {
        QTest::addColumn<QList<int>>("rows"); // thumbnails chosen
        QTest::addColumn<bool>("pdf");
        QTest::addColumn<int>("pages");
        QTest::newRow("three chosen, PDF") << QList<int>{0, 2, 3} << true << 4;
        QTest::newRow("none chosen, PDF") << QList<int>{} << true << 5;
        QTest::newRow("two chosen, printed") << QList<int>{1, 3} << false << 3;
    }
    void booklets()
    {
        QFETCH(QList<int>, rows);
        QFETCH(bool, pdf);
        QFETCH(int, pages);
        Fixture f(true);
        f.addDrawings(4, 4);
        DrawingsPage* page = f.open().drawingsPage();
        auto preview = std::make_unique<CountingPreview>();
        CountingPreview* printed = preview.get();
        page->setPrintPreview(std::move(preview));
        const QString file = f.files.path(u"cuadernillo"_s);
        page->setPdfChooser([&file](QWidget*) { return file; });
        page->showCategory(4);
        QTRY_VERIFY_WITH_TIMEOUT(page->thumbnailsReady(), workMs);
        for (const int row : rows)
            page->drawingList()->item(row)->setSelected(true);
        QTest::mouseClick(pdf ? page->pdfButton() : page->printButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(page->bookletDone() && page->pdfButton()->isEnabled(), workMs);
        if (!pdf) {
            QCOMPARE(printed->pages, pages);
            QCOMPARE(printed->printed.id(), QPageSize::A5);
            return;
        }
        QFile written(file + u".pdf"_s);
        QVERIFY2(written.open(QIODevice::ReadOnly), qPrintable(page->statusLabel()->text()));
        const QRegularExpressionMatch count =
            QRegularExpression(u"/Type /Pages\\s*/Kids[^/]*/Count (\\d+)"_s)
                .match(QString::fromLatin1(written.readAll()));
        QCOMPARE(count.captured(1).toInt(), pages);
        QVERIFY(page->statusLabel()->text().contains(u"%1 páginas"_s.arg(pages)));
    }
};

QTEST_MAIN(TestParentsWindow)
#include "tst_parentswindow.moc"
