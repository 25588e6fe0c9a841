// SPDX-License-Identifier: GPL-3.0-or-later
// Printing through a private CUPS scheduler in the test's folder, a PDF queue its only and
// default printer; the machine's own print server and printers are never asked or changed.

#include "e2esession.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace cuaderno::e2e;

namespace {

const QColor uncoloured(250, 215, 215);
const QColor coloured(215, 25, 25);
const QSize drawingSize(300, 200);

// The queue's device: keeps each job, as the program sent it (a PDF), in the folder its address
// names. Owner-only, so that a scheduler running as root runs it as root too.
constexpr char backend[] = R"(#!/bin/sh
[ $# -eq 0 ] && exit 0
out="${DEVICE_URI#pdfout:}"
if [ -n "$6" ]; then cat "$6"; else cat; fi >"$out/job-$1.part" && mv "$out/job-$1.part" "$out/job-$1.pdf"
)";

// A colour printer that takes PDF as it comes, so the job reaches the device as the program
// made it.
constexpr char ppd[] = R"ppd(*PPD-Adobe: "4.3"
*NickName: "PDF file"
*ColorDevice: True
*DefaultColorSpace: RGB
*cupsFilter2: "application/pdf application/pdf 0 -"
*OpenUI *PageSize: PickOne
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 36 577 806"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
)ppd";

// Writes the scheduler's configuration, every file and folder it uses inside root, and starts
// it; the settings that lead CUPS clients to it alone, or the reason it cannot run.
std::optional<QProcessEnvironment> startPrintServer(E2eSession& session, const QString& root,
                                                    QString& why)
{
    const QDir dir(root);
    for (const char* folder :
         {"conf/ppd", "spool/tmp", "cache", "state", "log", "ssl", "out", "bin/backend"}) {
        dir.mkpath(QString::fromLatin1(folder));
    }
    // The scheduler's helper programs are the machine's, except for the one device.
    for (const char* folder : {"filter", "daemon", "cgi-bin", "monitor", "notifier", "driver"}) {
        QFile::link(u"/usr/lib/cups/"_s + QLatin1String(folder),
                    dir.filePath(u"bin/"_s + QLatin1String(folder)));
    }
    const QString socket = dir.filePath(u"cups.sock"_s);
    // Every path the scheduler writes to is under root (@ in these files).
    const std::pair<const char*, QByteArray> files[] = {
        {"conf/cups-files.conf",
         "ServerRoot @/conf\nServerBin @/bin\nRequestRoot @/spool\nTempDir @/spool/tmp\n"
         "CacheDir @/cache\nStateDir @/state\nServerKeychain @/ssl\nPrintcap @/printcap\n"
         "CreateSelfSignedCerts No\nAccessLog @/log/access_log\nErrorLog @/log/error_log\n"
         "PageLog @/log/page_log\nFileDevice No\n"},
        {"conf/cupsd.conf",
         "Listen @/cups.sock\nBrowsing No\nBrowseLocalProtocols none\nWebInterface No\n"},
        {"conf/printers.conf", "<DefaultPrinter cuaderno-e2e>\nDeviceURI pdfout:@/out\nState Idle\n"
                               "Accepting Yes\nShared No\n</DefaultPrinter>\n"},
        {"conf/ppd/cuaderno-e2e.ppd", ppd},
        {"bin/backend/pdfout", backend}};
    for (auto [name, content] : files) {
        QFile file(dir.filePath(QLatin1String(name)));
        content.replace('@', QFile::encodeName(root));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
            !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
            why = u"no se puede escribir la configuración de CUPS en "_s + root;
            return {};
        }
    }
    QProcessEnvironment client;
    client.insert(u"CUPS_SERVER"_s, socket);
    // Neither the machine's client settings nor the user's own choice of printer apply.
    client.insert(u"CUPS_SERVERROOT"_s, dir.filePath(u"conf"_s));
    client.insert(u"HOME"_s, root);
    client.insert(u"PRINTER"_s, {});
    client.insert(u"LPDEST"_s, {});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(client);
    environment.insert(u"LC_ALL"_s, u"C"_s);
    const bool ready = session.startHelper(
        u"cupsd"_s,
        {u"-f"_s, u"-c"_s, dir.filePath(u"conf/cupsd.conf"_s), u"-s"_s,
         dir.filePath(u"conf/cups-files.conf"_s)},
        environment,
        [&] {
            const auto status = E2eSession::run(u"lpstat"_s, {u"-r"_s}, 5000, environment);
            return status && status->contains("scheduler is running");
        },
        why);
    return ready ? std::optional(client) : std::nullopt;
}

} // namespace

