// SPDX-License-Identifier: GPL-3.0-or-later
#include "parents/importpage.h"

#include "artwork/artwork.h"
#include "parents/familylibrary.h"
#include "parents/progressrow.h"
#include "platform/spanish.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPromise>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace cuaderno {

// One version of the picture, scaled to fit its box with the aspect ratio kept.
class PicturePreview final : public QWidget {
public:
    explicit PicturePreview(QWidget* parent) : QWidget(parent)
    {
        setMinimumSize(240, 160);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    void setImage(const QImage& image)
    {
        image_ = image;
        update();
    }
    // Shown instead of a picture.
    void setText(const QString& text)
    {
        text_ = text;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Mid));
        if (image_.isNull()) {
            painter.drawText(rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap,
                             text_);
            return;
        }
        QSize size = image_.size().scaled(this->size() - QSize(8, 8), Qt::KeepAspectRatio);
        QRect target(QPoint(0, 0), size);
        target.moveCenter(rect().center());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image_);
    }

private:
    QImage image_;
    QString text_;
};

namespace {

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

QStringList askForPictures(QWidget* parent)
{
    return QFileDialog::getOpenFileNames(
        parent, QStringLiteral("Elija los dibujos que quiere añadir"), QString(),
        QStringLiteral("Dibujos (*.png *.jpg *.jpeg *.gif *.svg *.webp *.bmp *.PNG *.JPG "
                       "*.JPEG *.GIF *.SVG *.WEBP *.BMP);;Todos los archivos (*)"));
}

QWidget* titled(const QString& title, QWidget* content)
{
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(title, box);
    label->setAlignment(Qt::AlignCenter);
    column->addWidget(label);
    column->addWidget(content, 1);
    return box;
}

} // namespace

ImportPage::ImportPage(FamilyLibrary& library, QWidget* parent)
    : QWidget(parent), library_(library), chooseFiles_(askForPictures),
      cancel_(std::make_shared<std::atomic_bool>(false)),
      choose_(new QPushButton(QStringLiteral("Elegir dibujos…"), this)),
      queueLabel_(new QLabel(this)), colouredView_(new PicturePreview(this)),
      uncolouredView_(new PicturePreview(this)), warnings_(new QLabel(this)),
      category_(new QComboBox(this)),
      coloured_(new QRadioButton(QStringLiteral("Es un dibujo en color"), this)),
      outlines_(new QRadioButton(QStringLiteral("Es una página para colorear"), this)),
      kind_(new QButtonGroup(this)), detail_(new QSlider(Qt::Horizontal, this)),
      add_(new QPushButton(QStringLiteral("Añadir"), this)), addAll_(new QPushButton(this)),
      skip_(new QPushButton(QStringLiteral("No añadir este"), this)), status_(new QLabel(this)),
      progress_(new ProgressRow(this))
{
    setUpControls();
    createLayout();
    connectControls();
    showNext();
}

void ImportPage::setUpControls()
{
    choose_->setIcon(QIcon::fromTheme(QStringLiteral("document-open")));
    queueLabel_->setText(QStringLiteral("Elija dibujos o arrástrelos a esta ventana."));
    queueLabel_->setWordWrap(true);
    warnings_->setWordWrap(true);
    // What the parent should know before adding (a photograph, a tiny picture) must not be missed.
    QFont strong = warnings_->font();
    strong.setBold(true);
    warnings_->setFont(strong);
    QPalette warningColour = warnings_->palette();
    warningColour.setColor(QPalette::WindowText, QColor(160, 64, 0));
    warnings_->setPalette(warningColour);
    status_->setWordWrap(true);

    for (int index = 0; index < Library::lastCategory; ++index) {
        category_->addItem(categoryIcon(index),
                           QStringLiteral("%1. %2").arg(index + 1).arg(categoryName(index)),
                           index + 1);
    }
    category_->setIconSize(QSize(32, 32));
    kind_->addButton(coloured_);
    kind_->addButton(outlines_);
    coloured_->setChecked(true);
    detail_->setRange(-2, 2);
    detail_->setPageStep(1);
    detail_->setTickPosition(QSlider::TicksBelow);
    detail_->setTracking(false);
    add_->setDefault(true);
    add_->setMinimumHeight(40);
    QFont bold = add_->font();
    bold.setBold(true);
    add_->setFont(bold);
}

