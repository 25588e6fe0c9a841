// SPDX-License-Identifier: GPL-3.0-or-later
// The parents' window driven as a parent would: add a picture, remove a drawing, switch printing,
// stop a batch; judged by the files in the library and what the window lists.

#include "datatree.h"
#include "library/library.h"
#include "parents/drawingspage.h"
#include "parents/familylibrary.h"
#include "parents/importpage.h"
#include "parents/parentswindow.h"
#include "parents/progressrow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QTest>

#include <optional>

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

} // namespace

class TestParentsWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
            << QStringList{u"a.png"_s, u"b.png"_s, u"c.png"_s} << true << 5 << 1 << false;
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
            // One worker: the second picture waits behind the gate until the parent cancels.
            QSemaphore gate;
            page->workPool()->setMaxThreadCount(1);
            QTest::mouseClick(page->addAllButton(), Qt::LeftButton);
            page->workPool()->start([&gate] { gate.acquire(); });
            QTRY_COMPARE_WITH_TIMEOUT(written.lastDrawingNumber(category), existing + 1, workMs);
            QTest::mouseClick(page->progressRow()->cancelButton(), Qt::LeftButton);
            gate.release();
            QTRY_VERIFY_WITH_TIMEOUT(!page->progressRow()->isVisibleTo(&window), workMs);
            QVERIFY(page->statusLabel()->text().contains(u"1 de 3"_s));
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

    // The switch, then a removal: the first change makes the user's library, the system's stays
    // as it was. Renumbering is the library's; here the window's question, answer and list.
    void printingAndRemoval()
    {
        Fixture f(false);
        f.addDrawings(4, 4);
        f.system.text(u"impresora.txt"_s, "si\n");
        ParentsWindow& window = f.open();
        QCheckBox* printing = window.printingSwitch();
        QVERIFY(printing->isChecked());
        QTest::mouseClick(printing, Qt::LeftButton);
        const Library library(f.userFolder), system(f.system.root());
        QVERIFY(!library.printingEnabled());
        QVERIFY(!printing->isChecked());
        DrawingsPage* page = window.drawingsPage();
        QStringList asked; // the first removal is refused, the second confirmed
        page->setConfirm([&](QWidget*, const QString& text) {
            asked.append(text);
            return asked.size() > 1;
        });
        page->showCategory(4);
        QTRY_VERIFY_WITH_TIMEOUT(page->thumbnailsReady(), workMs);
        for (bool confirmed : {false, true}) {
            page->drawingList()->setCurrentRow(1);
            QTest::mouseClick(page->removeButton(), Qt::LeftButton);
            QVERIFY(asked.value(confirmed).contains(u'2'));
            QCOMPARE(page->drawingList()->count(), confirmed ? 3 : 4);
            QCOMPARE(QImage(library.drawingFiles(4, 2).coloured).pixelColor(10, 10),
                     drawingColours.at(confirmed ? 2 : 1));
        }
        QVERIFY(system.printingEnabled());
        QCOMPARE(system.lastDrawingNumber(4), 4);
    }
};

QTEST_MAIN(TestParentsWindow)
#include "tst_parentswindow.moc"
