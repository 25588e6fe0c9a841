// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A line under a page that shows long work going on: what, how far, and a button to stop it.

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace cuaderno {

class ProgressRow final : public QWidget {
    Q_OBJECT
public:
    explicit ProgressRow(QWidget* parent = nullptr);

    // A maximum of 0 shows work of unknown length.
    void start(const QString& text, int maximum = 0);
    void setProgress(int value, const QString& text);
    void finish();

    QPushButton* cancelButton() const { return cancel_; }

Q_SIGNALS:
    void cancelRequested();

private:
    QLabel* text_;
    QProgressBar* bar_;
    QPushButton* cancel_;
};

} // namespace cuaderno
