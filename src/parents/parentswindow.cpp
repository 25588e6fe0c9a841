// SPDX-License-Identifier: GPL-3.0-or-later
#include "parents/parentswindow.h"

#include "artwork/artwork.h"
#include "parents/checkpage.h"
#include "parents/drawingspage.h"
#include "parents/familylibrary.h"
#include "parents/importpage.h"
#include "parents/progressrow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QVBoxLayout>

namespace cuaderno {

namespace {

// Room left around the window for the frame the window manager draws: its borders and title.
constexpr QMargins frameRoom(16, 48, 16, 16);
const QSize roomy(1000, 700);

// The place the parent last gave the window, in the user's settings of this program.
QRect savedPlace()
{
    const QSettings settings(QStringLiteral("cuaderno"), QStringLiteral("cuaderno-padres"));
    return settings.value(QStringLiteral("ventana/lugar")).toRect();
}

void savePlace(const QRect& place)
{
    QSettings settings(QStringLiteral("cuaderno"), QStringLiteral("cuaderno-padres"));
    settings.setValue(QStringLiteral("ventana/lugar"), place);
}

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
        return QStringLiteral("Esta ventana cambia la biblioteca «%1», elegida con --carpeta: "
                              "el cuaderno solo la muestra si se abre con la misma opción.")
            .arg(folder);
    }
    if (library.isOwn()) {
        return QStringLiteral("Los dibujos del cuaderno están en su biblioteca, «%1».").arg(folder);
    }
    return QStringLiteral("El cuaderno usa la biblioteca del sistema, «%1». El primer cambio que "
                          "haga aquí creará su propia biblioteca, con los mismos dibujos, en "
                          "«%2», y desde entonces el cuaderno usará la suya.")
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
    printing_->setToolTip(QStringLiteral("Con esta casilla marcada, el botón de imprimir del "
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
    takePlace();
}

QRect placeWindow(const QRect& available, const QSize& preferred, const QRect& saved)
{
    // A screen too small for the frame's room still gets the window inside it.
    QRect room = available.marginsRemoved(frameRoom);
    if (room.isEmpty()) {
        room = available;
    }
    QRect place(QPoint(), (saved.isValid() ? saved.size() : preferred).boundedTo(room.size()));
    if (!saved.isValid()) {
        place.moveCenter(room.center());
        return place;
    }
    place.moveTopLeft({qBound(room.left(), saved.left(), room.right() + 1 - place.width()),
                       qBound(room.top(), saved.top(), room.bottom() + 1 - place.height())});
    return place;
}

void ParentsWindow::takePlace()
{
    // Roomy on a large screen, whole on a small one, where the parent left it on the screen it
    // was left on if that screen is still there.
    const QRect saved = savedPlace();
    const QScreen* screen = saved.isValid() ? QGuiApplication::screenAt(saved.center()) : nullptr;
    if (screen == nullptr) {
        screen = this->screen();
    }
    if (screen != nullptr) {
        setGeometry(placeWindow(screen->availableGeometry(), roomy, saved));
    } else {
        resize(roomy);
    }
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
                                     ? QStringLiteral("No se ha cambiado el botón de imprimir: "
                                                      "usted dejó de esperar a que terminara "
                                                      "el otro cambio.")
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

void ParentsWindow::closeEvent(QCloseEvent* event)
{
    savePlace(normalGeometry());
    QWidget::closeEvent(event);
}

} // namespace cuaderno
