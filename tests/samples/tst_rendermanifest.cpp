// SPDX-License-Identifier: GPL-3.0-or-later
// A hand-built book keeps what parents add: the sample renderer deletes and overwrites only
// files it wrote itself, and writes the printing switch only when there is none.

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestRenderManifest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // The pointers and three categories of the samples are enough, and quicker to render.
        const QString source = QStringLiteral(CUADERNO_SAMPLES);
        for (const QString& folder :
             {u"pointers"_s, u"drawings/1"_s, u"drawings/2"_s, u"drawings/3"_s}) {
            for (QDirIterator it(source + u'/' + folder, QDir::Files); it.hasNext();) {
                const QString target = samples_ + u'/' + QDir(source).relativeFilePath(it.next());
                QVERIFY(QDir().mkpath(QFileInfo(target).path()));
                QVERIFY(QFile::copy(it.filePath(), target));
            }
        }
        write(u"fondo.gif"_s, "parent's background"); // there before the first build
        QVERIFY(render());
        // A parent's drawing after the samples, printing on, and a file an earlier build wrote.
        write(u"dibujos/3/si coloreado/6.JPG"_s, "parent's drawing");
        write(u"dibujos/3/no coloreado/6.GIF"_s, "parent's outline");
        write(u"impresora.txt"_s, "SI\n");
        write(u"medida/99.gif"_s, "old brush");
        write(u".cuaderno_render_samples.manifest"_s, "medida/99.gif\n", QIODevice::Append);
        // The samples change: category 3 loses its last drawing.
        QVERIFY(QFile::remove(samples_ + u"/drawings/3/5.svg"));
        QVERIFY(render());
    }

    void rerender_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // empty: the file must be gone
        QTest::newRow("parent's drawing")
            << u"dibujos/3/si coloreado/6.JPG"_s << "parent's drawing"_ba;
        QTest::newRow("parent's outline")
            << u"dibujos/3/no coloreado/6.GIF"_s << "parent's outline"_ba;
        QTest::newRow("parent's switch") << u"impresora.txt"_s << "SI\n"_ba;
        QTest::newRow("parent's file under a sample's name")
            << u"fondo.gif"_s << "parent's background"_ba;
        QTest::newRow("sample no longer made") << u"dibujos/3/no coloreado/5.GIF"_s << ""_ba;
        QTest::newRow("file an earlier build wrote") << u"medida/99.gif"_s << ""_ba;
    }
    void rerender()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFile found(out_ + u'/' + file);
        QCOMPARE(found.open(QIODevice::ReadOnly), !content.isEmpty());
        QCOMPARE(found.readAll(), content);
    }

private:
    bool render()
    {
        QProcess tool;
        tool.start(QStringLiteral(CUADERNO_RENDER_TOOL), {samples_, out_});
        return tool.waitForFinished(-1) && tool.exitCode() == 0;
    }
    void write(const QString& relative, const QByteArray& bytes,
               QIODevice::OpenMode mode = QIODevice::WriteOnly)
    {
        QFile file(out_ + u'/' + relative);
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QVERIFY(file.open(mode));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    QTemporaryDir dir_;
    const QString samples_ = dir_.filePath(u"samples"_s);
    const QString out_ = dir_.filePath(u"build"_s);
};

QTEST_GUILESS_MAIN(TestRenderManifest)
#include "tst_rendermanifest.moc"
