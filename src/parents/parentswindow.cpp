// SPDX-License-Identifier: GPL-3.0-or-later
#include "parents/parentswindow.h"

#include "artwork/artwork.h"
#include "parents/checkpage.h"
#include "parents/drawingspage.h"
#include "parents/familylibrary.h"
#include "parents/importpage.h"
#include "parents/progressrow.h"

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace cuaderno {

namespace {

QStringList localFiles(const QMimeData* data)
{
    QStringList files;
    if (data == nullptr) {
        return files;
    }
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            files.append(url.toLocalFile());
        }
    }
    return files;
}

// Which library the book opens, and so what the parent's changes reach.
QString firstLine(const FamilyLibrary& library, const QString& folder)
{
    if (library.isGiven()) {
        return QStringLiteral("Esta ventana cambia la biblioteca %1, elegida con --carpeta: el "
                              "cuaderno solo la muestra si se abre con la misma opción.")
            .arg(folder);
    }
    if (library.isOwn()) {
        return QStringLiteral("Los dibujos del cuaderno están en su biblioteca: %1").arg(folder);
    }
    return QStringLiteral("El cuaderno usa la biblioteca del sistema (%1). Con el primer cambio "
                          "se hará la suya, con los mismos dibujos, en %2, y el cuaderno "
                          "usará esa.")
        .arg(folder, QDir::toNativeSeparators(library.userFolder()));
}

} // namespace

ParentsWindow::ParentsWindow(FamilyLibrary* library, QWidget* parent)
    : QWidget(parent), library_(library), folder_(new QLabel(this)),
      printing_(new QCheckBox(QStringLiteral("El cuaderno puede imprimir"), this)),
      printingProblem_(new QLabel(this)), wait_(new ProgressRow(this)), tabs_(new QTabWidget(this)),
      import_(new ImportPage(*library, this)), drawings_(new DrawingsPage(*library, this)),
      check_(new CheckPage(*library, this))
{
    library_->setParent(this);
    setWindowTitle(QStringLiteral("Cuaderno para colorear: padres y docentes"));
    setWindowIcon(beachBallIcon());
    setAcceptDrops(true);
    folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folder_->setWordWrap(true);
    printing_->setToolTip(QStringLiteral("Con esto marcado, el botón de la impresora del "
                                         "cuaderno imprime el dibujo coloreado."));
    printingProblem_->setWordWrap(true);
    printingProblem_->hide();

    tabs_->addTab(import_, QStringLiteral("Añadir dibujos"));
    tabs_->addTab(drawings_, QStringLiteral("Dibujos"));
    tabs_->addTab(check_, QStringLiteral("Comprobar"));

    auto* header = new QHBoxLayout;
    header->addWidget(folder_, 1);
    header->addWidget(printing_);
    auto* window = new QVBoxLayout(this);
    window->addLayout(header);
    window->addWidget(printingProblem_);
    window->addWidget(wait_);
    window->addWidget(tabs_, 1);

    connect(printing_, &QCheckBox::clicked, this, &ParentsWindow::setPrinting);
    connect(library_, &FamilyLibrary::changed, this, &ParentsWindow::showLibrary);
    connect(library_, &FamilyLibrary::changingChanged, this,
            [this] { printing_->setEnabled(!library_->isChanging()); });
    connect(library_, &FamilyLibrary::waitingChanged, this, &ParentsWindow::showWaiting);
    connect(wait_, &ProgressRow::cancelRequested, library_, &FamilyLibrary::cancelWaiting);
    connect(import_, &ImportPage::drawingsAdded, drawings_, &DrawingsPage::showCategory);
    showLibrary();
    // Roomy on a large screen, and whole on a small one (1024 × 768 less the desktop's panels).
    QSize size(1000, 700);
    if (const QScreen* screen = this->screen(); screen != nullptr) {
        size = size.boundedTo(screen->availableGeometry().size() - QSize(24, 48));
    }
    resize(size);
}

void ParentsWindow::addPage(QWidget* page, const QString& title)
{
    tabs_->addTab(page, title);
}

void ParentsWindow::showLibrary()
{
    const Library library = library_->current();
    const QString folder = QDir::toNativeSeparators(library.folder());
    folder_->setText(firstLine(*library_, folder));
    printing_->setChecked(library.printingEnabled());
}

void ParentsWindow::setPrinting(bool on)
{
    printingProblem_->hide();
    library_->change([on](Library& library) { return library.setPrinting(on); },
                     [window = QPointer<ParentsWindow>(this)](const Outcome<void>& done) {
                         if (window && !done) {
                             window->printingProblem_->setText(
                                 done.reason() == Failure::Reason::Cancelled
                                     ? QStringLiteral("No se ha cambiado la impresión: dejó de "
                                                      "esperar al otro cambio.")
                                     : done.error());
                             window->printingProblem_->show();
                         }
                     });
}

void ParentsWindow::showWaiting()
{
    if (library_->isWaiting()) {
        wait_->start(QStringLiteral("Esperando a que termine otro cambio…"));
    } else {
        wait_->finish();
    }
}

void ParentsWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void ParentsWindow::dropEvent(QDropEvent* event)
{
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    tabs_->setCurrentWidget(import_);
    import_->openFiles(files);
}

} // namespace cuaderno
