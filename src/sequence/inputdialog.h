// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;

// "Input": a small window in which the operator types one line of free text
// that joins the sequence as its new last line. Modeless; destroyed when
// closed, so each opening starts empty. OK (also Enter) appends a text that is
// not empty; Cancel (also Esc) and the title bar's close append nothing.
class InputDialog final : public QDialog
{
    Q_OBJECT

public:
    // `append` receives the typed text (not empty) when the operator confirms.
    explicit InputDialog(std::function<void(const QString &)> append, QWidget *parent = nullptr);

    void accept() override;
    void reject() override;

private:
    std::function<void(const QString &)> m_append;
    QLineEdit *m_text;
};
