// SPDX-License-Identifier: GPL-3.0-or-later
#include "parents/drawingspage.h"

#include "artwork/artwork.h"
#include "parents/familylibrary.h"
#include "parents/progressrow.h"
#include "platform/parentspages.h"
#include "platform/spanish.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPromise>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace cuaderno {

namespace {

constexpr QSize thumbnailSize(150, 100);

QString askPdfFile(QWidget* parent)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Guardar como PDF"),
                                        folder + QStringLiteral("/cuadernillo.pdf"),
                                        QStringLiteral("Documentos PDF (*.pdf)"));
}

bool askParent(QWidget* parent, const QString& question)
{
    return confirmChange(parent, {QStringLiteral("Quitar un dibujo"), question,
                                  QStringLiteral("Quitar"), QStringLiteral("No quitar")});
}

} // namespace

DrawingsPage::DrawingsPage(FamilyLibrary& library, QWidget* parent)
    : QWidget(parent), library_(library), confirm_(askParent), choosePdf_(askPdfFile),
      preview_(std::make_unique<QtPrintPreview>()), categories_(new QListWidget(this)),
      drawings_(new QListWidget(this)),
      remove_(new QPushButton(QStringLiteral("Quitar el dibujo elegido…"), this)),
      print_(new QPushButton(QStringLiteral("Imprimir para colorear…"), this)),
      pdf_(new QPushButton(QStringLiteral("Guardar como PDF…"), this)), status_(new QLabel(this)),
      progress_(new ProgressRow(this)), bookletProgress_(new ProgressRow(this))
{
    categories_->setIconSize(QSize(32, 32));
    for (int index = 0; index < Library::lastCategory; ++index) {
        categories_->addItem(new QListWidgetItem(categoryIcon(index), QString()));
    }
    categories_->setFixedWidth(260);
    drawings_->setViewMode(QListView::IconMode);
    drawings_->setIconSize(thumbnailSize);
    drawings_->setResizeMode(QListView::Adjust);
    drawings_->setMovement(QListView::Static);
    drawings_->setSpacing(6);
    drawings_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    status_->setWordWrap(true);
    const QString choosing = QStringLiteral("Con Ctrl o Mayúsculas se eligen varios dibujos; "
                                            "sin elegir ninguno, se usa toda la categoría.");
    print_->setToolTip(choosing);
    pdf_->setToolTip(choosing);
    arrange();
    connectControls();
    updateCounts();
    categories_->setCurrentRow(0);
}

void DrawingsPage::arrange()
{
    auto* actions = new QHBoxLayout;
    actions->addWidget(status_, 1);
    actions->addWidget(remove_);
    auto* paper = new QHBoxLayout;
    paper->addWidget(print_);
    paper->addWidget(pdf_);
    paper->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(drawings_, 1);
    right->addLayout(paper);
    right->addLayout(actions);
    right->addWidget(progress_);
    right->addWidget(bookletProgress_);
    auto* page = new QHBoxLayout(this);
    page->addWidget(categories_);
    page->addLayout(right, 1);
}

void DrawingsPage::connectControls()
{
    connect(categories_, &QListWidget::currentRowChanged, this, [this] {
        status_->clear();
        refresh();
    });
    connect(drawings_, &QListWidget::itemSelectionChanged, this, &DrawingsPage::updateButtons);
    connect(&library_, &FamilyLibrary::changingChanged, this, &DrawingsPage::updateButtons);
    connect(remove_, &QPushButton::clicked, this, &DrawingsPage::removeChosen);
    connect(print_, &QPushButton::clicked, this, &DrawingsPage::printChosen);
    connect(pdf_, &QPushButton::clicked, this, &DrawingsPage::saveChosenAsPdf);
    connect(&booklet_, &QFutureWatcherBase::progressValueChanged, this, [this](int done) {
        bookletProgress_->setProgress(done, QStringLiteral("Preparando el cuadernillo…"));
    });
    connect(&booklet_, &QFutureWatcherBase::finished, this, &DrawingsPage::bookletWritten);
    connect(bookletProgress_, &ProgressRow::cancelRequested, &booklet_,
            &QFutureWatcherBase::cancel);
    connect(&thumbnails_, &QFutureWatcherBase::resultReadyAt, this, [this](int index) {
        if (QListWidgetItem* item = drawings_->item(index)) {
            const QImage image = thumbnails_.resultAt(index);
            if (!image.isNull()) {
                item->setIcon(QPixmap::fromImage(image));
            }
        }
        progress_->setProgress(index + 1, QStringLiteral("Cargando los dibujos…"));
    });
    connect(&thumbnails_, &QFutureWatcherBase::finished, progress_, &ProgressRow::finish);
    connect(progress_, &ProgressRow::cancelRequested, &thumbnails_, &QFutureWatcherBase::cancel);
    connect(&library_, &FamilyLibrary::changed, this, [this] {
        updateCounts();
        refresh();
    });
}