void ImportPage::createLayout()
{
    auto* top = new QHBoxLayout;
    top->addWidget(choose_);
    top->addWidget(queueLabel_, 1);

    auto* previews = new QHBoxLayout;
    previews->addWidget(titled(QStringLiteral("En color"), colouredView_), 1);
    previews->addWidget(titled(QStringLiteral("Para colorear"), uncolouredView_), 1);

    auto* kindBox = new QVBoxLayout;
    kindBox->addWidget(coloured_);
    kindBox->addWidget(outlines_);
    auto* detailRow = new QHBoxLayout;
    detailRow->addWidget(new QLabel(QStringLiteral("Menos detalle"), this));
    detailRow->addWidget(detail_, 1);
    detailRow->addWidget(new QLabel(QStringLiteral("Más detalle"), this));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add_, 2);
    buttons->addWidget(addAll_, 2);
    buttons->addWidget(skip_, 1);

    auto* choices = new QGridLayout;
    choices->addWidget(new QLabel(QStringLiteral("Categoría:"), this), 0, 0);
    choices->addWidget(category_, 0, 1);
    choices->addLayout(kindBox, 0, 2);
    choices->addWidget(new QLabel(QStringLiteral("Contornos:"), this), 1, 0);
    choices->addLayout(detailRow, 1, 1);
    choices->addLayout(buttons, 1, 2);
    choices->setColumnStretch(1, 1);
    choices->setColumnStretch(2, 1);

    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addLayout(previews, 1);
    page->addWidget(warnings_);
    page->addLayout(choices);
    page->addWidget(status_);
    page->addWidget(progress_);
}

void ImportPage::connectControls()
{
    connect(choose_, &QPushButton::clicked, this, [this] { openFiles(chooseFiles_(this)); });
    connect(coloured_, &QRadioButton::clicked, this,
            [this] { prepareCurrent(lineart::Kind::Coloured); });
    connect(outlines_, &QRadioButton::clicked, this,
            [this] { prepareCurrent(lineart::Kind::Outlines); });
    connect(detail_, &QSlider::valueChanged, this, [this] {
        prepareCurrent(outlines_->isChecked() ? lineart::Kind::Outlines : lineart::Kind::Coloured);
    });
    connect(add_, &QPushButton::clicked, this, &ImportPage::addCurrent);
    connect(addAll_, &QPushButton::clicked, this, &ImportPage::addBatch);
    connect(skip_, &QPushButton::clicked, this, &ImportPage::showNext);
    connect(progress_, &ProgressRow::cancelRequested, this, &ImportPage::cancelWork);
    connect(&preparing_, &QFutureWatcherBase::finished, this, &ImportPage::prepared);
    connect(&adding_, &QFutureWatcherBase::finished, this, &ImportPage::added);
    connect(&batchStep_, &QFutureWatcherBase::finished, this, &ImportPage::batchStepDone);
}

ImportPage::~ImportPage()
{
    // The pool's destructor waits for its threads; cancelled work ends at its next check.
    cancel_->store(true);
}

void ImportPage::openFiles(const QStringList& files)
{
    if (files.isEmpty()) {
        return;
    }
    status_->clear();
    queue_.append(files);
    if (current_.isEmpty() && !inBatch()) {
        showNext();
    } else {
        updateButtons();
    }
}

void ImportPage::showPictures(const QImage& coloured, const QImage& uncoloured, const QString& text)
{
    colouredView_->setImage(coloured);
    uncolouredView_->setImage(uncoloured);
    colouredView_->setText(text);
    uncolouredView_->setText(text);
}

void ImportPage::showNext()
{
    // The picture on show, if still being prepared, is no longer wanted.
    if (preparingCancel_) {
        preparingCancel_->store(true);
    }
    prepared_.reset();
    warnings_->clear();
    current_ = queue_.isEmpty() ? QString() : queue_.takeFirst();
    if (current_.isEmpty()) {
        queueLabel_->setText(QStringLiteral("Elija dibujos o arrástrelos a esta ventana."));
        showPictures(
            {}, {},
            QStringLiteral("Pulse «Elegir dibujos…» o arrastre aquí un dibujo en color "
                           "o una página para colorear (PNG, JPEG, SVG, GIF, WebP o BMP)."));
        updateButtons();
        return;
    }
    queueLabel_->setText(
        queue_.isEmpty()
            ? QStringLiteral("«%1»").arg(fileName(current_))
            : QStringLiteral("«%1» (%2)")
                  .arg(fileName(current_), plural(queue_.size(), QStringLiteral("queda %1 más"),
                                                  QStringLiteral("quedan %1 más"))));
    prepareCurrent(std::nullopt);
}

