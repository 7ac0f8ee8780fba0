// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWidget;

// What the program tells the operator in a message box. Kept behind an interface
// so that tests can record the messages instead of blocking on a modal box.
struct Message {
    enum class Icon { None, Critical, Warning };
    Icon icon = Icon::None;
    QString title; // empty: the application's title
    QString text;
    // In a confirm(): Enter chooses `accept` rather than `reject`.
    bool acceptIsDefault = false;

    friend bool operator==(const Message &, const Message &) = default;
};

class Notifier
{
public:
    virtual ~Notifier() = default;

    // A modal box with one OK button; returns when the operator has closed it.
    virtual void show(QWidget *parent, const Message &message) = 0;

    // A modal box with two buttons; true when the operator chose `accept`.
    virtual bool confirm(QWidget *parent, const Message &message, const QString &accept, const QString &reject) = 0;
};

// The real thing: QMessageBox.
class MessageBoxNotifier final : public Notifier
{
public:
    void show(QWidget *parent, const Message &message) override;
    bool confirm(QWidget *parent, const Message &message, const QString &accept, const QString &reject) override;
};

// The messages that several parts of the program show.
namespace messages {
Message portInUse();
Message portNotOpen();
} // namespace messages
