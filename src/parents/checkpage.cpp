// SPDX-License-Identifier: GPL-3.0-or-later
#include "parents/checkpage.h"

#include "artwork/artwork.h"
#include "library/library.h"
#include "parents/familylibrary.h"
#include "parents/progressrow.h"
#include "platform/spanish.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace cuaderno {

namespace {

// What a parent can do about each kind of problem.
QString adviceFor(const Finding& finding, const Library& library)
{
    switch (finding.kind) {
    case Finding::Kind::Missing:
        return QStringLiteral("Qué hacer: si usa el cuaderno instalado, vuelva a instalarlo; si "
                              "no, copie en la biblioteca el archivo que falta o sustituya el "
                              "que está dañado.");
    case Finding::Kind::BadName:
        return QStringLiteral("Qué hacer: cámbiele el nombre como se indica, o "
                              "quítelo de la carpeta.");
    case Finding::Kind::EmptyCategory:
        return QStringLiteral("Qué hacer: añada dibujos a esta categoría en la pestaña «Añadir "
                              "dibujos».");
    case Finding::Kind::Gap:
        return QStringLiteral("Qué hacer: ponga en la carpeta el dibujo que falta, con este "
                              "número, o cambie el nombre de los dibujos siguientes para que no "
                              "quede ningún hueco.");
    case Finding::Kind::MissingColoured:
        return QStringLiteral("Qué hacer: ponga en la carpeta «si coloreado» la versión en color "
                              "con este número, o quite de «no coloreado» el archivo que sobra.");
    case Finding::Kind::ExtraVersion:
        return QStringLiteral("Qué hacer: quite de la carpeta el archivo que sobra; si el que "
                              "quiere ver es este, quite el otro.");
    case Finding::Kind::BrokenLink:
        return QStringLiteral("Qué hacer: nada; lo arreglará el próximo cambio que haga en la "
                              "biblioteca, por ejemplo al añadir un dibujo.");
    case Finding::Kind::NotAFile:
        return QStringLiteral("Qué hacer: quite esto de la carpeta o cámbiele el nombre: ahí "
                              "solo van archivos de dibujo.");
    case Finding::Kind::Interrupted:
        return QStringLiteral("Qué hacer: nada; lo resolverá el próximo cambio que haga en la "
                              "biblioteca. No borre estos archivos a mano.");
    case Finding::Kind::UnusedOutline:
        return QStringLiteral("Qué hacer: quite este archivo de la carpeta «contornos»; el "
                              "cuaderno no lo necesita.");
    case Finding::Kind::Damaged:
        break;
    }
    if (finding.number <= library.lastDrawingNumber(finding.category)) {
        return QStringLiteral("Qué hacer: quite este dibujo en la pestaña «Dibujos» y vuelva a "
                              "añadir el original en la pestaña «Añadir dibujos».");
    }
    return QStringLiteral("Qué hacer: el cuaderno no muestra este dibujo porque falta uno "
                          "anterior. Arregle primero ese hueco y vuelva a comprobar la "
                          "biblioteca.");
}

} // namespace

QString describeFinding(const Finding& finding, const QString& libraryFolder)
{
    QString where = QStringLiteral("Biblioteca");
    if (finding.category > 0) {
        where = QStringLiteral("Categoría %1, «%2»")
                    .arg(finding.category)
                    .arg(categoryName(finding.category - 1));
        if (finding.number > 0) {
            where += QStringLiteral(", dibujo %1").arg(finding.number);
        }
    }
    const QString path = QDir::toNativeSeparators(QDir(libraryFolder).filePath(finding.file));
    const QString advice = adviceFor(finding, Library(libraryFolder));
    QString text = QStringLiteral("<p><b>%1</b><br>%2")
                       .arg(where.toHtmlEscaped(), sentence(finding.message).toHtmlEscaped());
    if (!finding.file.isEmpty()) {
        text += (QFileInfo(path).isDir() ? QStringLiteral("<br><small>Carpeta: «%1»</small>")
                                         : QStringLiteral("<br><small>Archivo: «%1»</small>"))
                    .arg(path.toHtmlEscaped());
    }
    return text + QStringLiteral("<br><i>%1</i></p>").arg(advice.toHtmlEscaped());
}

CheckPage::CheckPage(FamilyLibrary& library, QWidget* parent)
    : QWidget(parent), library_(library),
      check_(new QPushButton(QStringLiteral("Comprobar la biblioteca"), this)),
      report_(new QTextBrowser(this)), progress_(new ProgressRow(this))
{
    auto* intro = new QLabel(QStringLiteral("El cuaderno no avisa al niño de los archivos que "
                                            "faltan o están dañados: compruébelo aquí."),
                             this);
    intro->setWordWrap(true);
    auto* top = new QHBoxLayout;
    top->addWidget(intro, 1);
    top->addWidget(check_);
    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addWidget(report_, 1);
    page->addWidget(progress_);

    connect(check_, &QPushButton::clicked, this, &CheckPage::check);
    connect(&checking_, &QFutureWatcherBase::finished, this, &CheckPage::checked);
    connect(progress_, &ProgressRow::cancelRequested, this, [this] {
        checking_.cancel();
        progress_->finish();
        check_->setEnabled(true);
        report_->setPlainText(QStringLiteral("Comprobación cancelada."));
    });
}

CheckPage::~CheckPage()
{
    checking_.cancel();
}

void CheckPage::check()
{
    folder_ = library_.current().folder();
    check_->setEnabled(false);
    report_->clear();
    progress_->start(QStringLiteral("Comprobando la biblioteca…"));
    checking_.setFuture(QtConcurrent::run(&pool_, checkLibrary, folder_));
}

void CheckPage::checked()
{
    if (checking_.isCanceled()) {
        return;
    }
    progress_->finish();
    check_->setEnabled(true);
    const QList<Finding> findings = checking_.result();
    QString html = QStringLiteral("<p>Biblioteca: «%1»</p>")
                       .arg(QDir::toNativeSeparators(folder_).toHtmlEscaped());
    if (findings.isEmpty()) {
        html += QStringLiteral("<p><b>Todo está bien:</b> el cuaderno puede mostrar todos los "
                               "dibujos de la biblioteca.</p>");
    } else {
        html +=
            plural(findings.size(), QStringLiteral("<p><b>Se ha encontrado %1 problema:</b></p>"),
                   QStringLiteral("<p><b>Se han encontrado %1 problemas:</b></p>"));
        for (const Finding& finding : findings) {
            html += describeFinding(finding, folder_);
        }
    }
    report_->setHtml(html);
}

} // namespace cuaderno
