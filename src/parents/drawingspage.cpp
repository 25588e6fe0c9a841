// SPDX-License-Identifier: GPL-3.0-or-later
#include "parents/drawingspage.h"

#include "artwork/artwork.h"
#include "parents/familylibrary.h"
#include "parents/progressrow.h"
#include "platform/spanish.h"

#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPromise>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace cuaderno {

namespace {

constexpr QSize thumbnailSize(150, 100);

// Decodes only as many pixels as the thumbnail needs; an unreadable file gives a null image.
QImage thumbnail(const QString& path)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid()) {
        reader.setScaledSize(size.scaled(thumbnailSize, Qt::KeepAspectRatio));
    }
    return reader.read();
}

bool askParent(QWidget* parent, const QString& question)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Quitar un dibujo"), question,
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("Quitar"), QMessageBox::DestructiveRole);
    box.setDefaultButton(box.addButton(QStringLiteral("No quitar"), QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace

DrawingsPage::DrawingsPage(FamilyLibrary& library, QWidget* parent)
    : QWidget(parent), library_(library), confirm_(askParent), categories_(new QListWidget(this)),
      drawings_(new QListWidget(this)),
      remove_(new QPushButton(QStringLiteral("Quitar el dibujo elegido…"), this)),
      status_(new QLabel(this)), progress_(new ProgressRow(this))
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
    status_->setWordWrap(true);

    auto* actions = new QHBoxLayout;
    actions->addWidget(status_, 1);
    actions->addWidget(remove_);
    auto* right = new QVBoxLayout;
    right->addWidget(drawings_, 1);
    right->addLayout(actions);
    right->addWidget(progress_);
    auto* page = new QHBoxLayout(this);
    page->addWidget(categories_);
    page->addLayout(right, 1);

    connect(categories_, &QListWidget::currentRowChanged, this, [this] {
        status_->clear();
        refresh();
    });
    const auto updateRemove = [this] {
        remove_->setEnabled(drawings_->currentRow() >= 0 && !library_.isChanging());
    };
    connect(drawings_, &QListWidget::currentRowChanged, this, updateRemove);
    connect(&library_, &FamilyLibrary::changingChanged, this, updateRemove);
    connect(remove_, &QPushButton::clicked, this, &DrawingsPage::removeChosen);
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
    updateCounts();
    categories_->setCurrentRow(0);
}

DrawingsPage::~DrawingsPage()
{
    thumbnails_.cancel();
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
    remove_->setEnabled(false);
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
            promise.addResult(thumbnail(file));
        }
    }));
}

void DrawingsPage::removeChosen()
{
    const int row = drawings_->currentRow();
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