DrawingsPage::~DrawingsPage()
{
    thumbnails_.cancel();
    booklet_.cancel();
    pool_.waitForDone(); // the booklet's worker reads this page's library
}

int DrawingsPage::category() const
{
    return categories_->currentRow() + 1;
}

void DrawingsPage::showCategory(int category)
{
    if (categories_->currentRow() == category - 1) {
        refresh();
    } else {
        categories_->setCurrentRow(category - 1);
    }
}

void DrawingsPage::updateCounts()
{
    const Library library = library_.current();
    for (int index = 0; index < categories_->count(); ++index) {
        const int count = library.lastDrawingNumber(index + 1);
        categories_->item(index)->setText(
            categoryName(index) + u'\n' +
            plural(count, QStringLiteral("%1 dibujo"), QStringLiteral("%1 dibujos")));
    }
}

void DrawingsPage::refresh()
{
    thumbnails_.cancel();
    drawings_->clear();
    updateButtons();
    const int category = this->category();
    if (category < Library::firstCategory) {
        return;
    }
    const Library library = library_.current();
    const int last = library.lastDrawingNumber(category);
    listed_.clear();
    QStringList files;
    // Each cell holds a blank of the thumbnail's size until it is drawn, so the list does not
    // jump as thumbnails land. (Uniform sizes, taken from the first item, came out too narrow
    // when the list was filled while its tab was hidden.)
    QPixmap blank(thumbnailSize);
    blank.fill(Qt::transparent);
    for (int number = 1; number <= last; ++number) {
        listed_.append(library.drawingFiles(category, number));
        files.append(listed_.last().coloured);
        drawings_->addItem(new QListWidgetItem(blank, QString::number(number)));
    }
    updateButtons();
    // A refresh after a change keeps the change's message.
    const QString empty = QStringLiteral("Esta categoría no tiene dibujos.");
    if (last == 0) {
        status_->setText(empty);
    } else if (status_->text() == empty) {
        status_->clear();
    }
    progress_->start(QStringLiteral("Cargando los dibujos…"), int(files.size()));
    thumbnails_.setFuture(QtConcurrent::run(&pool_, [files](QPromise<QImage>& promise) {
        for (const QString& file : files) {
            if (promise.isCanceled()) {
                return;
            }
            promise.addResult(readPictureWithin(file, thumbnailSize));
        }
    }));
}

void DrawingsPage::updateButtons()
{
    remove_->setEnabled(drawings_->selectedItems().size() == 1 && !library_.isChanging());
    const bool any = drawings_->count() > 0 && !booklet_.isRunning();
    print_->setEnabled(any);
    pdf_->setEnabled(any);
}

void DrawingsPage::removeChosen()
{
    const QList<QListWidgetItem*> selected = drawings_->selectedItems();
    const int row = selected.size() == 1 ? drawings_->row(selected.first()) : -1;
    const int category = this->category();
    if (row < 0 || row >= listed_.size() || library_.isChanging()) {
        return;
    }
    const int number = row + 1;
    const Library::DrawingFiles expected = listed_.at(row);
    const int last = int(listed_.size());
    QString question = QStringLiteral("¿Quiere quitar el dibujo %1 de «%2»?")
                           .arg(number)
                           .arg(categoryName(category - 1));
    if (number + 1 == last) {
        question += QStringLiteral(" El dibujo %1 pasará a ser el %2.").arg(last).arg(number);
    } else if (number < last) {
        question += QStringLiteral(" Los dibujos del %1 al %2 pasarán a ser del %3 al %4.")
                        .arg(number + 1)
                        .arg(last)
                        .arg(number)
                        .arg(last - 1);
    }
    if (!confirm_(this, question)) {
        return;
    }
    status_->setText(QStringLiteral("Quitando el dibujo %1…").arg(number));
    library_.change(
        [category, number, expected](Library& library) {
            return library.removeDrawing(category, number, expected);
        },
        [page = QPointer<DrawingsPage>(this), number](const Outcome<void>& outcome) {
            if (page) {
                page->removed(number, outcome);
            }
        });
}

QList<booklet::Drawing> DrawingsPage::chosenDrawings() const
{
    QList<booklet::Drawing> chosen;
    for (int row = 0; row < drawings_->count(); ++row) {
        if (drawings_->item(row)->isSelected()) {
            chosen.append({category(), row + 1});
        }
    }
    if (chosen.isEmpty()) {
        for (int row = 0; row < drawings_->count(); ++row) {
            chosen.append({category(), row + 1});
        }
    }
    return chosen;
}

