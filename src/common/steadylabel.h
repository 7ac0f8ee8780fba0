// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

// A label for a text that changes often, such as a counter on the status line.
// Its size is fixed to what its texts have needed so far: a new text that fits
// is only repainted, where a plain label would have the whole line around it
// laid out and repainted again. A wider text widens it once; it never narrows,
// so the texts beside it stay where they are.
class SteadyLabel final : public QLabel
{
    Q_OBJECT

public:
    explicit SteadyLabel(QWidget *parent = nullptr);
    // Sets the text, and widens the label if the text needs more room.
    void showText(const QString &text);

protected:
    void changeEvent(QEvent *event) override;

private:
    void fit(bool anew);
};