importer::PrepareOptions ImportPage::options(std::optional<lineart::Kind> kind) const
{
    importer::PrepareOptions options;
    // As large as the book can show it on this screen.
    if (const QScreen* screen = this->screen(); screen != nullptr) {
        options.bounds =
            importer::canvasBounds(screen->size(), float(1440.0 / screen->logicalDotsPerInch()));
    }
    options.kind = !kind                             ? importer::ForcedKind::Automatic
                   : kind == lineart::Kind::Outlines ? importer::ForcedKind::Outlines
                                                     : importer::ForcedKind::Coloured;
    options.detail = detail_->value();
    options.cancel = cancel_.get();
    return options;
}

void ImportPage::prepareCurrent(std::optional<lineart::Kind> kind)
{
    if (current_.isEmpty() || inBatch()) {
        return;
    }
    // A newer request replaces the one under way: stop that one and forget its result.
    cancel_->store(true);
    cancel_ = std::make_shared<std::atomic_bool>(false);
    prepared_.reset();
    showPictures({}, {}, QStringLiteral("Preparando…"));
    kindChosen_ = kind;
    preparingCancel_ = cancel_;
    updateButtons();
    progress_->start(QStringLiteral("Preparando «%1»…").arg(fileName(current_)));
    preparing_.setFuture(
        QtConcurrent::run(&pool_, [file = current_, options = options(kind), keepAlive = cancel_] {
            return importer::prepareApart(file, options);
        }));
}

void ImportPage::prepared()
{
    if (!inBatch()) {
        progress_->finish();
    }
    if (!preparingCancel_ || preparingCancel_->load()) {
        updateButtons();
        return;
    }
    const Outcome<importer::Prepared> result = preparing_.result();
    if (!result) {
        status_->setText(result.error());
        showNext();
        return;
    }
    prepared_ = result.value();
    showPictures(prepared_->page.coloured, prepared_->page.uncoloured, QString());
    const bool outlines =
        kindChosen_.value_or(prepared_->classification.kind) == lineart::Kind::Outlines;
    outlines_->setChecked(outlines);
    coloured_->setChecked(!outlines);
    warnings_->setText(prepared_->warnings.join(u'\n'));
    updateButtons();
}

int ImportPage::chosenCategory() const
{
    return category_->currentData().toInt();
}

void ImportPage::addCurrent()
{
    if (!prepared_ || adding_.isRunning()) {
        return;
    }
    Outcome<Library> target = library_.forChange();
    if (!target) {
        status_->setText(target.error());
        return;
    }
    progress_->start(QStringLiteral("Añadiendo «%1»…").arg(fileName(current_)));
    addingCategory_ = chosenCategory();
    adding_.setFuture(
        QtConcurrent::run(&pool_, [library = target.value(), category = addingCategory_,
                                   picture = *prepared_]() mutable {
            return importer::addToLibrary(library, category, picture);
        }));
    updateButtons();
}

void ImportPage::added()
{
    progress_->finish();
    const Outcome<int> result = adding_.result();
    const int category = addingCategory_;
    if (!result) {
        status_->setText(result.error());
        updateButtons();
        return;
    }
    status_->setText(QStringLiteral("«%1» es ahora el dibujo %2 de «%3».")
                         .arg(fileName(current_))
                         .arg(result.value())
                         .arg(categoryName(category - 1)));
    library_.notifyChanged();
    Q_EMIT drawingsAdded(category);
    showNext();
}

