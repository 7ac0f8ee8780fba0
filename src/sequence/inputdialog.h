#pragma once

#include <QWidget>

#include <functional>

class QLineEdit;

// A small window in which the operator types one line of free text that joins
// the sequence as its new last line. Modeless; destroyed when closed, so each
// opening starts empty.
class InputDialog final : public QWidget
{
    Q_OBJECT

public:
    // `append` receives the typed text (not empty) when the operator confirms.
    explicit InputDialog(std::function<void(const QString &)> append, QWidget *parent = nullptr);

private:
    void confirm();
    void cancel();

    std::function<void(const QString &)> m_append;
    QLineEdit *m_text;
};