namespace {

QString leftOutText(const QStringList& leftOut, const QStringList& warnings = {})
{
    QString text;
    if (!leftOut.isEmpty()) {
        text = QStringLiteral(" Se han dejado fuera: %1").arg(leftOut.join(u' '));
    }
    for (const QString& warning : warnings) {
        text += u' ' + warning;
    }
    return text;
}

} // namespace

// Painted on the GUI thread: the preview widget asks for its pages there.
void DrawingsPage::printChosen()
{
    const QList<booklet::Drawing> chosen = chosenDrawings();
    if (chosen.isEmpty()) {
        return;
    }
    booklet::Options options;
    options.paper.reset(); // the printer's, as the parent leaves it in the print dialog
    const Library library = library_.current();
    QStringList leftOut, warnings;
    Outcome<int> painted = Failure{};
    const bool printed = preview_->previewAndPrint(
        this, QPageSize(booklet::defaultPaper()), [&](QPagedPaintDevice& device) {
            leftOut.clear();
            warnings.clear();
            const booklet::Listener listener{
                {},
                [&leftOut](const QString& problem) { leftOut.append(problem); },
                [&warnings](const QString& warning) { warnings.append(warning); }};
            painted = booklet::paintDrawings(device, library, chosen, options, listener);
        });
    const QString said = !printed  ? QStringLiteral("No se ha impreso nada.")
                         : painted ? QStringLiteral("Se ha enviado el cuadernillo a la impresora.")
                                   : painted.error();
    status_->setText(said + leftOutText(leftOut, warnings));
}

void DrawingsPage::saveChosenAsPdf()
{
    const QList<booklet::Drawing> chosen = chosenDrawings();
    if (chosen.isEmpty() || booklet_.isRunning()) {
        return;
    }
    QString file = choosePdf_(this);
    if (file.isEmpty()) {
        return;
    }
    if (!file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        file += QStringLiteral(".pdf");
    }
    const Library library = library_.current();
    bookletProgress_->start(QStringLiteral("Preparando el cuadernillo…"), int(chosen.size()));
    booklet_.setFuture(
        QtConcurrent::run(&pool_, [library, chosen, file](QPromise<Written>& promise) {
            Written written;
            written.file = file;
            booklet::Options options;
            options.paper = booklet::defaultPaper();
            const booklet::Listener listener{
                [&promise](qsizetype done) {
                    promise.setProgressValue(int(done));
                    return !promise.isCanceled();
                },
                [&written](const QString& problem) { written.leftOut.append(problem); },
                [&written](const QString& warning) { written.warnings.append(warning); }};
            const Outcome<int> pages = booklet::writePdf(file, library, chosen, options, listener);
            written.pages = pages ? pages.value() : 0;
            written.error = pages.error();
            written.cancelled = pages.reason() == Failure::Reason::Cancelled;
            promise.addResult(written);
        }));
    updateButtons();
}

void DrawingsPage::bookletWritten()
{
    bookletProgress_->finish();
    updateButtons();
    if (booklet_.future().resultCount() == 0) {
        status_->setText(QStringLiteral("Se ha cancelado el cuadernillo; no se ha escrito nada."));
        return;
    }
    const Written written = booklet_.result();
    if (written.cancelled) {
        status_->setText(QStringLiteral("Se ha cancelado el cuadernillo; no se ha escrito nada."));
    } else if (!written.error.isEmpty()) {
        status_->setText(written.error + leftOutText(written.leftOut, written.warnings));
    } else {
        status_->setText(QStringLiteral("Se ha guardado «%1»: %2 páginas.")
                             .arg(QDir::toNativeSeparators(written.file))
                             .arg(written.pages) +
                         leftOutText(written.leftOut, written.warnings));
    }
}

void DrawingsPage::removed(int number, const Outcome<void>& outcome)
{
    if (outcome) {
        status_->setText(QStringLiteral("Se ha quitado el dibujo %1.").arg(number));
    } else if (outcome.reason() == Failure::Reason::Changed) {
        status_->setText(QStringLiteral("Otro programa ha cambiado estos dibujos mientras tanto, "
                                        "así que no se ha quitado nada. La lista ya está al día: "
                                        "elija otra vez el dibujo que quiere quitar."));
    } else if (outcome.reason() == Failure::Reason::Cancelled) {
        status_->setText(QStringLiteral("No se ha quitado nada: usted dejó de esperar a que "
                                        "terminara el otro cambio."));
    } else {
        status_->setText(outcome.error());
    }
}

} // namespace cuaderno