void ImportPage::addBatch()
{
    if (current_.isEmpty() || inBatch()) {
        return;
    }
    const Outcome<Library> target = library_.forChange();
    if (!target) {
        status_->setText(target.error());
        return;
    }
    batch_.emplace(Batch{target.value(), chosenCategory(), queue_, 0, 0, {}});
    batch_->files.prepend(current_);
    queue_.clear();
    current_.clear();
    prepared_.reset();
    cancel_->store(true);
    cancel_ = std::make_shared<std::atomic_bool>(false);
    progress_->start(QString(), int(batch_->files.size()));
    showNext();
    showPictures(
        {}, {},
        QStringLiteral("Añadiendo los dibujos a «%1»…").arg(categoryName(batch_->category - 1)));
    nextInBatch();
}

void ImportPage::nextInBatch()
{
    if (batch_->next >= batch_->files.size() || cancel_->load()) {
        batchDone();
        return;
    }
    const QString file = batch_->files.at(batch_->next);
    progress_->setProgress(int(batch_->next), QStringLiteral("Dibujo %1 de %2: «%3»")
                                                  .arg(batch_->next + 1)
                                                  .arg(batch_->files.size())
                                                  .arg(fileName(file)));
    batchStep_.setFuture(QtConcurrent::run(
        &pool_,
        [library = batch_->library, category = batch_->category, file,
         options = options(std::nullopt), stop = cancel_]() mutable -> Landed {
            if (stop->load()) {
                return {};
            }
            const Outcome<importer::Prepared> picture = importer::prepareApart(file, options);
            if (!picture || stop->load()) {
                return {Failure{picture ? QString() : picture.error()}, {}, {}};
            }
            // Only a preview's worth of the picture waits for the window.
            const auto small = [](const QImage& image) {
                return image.scaled(image.size().boundedTo(QSize(640, 640)), Qt::KeepAspectRatio,
                                    Qt::SmoothTransformation);
            };
            const lineart::ColouringPage& page = picture.value().page;
            return {importer::addToLibrary(library, category, picture.value()),
                    small(page.coloured), small(page.uncoloured)};
        }));
}

void ImportPage::batchStepDone()
{
    const Landed landed = batchStep_.result();
    if (landed.number) {
        ++batch_->added;
        // Each drawing is shown, and listed, as soon as it is in the library.
        showPictures(landed.coloured, landed.uncoloured, QString());
        library_.notifyChanged();
        Q_EMIT drawingsAdded(batch_->category);
    } else if (!cancel_->load()) {
        batch_->problems.append(landed.number.error());
    }
    ++batch_->next;
    nextInBatch();
}

void ImportPage::batchDone()
{
    progress_->finish();
    const qsizetype all = batch_->files.size();
    QString text =
        batch_->added == 0
            ? plural(all, QStringLiteral("No se ha añadido %1 dibujo a «%2»."),
                     QStringLiteral("No se ha añadido ninguno de los %1 dibujos a «%2»."))
        : batch_->added == all
            ? plural(all, QStringLiteral("Se ha añadido %1 dibujo a «%2»."),
                     QStringLiteral("Se han añadido los %1 dibujos a «%2»."))
            : plural(batch_->added, QStringLiteral("Se ha añadido %1 de los %2 dibujos a «%3»."),
                     QStringLiteral("Se han añadido %1 de los %2 dibujos a «%3»."))
                  .arg(all);
    text = text.arg(categoryName(batch_->category - 1));
    if (cancel_->load()) {
        text += QStringLiteral(" Se paró antes de terminar: los demás no se han añadido.");
    }
    if (!batch_->problems.isEmpty()) {
        text += u'\n' + batch_->problems.join(u'\n');
    }
    status_->setText(text);
    batch_.reset();
    showNext();
}

void ImportPage::cancelWork()
{
    // Stops everything still to do: the batch, and the pictures waiting to be shown.
    cancel_->store(true);
    queue_.clear();
    if (preparing_.isRunning()) {
        current_.clear();
        showNext();
    }
}

void ImportPage::updateButtons()
{
    const bool busy = preparing_.isRunning() || adding_.isRunning() || inBatch();
    add_->setEnabled(prepared_.has_value() && !busy);
    skip_->setEnabled(!current_.isEmpty() && !adding_.isRunning() && !inBatch());
    addAll_->setVisible(!queue_.isEmpty());
    addAll_->setEnabled(!busy || preparing_.isRunning());
    addAll_->setText(QStringLiteral("Añadir los %1 a la vez").arg(queue_.size() + 1));
    choose_->setEnabled(!inBatch());
}

} // namespace cuaderno
