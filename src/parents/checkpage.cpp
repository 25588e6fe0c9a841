// SPDX-License-Identifier: GPL-3.0-or-later
#include "parents/checkpage.h"

#include "artwork/artwork.h"
#include "library/library.h"
#include "parents/familylibrary.h"
#include "parents/progressrow.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace cuaderno {

namespace {

QString sentence(QString text)
{
    if (!text.isEmpty()) {
        text[0] = text.at(0).toUpper();
    }
    if (!text.endsWith(u'.')) {
        text += u'.';
    }
    return text;
}

// What a parent can do, judged from where the problem lies rather than from its wording.
QString adviceFor(const Finding& finding, const Library& library)
{
    if (finding.category == 0) {
        return QStringLiteral("Qué hacer: si usa el cuaderno instalado, vuelva a instalarlo; si "
                              "no, copie en la biblioteca el archivo que falta o sustituya el "
                              "que está dañado.");
    }
    if (finding.number == 0) {
        return finding.file.isEmpty()
                   ? QStringLiteral("Qué hacer: añada dibujos a esta categoría desde la "
                                    "pestaña «Añadir dibujos».")
                   : QStringLiteral("Qué hacer: cambie el nombre del archivo como se indica, o "
                                    "quítelo de la carpeta.");
    }
    if (finding.number <= library.lastDrawingNumber(finding.category)) {
        return QStringLiteral("Qué hacer: quite este dibujo en la pestaña «Dibujos» y vuelva a "
                              "añadir el original desde «Añadir dibujos».");
    }
    return QStringLiteral("Qué hacer: el cuaderno no llega a este número. Ponga en la carpeta el "
                          "archivo que falta con este número, o quite los archivos de este número "
                          "y cambie el nombre de los siguientes para que no quede ningún hueco.");
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
        text += QStringLiteral("<br><small>Archivo: %1</small>").arg(path.toHtmlEscaped());
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
    QString html = QStringLiteral("<p>Biblioteca: %1</p>")
                       .arg(QDir::toNativeSeparators(folder_).toHtmlEscaped());
    if (findings.isEmpty()) {
        html += QStringLiteral("<p><b>Todo está bien:</b> el cuaderno puede mostrar todos los "
                               "dibujos de la biblioteca.</p>");
    } else {
        html += findings.size() == 1
                    ? QStringLiteral("<p><b>Se ha encontrado un problema:</b></p>")
                    : QStringLiteral("<p><b>Se han encontrado %1 problemas:</b></p>")
                          .arg(findings.size());
        for (const Finding& finding : findings) {
            html += describeFinding(finding, folder_);
        }
    }
    report_->setHtml(html);
}

} // namespace cuaderno
