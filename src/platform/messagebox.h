// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A modal box with one OK button, no icon and the program's title.

#include <QPointer>
#include <QString>
#include <QWidget>

namespace cuaderno {

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Returns when the child has pressed OK.
    virtual void show(const QString& text) = 0;
};

class QtMessageBox final : public MessageBox {
public:
    QtMessageBox(QWidget* parent, QString title);
    void setParent(QWidget* parent) { parent_ = parent; }
    void show(const QString& text) override;

private:
    QPointer<QWidget> parent_;
    QString title_;
};

} // namespace cuaderno
