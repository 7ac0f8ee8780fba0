// SPDX-License-Identifier: MIT
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QStringList>

#include <functional>

// The serial ports the system knows, as the port lists show them, in the order
// the system reports them. Never fails: no ports, or no way to list them, gives
// an empty list.
using PortEnumerator = std::function<QStringList()>;

PortEnumerator systemPortEnumerator();

// Adds every port to the top of `target`, so the last one reported comes first.
// Entries already in the list stay.
void ListSerialPorts(QComboBox &target, const PortEnumerator &enumerate);

// The port box's text. A name longer than the box ("COM1000 (虚拟舵机板)") is
// shown from its start and ends in "…" while the operator is not typing in it,
// so the port number Connect reads stays in sight; a plain line edit would
// show the end of it, where the cursor is. Typing shows and edits it whole.
class PortNameEdit final : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;
    // What the box shows.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textRoom() const;
};

// An editable port box that refills its list from the system each time the
// operator opens it. The list opens wide enough for every entry whole, the
// closed box shows the start of a long name (PortNameEdit), and the box's
// tooltip is its whole text.
class PortComboBox final : public QComboBox
{
    Q_OBJECT

public:
    explicit PortComboBox(PortEnumerator enumerate, QWidget *parent = nullptr);

    // Clears the list, lists the ports afresh and shows the first one (or nothing).
    void refresh();

    void showPopup() override;

private:
    PortEnumerator m_enumerate;
};
