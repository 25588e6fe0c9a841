// Printing through a real print server: a CUPS PDF printer set as the default, the print
// button pressed in the real program, and the page that comes out checked.

#include "e2esession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace cuaderno::e2e;

namespace {

const QString printerName = u"cuaderno-e2e"_s;
const QString pdfBackend = u"/usr/lib/cups/backend/cups-pdf"_s;
const QString pdfModel = u"lsb/usr/cups-pdf/CUPS-PDF_opt.ppd"_s;
const QString pdfModelFile = u"/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"_s;

const QColor uncoloured(250, 215, 215);
const QColor coloured(215, 25, 25);
const QSize drawingSize(300, 200);

QProcessEnvironment plainLocale()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C"_s);
    return environment;
}

std::optional<QByteArray> cups(const QString& program, const QStringList& arguments)
{
    return E2eSession::run(program, arguments, 15000, plainLocale());
}

bool schedulerRunning()
{
    const auto status = cups(u"lpstat"_s, {u"-r"_s});
    return status && status->contains("scheduler is running");
}

// Where cups-pdf puts the jobs of the user running the test.
QString outputFolder()
{
    QFile conf(u"/etc/cups/cups-pdf.conf"_s);
    const QString text =
        conf.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(conf.readAll()) : QString();
    static const QRegularExpression out(u"^[ \\t]*Out[ \\t]+(\\S.*)$"_s,
                                        QRegularExpression::MultilineOption);
    QString folder = u"${HOME}/PDF"_s;
    for (auto found = out.globalMatch(text); found.hasNext();) {
        folder = found.next().captured(1).trimmed();
    }

    const passwd* user = getpwuid(getuid());
    const QString home = user != nullptr ? QString::fromLocal8Bit(user->pw_dir) : QDir::homePath();
    return folder.replace(u"${HOME}"_s, home)
        .replace(u"${USER}"_s, user != nullptr ? QString::fromLocal8Bit(user->pw_name) : QString());
}

QStringList pdfsIn(const QString& folder)
{
    return QDir(folder).entryList({u"*.pdf"_s}, QDir::Files);
}

} // namespace

class TestE2ePrinting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void printButtonPrintsOnePage();
};

void TestE2ePrinting::printButtonPrintsOnePage()
{
    E2E_REQUIRE(u"Xvfb xdotool import cupsd lpadmin lpoptions lpstat pdfinfo pdftoppm"_s);
    if (!QFile::exists(pdfBackend) || !QFile::exists(pdfModelFile)) {
        QSKIP("no está instalada la impresora PDF de CUPS (printer-driver-cups-pdf)");
    }
    E2eSession session;

    // The print server: the machine's own when it runs, otherwise one started for the test.
    if (!schedulerRunning()) {
        QDir().mkpath(u"/run/cups"_s);
        QString why;
        if (session.startHelper(u"cupsd"_s, {u"-f"_s}, plainLocale(), why) == nullptr) {
            QSKIP(qPrintable(why));
        }
        const QDeadlineTimer deadline(15000);
        while (!schedulerRunning() && !deadline.hasExpired()) {
            QTest::qWait(100);
        }
        if (!schedulerRunning()) {
            QSKIP("cupsd no arranca en esta máquina");
        }
    }
    const auto defaultLine = cups(u"lpstat"_s, {u"-d"_s});
    const QString previousDefault =
        defaultLine && defaultLine->startsWith("system default destination: ")
            ? QString::fromLocal8Bit(defaultLine->mid(28)).trimmed()
            : QString();
    if (!cups(u"lpadmin"_s,
              {u"-p"_s, printerName, u"-v"_s, u"cups-pdf:/"_s, u"-E"_s, u"-m"_s, pdfModel})) {
        QSKIP("el servidor de impresión no acepta la impresora PDF");
    }
    session.atEnd([] { cups(u"lpadmin"_s, {u"-x"_s, printerName}); });
    QVERIFY(cups(u"lpoptions"_s, {u"-d"_s, printerName}));
    session.atEnd([previousDefault] {
        if (!previousDefault.isEmpty() && previousDefault != printerName) {
            cups(u"lpoptions"_s, {u"-d"_s, previousDefault});
        }
    });

    const QString folder = outputFolder();
    const QStringList before = pdfsIn(folder);

    session.tree.picture(u"dibujos/1/si coloreado/1.gif"_s, drawingSize, coloured);
    session.tree.picture(u"dibujos/1/no coloreado/1.gif"_s, drawingSize, uncoloured);
    session.tree.text(u"impresora.txt"_s, "SI\n");
    QString why;
    QVERIFY2(session.start({}, why), qPrintable(why));

    // Next shows the drawing uncoloured; the print button prints its coloured version.
    QVERIFY(session.click(buttonCentre(u"siguiente"_s)));
    const QPoint middle = canvasRect(drawingSize).center();
    const QImage shown = session.waitForScreen(
        [&](const QImage& s) { return near(s.pixelColor(middle), uncoloured); });
    QVERIFY2(near(shown.pixelColor(middle), uncoloured), qPrintable(session.diagnostics()));
    QVERIFY(session.click(buttonCentre(u"imprimir"_s)));

    // cups-pdf writes the file, then the page can be read: wait for both.
    QString printed;
    const QDeadlineTimer deadline(45000);
    while (printed.isEmpty() && !deadline.hasExpired()) {
        for (const QString& name : pdfsIn(folder)) {
            if (!before.contains(name) && cups(u"pdfinfo"_s, {QDir(folder).filePath(name)})) {
                printed = QDir(folder).filePath(name);
            }
        }
        QTest::qWait(200);
    }
    QVERIFY2(!printed.isEmpty(),
             qPrintable(u"ningún PDF nuevo en "_s + folder + u'\n' + session.diagnostics()));
    session.atEnd([printed] { QFile::remove(printed); });

    const QByteArray info = *cups(u"pdfinfo"_s, {printed});
    static const QRegularExpression pages(u"Pages:\\s+(\\d+)"_s);
    QCOMPARE(pages.match(QString::fromLatin1(info)).captured(1), u"1"_s);

    // The page holds the whole coloured drawing at the canvas's size: 300 × 200 pixels are
    // 4500 × 3000 twips, 3.125 × 2.083 inches, so 150 × 100 dots at 48 dpi.
    const QString png = session.path(u"page"_s);
    QVERIFY(cups(u"pdftoppm"_s, {u"-r"_s, u"48"_s, u"-png"_s, u"-singlefile"_s, printed, png}));
    const QImage page = QImage(png + u".png"_s).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!page.isNull());
    session.keep(page, u"printed-page"_s);
    const QRect drawing = boundsOf(page, coloured, page.rect(), 40);
    QVERIFY2(std::abs(drawing.width() - 150) <= 3 && std::abs(drawing.height() - 100) <= 3,
             qPrintable(u"%1×%2"_s.arg(drawing.width()).arg(drawing.height())));
    QVERIFY(boundsOf(page, uncoloured, page.rect(), 12).isEmpty());
}

QTEST_MAIN(TestE2ePrinting)
#include "tst_e2e_printing.moc"
