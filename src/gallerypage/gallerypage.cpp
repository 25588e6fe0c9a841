// SPDX-License-Identifier: GPL-3.0-or-later
#include "gallerypage.h"

#include "gallery/gallery.h"
#include "platform/parentspages.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace cuaderno {

namespace {

constexpr int pathRole = Qt::UserRole;
constexpr int sizeRole = Qt::UserRole + 1;
const QSize thumbnailSize(160, 100);

QString dayHeading(const QDate& day)
{
    const QString text =
        QLocale(QLocale::Spanish).toString(day, QStringLiteral("dddd d 'de' MMMM 'de' yyyy"));
    return text.left(1).toUpper() + text.mid(1);
}

} // namespace

bool printFitted(QPrinter& printer, const QImage& picture)
{
    QPainter painter;
    if (picture.isNull() || !painter.begin(&printer)) {
        return false;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(fitCentred(picture.size(), QRect(0, 0, printer.width(), printer.height())),
                      picture);
    return painter.end();
}

GalleryPage::GalleryPage(QString folder, QWidget* parent)
    : QWidget(parent), folder_(std::move(folder)),
      switch_(new QCheckBox(QStringLiteral("Guardar los dibujos que colorea el niño"), this)),
      problem_(new QLabel(this)), list_(new QTreeWidget(this)),
      open_(new QPushButton(QStringLiteral("Ver en grande"), this)),
      print_(new QPushButton(QStringLiteral("Imprimir…"), this)),
      copy_(new QPushButton(QStringLiteral("Guardar una copia…"), this)),
      delete_(new QPushButton(QStringLiteral("Borrar"), this))
{
    const QSettings settings(settingsOrganisation(), settingsApplication());
    switch_->setChecked(keepingSwitchedOn(settings));
    connect(switch_, &QCheckBox::toggled, this, [](bool on) {
        QSettings settings(settingsOrganisation(), settingsApplication());
        switchKeeping(settings, on);
    });
    auto* where = new QLabel(QStringLiteral("Los dibujos se guardan en «%1».").arg(folder_), this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
    problem_->hide();

    list_->setHeaderHidden(true);
    list_->setIconSize(thumbnailSize);
    list_->setRootIsDecorated(false);
    list_->setAccessibleName(QStringLiteral("Dibujos guardados"));
    connect(list_, &QTreeWidget::itemActivated, this, [this] { openLarge(); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const bool chosen = !chosenPicture().isEmpty();
        for (QPushButton* b : {open_, print_, copy_, delete_}) {
            b->setEnabled(chosen);
        }
    });
    connect(open_, &QPushButton::clicked, this, [this] { openLarge(); });
    connect(print_, &QPushButton::clicked, this, [this] { print(); });
    connect(copy_, &QPushButton::clicked, this, [this] { saveCopy(); });
    connect(delete_, &QPushButton::clicked, this, [this] { remove(); });
    thumbnails_.setInterval(0);
    connect(&thumbnails_, &QTimer::timeout, this, [this] { loadNextThumbnail(); });

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {open_, print_, copy_, delete_}) {
        b->setEnabled(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(switch_);
    layout->addWidget(where);
    layout->addWidget(problem_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    refresh();
}

void GalleryPage::showEvent(QShowEvent* event)
{
    // Pictures kept while the page was hidden show up when it is shown again.
    refresh();
    QWidget::showEvent(event);
}

void GalleryPage::refresh()
{
    const QString problem = galleryProblem(folder_);
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());

    const QString chosen = chosenPicture();
    list_->clear();
    const QList<GalleryDay> days = listGallery(folder_);
    for (const GalleryDay& day : days) {
        auto* heading = new QTreeWidgetItem(list_, {dayHeading(day.day)});
        heading->setFlags(Qt::ItemIsEnabled);
        QFont bold = heading->font(0);
        bold.setBold(true);
        heading->setFont(0, bold);
        for (const GalleryPicture& picture : day.pictures) {
            const QString time =
                QLocale(QLocale::Spanish).toString(picture.made.time(), QStringLiteral("HH:mm"));
            auto* item = new QTreeWidgetItem(
                heading, {time + QStringLiteral("  ") + QFileInfo(picture.path).fileName()});
            item->setData(0, pathRole, picture.path);
            item->setData(0, sizeRole, picture.size);
            item->setSizeHint(0, thumbnailSize + QSize(8, 8));
            if (picture.path == chosen) {
                list_->setCurrentItem(item);
            }
        }
    }
    list_->expandAll();
    if (days.isEmpty()) {
        auto* none =
            new QTreeWidgetItem(list_, {QStringLiteral("Todavía no hay dibujos guardados.")});
        none->setFlags(Qt::NoItemFlags);
    }
    thumbnails_.start();
}

void GalleryPage::loadNextThumbnail()
{
    // One picture per turn of the event loop, so that a long gallery never freezes the window.
    for (QTreeWidgetItemIterator it(list_); *it != nullptr; ++it) {
        QTreeWidgetItem* item = *it;
        if (!item->data(0, pathRole).isNull() && item->icon(0).isNull()) {
            const QImage thumbnail =
                readPictureWithin(item->data(0, pathRole).toString(), thumbnailSize);
            QPixmap face(thumbnailSize);
            face.fill(Qt::transparent);
            if (!thumbnail.isNull()) {
                QPainter painter(&face);
                painter.drawImage(fitCentred(thumbnail.size(), face.rect()), thumbnail);
            }
            item->setIcon(0, QIcon(face));
            return;
        }
    }
    thumbnails_.stop();
}

QString GalleryPage::chosenPicture() const
{
    const QTreeWidgetItem* item = list_->currentItem();
    return item != nullptr && item->isSelected() ? item->data(0, pathRole).toString() : QString();
}

void GalleryPage::warn(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Galería"), text, QMessageBox::Ok, this);
    box.exec();
}

void GalleryPage::openLarge()
{
    const QString path = chosenPicture();
    if (path.isEmpty()) {
        return;
    }
    const QScreen* screen =
        this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen != nullptr ? screen->availableSize() * 0.85 : QSize(1024, 768);
    const QImage picture = readPictureWithin(path, room);
    if (picture.isNull()) {
        warn(QStringLiteral("No se puede abrir el dibujo «%1».").arg(QFileInfo(path).fileName()));
        return;
    }
    QDialog dialog(this);
    dialog.setWindowTitle(QFileInfo(path).completeBaseName());
    auto* view = new QLabel(&dialog);
    // A small picture is shown at its own size, a large one made to fit the screen.
    view->setPixmap(QPixmap::fromImage(picture));
    view->setAlignment(Qt::AlignCenter);
    auto* close = new QDialogButtonBox(&dialog);
    close->addButton(QStringLiteral("Cerrar"), QDialogButtonBox::RejectRole);
    connect(close, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view);
    layout->addWidget(close);
    dialog.exec();
}

void GalleryPage::print()
{
    const QString path = chosenPicture();
    const QImage picture = path.isEmpty() ? QImage() : readPictureWithin(path);
    if (picture.isNull()) {
        warn(QStringLiteral("No se puede abrir el dibujo para imprimirlo."));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    // The print dialog names a PDF after the document, up to its first dot.
    printer.setDocName(QFileInfo(path).completeBaseName().replace(u'.', u'-'));
    printer.setPageOrientation(picture.width() > picture.height() ? QPageLayout::Landscape
                                                                  : QPageLayout::Portrait);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Imprimir el dibujo"));
    if (dialog.exec() == QDialog::Accepted && !printFitted(printer, picture)) {
        warn(QStringLiteral("No se ha podido imprimir el dibujo. Compruebe la impresora."));
    }
}

void GalleryPage::saveCopy()
{
    const QString path = chosenPicture();
    if (path.isEmpty()) {
        return;
    }
    const QString start = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                          u'/' + QFileInfo(path).fileName();
    const QString target =
        QFileDialog::getSaveFileName(this, QStringLiteral("Guardar una copia del dibujo"), start,
                                     QStringLiteral("Imagen PNG (*.png)"));
    if (target.isEmpty()) {
        return;
    }
    // The dialog has asked before replacing a file; the copy goes in whole or not at all.
    QFile source(path);
    QSaveFile copy(target);
    const bool done = source.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly) &&
                      copy.write(source.readAll()) == source.size() && copy.commit();
    if (!done) {
        warn(QStringLiteral("No se ha podido guardar la copia en «%1». Elija otra carpeta.")
                 .arg(target));
    }
}

void GalleryPage::remove()
{
    const QString path = chosenPicture();
    if (path.isEmpty()) {
        return;
    }
    if (!confirmChange(
            this,
            {QStringLiteral("Borrar el dibujo"),
             QStringLiteral("¿Quiere borrar este dibujo de la galería? No se podrá recuperar."),
             QStringLiteral("Borrar"), QStringLiteral("Cancelar")})) {
        return;
    }
    if (!QFile::remove(path)) {
        warn(QStringLiteral("No se ha podido borrar el dibujo «%1». Compruebe sus permisos.")
                 .arg(QFileInfo(path).fileName()));
    }
    refresh();
}

} // namespace cuaderno
