// SPDX-License-Identifier: GPL-3.0-or-later
#include "parents/progressrow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace cuaderno {

ProgressRow::ProgressRow(QWidget* parent)
    : QWidget(parent), text_(new QLabel(this)), bar_(new QProgressBar(this)),
      cancel_(new QPushButton(QStringLiteral("Cancelar"), this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(text_, 2);
    row->addWidget(bar_, 3);
    row->addWidget(cancel_);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        cancel_->setEnabled(false);
        text_->setText(QStringLiteral("Cancelando…"));
        Q_EMIT cancelRequested();
    });
    setVisible(false);
}

void ProgressRow::start(const QString& text, int maximum)
{
    text_->setText(text);
    bar_->setRange(0, maximum);
    bar_->setValue(0);
    cancel_->setEnabled(true);
    setVisible(true);
}

void ProgressRow::setProgress(int value, const QString& text)
{
    bar_->setValue(value);
    if (cancel_->isEnabled()) {
        text_->setText(text);
    }
}

void ProgressRow::finish()
{
    setVisible(false);
}

} // namespace cuaderno
