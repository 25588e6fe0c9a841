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

using namespace cuaderno::e2e;

namespace {

const QString printerName = QStringLiteral("cuaderno-e2e");
const QString pdfBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString pdfModel = QStringLiteral("lsb/usr/cups-pdf/CUPS-PDF_opt.ppd");
const QString pdfModelFile = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");

const QColor background(37, 91, 163);
const QColor uncoloured(250, 215, 215);
const QColor coloured(215, 25, 25);
const QSize drawingSize(300, 200);

QProcessEnvironment plainLocale()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    return environment;
}

std::optional<QByteArray> cups(const QString& program, const QStringList& arguments)
{
    return E2eSession::run(program, arguments, 15000, plainLocale());
}

bool schedulerRunning()
{
    const auto status = cups(QStringLiteral("lpstat"), {QStringLiteral("-r")});
    return status && status->contains("scheduler is running");
}

// Where cups-pdf puts the jobs of the user running the test.
QString outputFolder()
{
    QString folder = QStringLiteral("${HOME}/PDF");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly | QIODevice::Text)) {
        static const QRegularExpression out(QStringLiteral("^\\s*Out\\s+(\\S.*)$"));
        while (!conf.atEnd()) {
            const QRegularExpressionMatch m = out.match(QString::fromLocal8Bit(conf.readLine()));
            if (m.hasMatch()) {
                folder = m.captured(1).trimmed();
            }
        }
    }
    const passwd* user = getpwuid(getuid());
    const QString home = user != nullptr ? QString::fromLocal8Bit(user->pw_dir) : QDir::homePath();
    return folder.replace(QStringLiteral("${HOME}"), home)
        .replace(QStringLiteral("${USER}"),
                 user != nullptr ? QString::fromLocal8Bit(user->pw_name) : QString());
}

QStringList pdfsIn(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
}

} // namespace

class TestE2ePrinting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void printButtonPrintsOnePage();
};

void TestE2ePrinting::printButtonPrintsOnePage()
{
    if (const QString why = E2eSession::missingTools(
            {QStringLiteral("Xvfb"), QStringLiteral("xdotool"), QStringLiteral("import"),
             QStringLiteral("cupsd"), QStringLiteral("lpadmin"), QStringLiteral("lpoptions"),
             QStringLiteral("lpstat"), QStringLiteral("pdfinfo"), QStringLiteral("pdftoppm")});
        !why.isEmpty()) {
        QSKIP(qPrintable(why));
    }
    if (!QFile::exists(pdfBackend) || !QFile::exists(pdfModelFile)) {
        QSKIP("no está instalada la impresora PDF de CUPS (printer-driver-cups-pdf)");
    }
    E2eSession session;

    // The print server: the machine's own when it runs, otherwise one started for the test.
    if (!schedulerRunning()) {
        QDir().mkpath(QStringLiteral("/run/cups"));
        QString why;
        if (session.startHelper(QStringLiteral("cupsd"), {QStringLiteral("-f")}, plainLocale(),
                                why) == nullptr) {
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
    const auto defaultLine = cups(QStringLiteral("lpstat"), {QStringLiteral("-d")});
    const QString previousDefault =
        defaultLine && defaultLine->startsWith("system default destination: ")
            ? QString::fromLocal8Bit(defaultLine->mid(28)).trimmed()
            : QString();
    if (!cups(QStringLiteral("lpadmin"), {QStringLiteral("-p"), printerName, QStringLiteral("-v"),
                                          QStringLiteral("cups-pdf:/"), QStringLiteral("-E"),
                                          QStringLiteral("-m"), pdfModel})) {
        QSKIP("el servidor de impresión no acepta la impresora PDF");
    }
    session.atEnd([] { cups(QStringLiteral("lpadmin"), {QStringLiteral("-x"), printerName}); });
    QVERIFY(cups(QStringLiteral("lpoptions"), {QStringLiteral("-d"), printerName}));
    session.atEnd([previousDefault] {
        if (!previousDefault.isEmpty() && previousDefault != printerName) {
            cups(QStringLiteral("lpoptions"), {QStringLiteral("-d"), previousDefault});
        }
    });

    const QString folder = outputFolder();
    const QStringList before = pdfsIn(folder);

    QVERIFY(session.writeGif(QStringLiteral("fondo.gif"), {16, 16}, background));
    QVERIFY(
        session.writeGif(QStringLiteral("dibujos/1/si coloreado/1.gif"), drawingSize, coloured));
    QVERIFY(
        session.writeGif(QStringLiteral("dibujos/1/no coloreado/1.gif"), drawingSize, uncoloured));
    QVERIFY(session.write(QStringLiteral("impresora.txt"), "SI\n"));

    QString why;
    QVERIFY2(session.startX(why), qPrintable(why));
    QVERIFY2(session.startProgram({}, why), qPrintable(why));

    // Next shows the drawing uncoloured; the print button prints its coloured version.
    QVERIFY(session.click(buttonCentre(QStringLiteral("siguiente"))));
    const QPoint middle = canvasRect(drawingSize).center();
    const QImage shown = session.waitForScreen(
        [&](const QImage& s) { return near(s.pixelColor(middle), uncoloured); });
    QVERIFY2(near(shown.pixelColor(middle), uncoloured), qPrintable(session.diagnostics()));
    QVERIFY(session.click(buttonCentre(QStringLiteral("imprimir"))));

    // cups-pdf writes the file, then the page can be read: wait for both.
    QString printed;
    const QDeadlineTimer deadline(45000);
    while (printed.isEmpty() && !deadline.hasExpired()) {
        for (const QString& name : pdfsIn(folder)) {
            if (!before.contains(name) &&
                cups(QStringLiteral("pdfinfo"), {QDir(folder).filePath(name)})) {
                printed = QDir(folder).filePath(name);
            }
        }
        QTest::qWait(200);
    }
    QVERIFY2(!printed.isEmpty(), qPrintable(QStringLiteral("ningún PDF nuevo en ") + folder +
                                            u'\n' + session.diagnostics()));
    session.atEnd([printed] { QFile::remove(printed); });

    const QByteArray info = *cups(QStringLiteral("pdfinfo"), {printed});
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    QCOMPARE(pages.match(QString::fromLatin1(info)).captured(1), QStringLiteral("1"));

    // The page holds the whole coloured drawing at the canvas's size: 300 × 200 pixels are
    // 4500 × 3000 twips, 3.125 × 2.083 inches, so 150 × 100 dots at 48 dpi.
    const QString png = session.path(QStringLiteral("page"));
    QVERIFY(cups(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("48"), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), printed, png}));
    const QImage page = QImage(png + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!page.isNull());
    session.keep(page, QStringLiteral("printed-page"));
    const QRect drawing = boundsOf(page, coloured, page.rect(), 40);
    QVERIFY2(std::abs(drawing.width() - 150) <= 3 && std::abs(drawing.height() - 100) <= 3,
             qPrintable(QStringLiteral("%1×%2").arg(drawing.width()).arg(drawing.height())));
    QVERIFY(boundsOf(page, uncoloured, page.rect(), 12).isEmpty());
}

QTEST_MAIN(TestE2ePrinting)
#include "tst_e2e_printing.moc"