class TestE2ePrinting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void printButtonPrintsOnePage()
    {
        E2E_REQUIRE(u"Xvfb xdotool import cupsd lpstat pdfinfo pdftoppm"_s);
        E2eSession session;
        QString why;
        const auto printServer = startPrintServer(session, session.path(u"cups"_s), why);
        if (!printServer) {
            CUADERNO_SKIP(qPrintable(why));
        }

        session.tree.picture(u"dibujos/1/si coloreado/1.gif"_s, drawingSize, coloured);
        session.tree.picture(u"dibujos/1/no coloreado/1.gif"_s, drawingSize, uncoloured);
        session.tree.text(u"impresora.txt"_s, "SI\n");
        QVERIFY2(session.start(*printServer, why), qPrintable(why));

        // Next shows the drawing uncoloured; the print button prints its coloured version.
        QVERIFY(session.click(buttonCentre(u"siguiente"_s)));
        const QPoint middle = canvasRect(drawingSize).center();
        const auto shows = [&](const QImage& s) { return near(s.pixelColor(middle), uncoloured); };
        QVERIFY2(shows(session.waitForScreen(shows)), qPrintable(session.diagnostics()));
        QVERIFY(session.click(buttonCentre(u"imprimir"_s)));

        // The device writes the file, then the page can be read: wait for both.
        const auto readable = [&] {
            const QDir out(session.path(u"cups/out"_s));
            for (const QString& name : out.entryList({u"*.pdf"_s}, QDir::Files)) {
                if (E2eSession::run(u"pdfinfo"_s, {out.filePath(name)})) {
                    return out.filePath(name);
                }
            }
            return QString();
        };
        QString printed;
        QTRY_VERIFY2_WITH_TIMEOUT(!(printed = readable()).isEmpty(),
                                  qPrintable(session.diagnostics()), 45000);
        const QByteArray info = *E2eSession::run(u"pdfinfo"_s, {printed});
        static const QRegularExpression pages(u"Pages:\\s+(\\d+)"_s);
        QCOMPARE(pages.match(QString::fromLatin1(info)).captured(1), u"1"_s);

        // The page holds the whole coloured drawing at the canvas's size: 300 × 200 pixels are
        // 4500 × 3000 twips, 3.125 × 2.083 inches, so 150 × 100 dots at 48 dpi.
        const QString png = session.path(u"page"_s);
        QVERIFY(E2eSession::run(u"pdftoppm"_s,
                                {u"-r"_s, u"48"_s, u"-png"_s, u"-singlefile"_s, printed, png}));
        const QImage page = QImage(png + u".png"_s).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!page.isNull());
        const QRect drawing = boundsOf(page, coloured, page.rect(), 40);
        QVERIFY2(std::abs(drawing.width() - 150) <= 3 && std::abs(drawing.height() - 100) <= 3,
                 qPrintable(u"%1×%2"_s.arg(drawing.width()).arg(drawing.height())));
        QVERIFY(boundsOf(page, uncoloured, page.rect(), 12).isEmpty());
    }
};

QTEST_MAIN(TestE2ePrinting)
#include "tst_e2e_printing.moc"
