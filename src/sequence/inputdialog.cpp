// SPDX-License-Identifier: MIT
#include "inputdialog.h"

#include "common/onelinebox.h"
#include "common/uilook.h"

#include <QLineEdit>
#include <QPushButton>

InputDialog::InputDialog(std::function<void(const QString &)> append, QWidget *parent)
    : QDialog(parent, Qt::Window), m_append(std::move(append))
{
    setObjectName(QStringLiteral("dialog2"));
    setWindowTitle(QStringLiteral("Input"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(uilook::captionFont());
    resize(uilook::px(6795), uilook::px(1785));

    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    configureOneLineBox(*m_text);
    // The form the recorder writes: "Time", the interval in five characters, a blank, the channels.
    m_text->setPlaceholderText(tr("例如 Time1000  #5P1500S300"));
    uilook::place(*m_text, 360, 240, 6135, 975);

    auto *ok = new QPushButton(tr("确定"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    uilook::place(*ok, 1200, 1320, 1215, 375);

    auto *cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    cancel->setAutoDefault(false);
    uilook::place(*cancel, 4080, 1320, 1215, 375);

    setTabOrder(m_text, ok);
    setTabOrder(ok, cancel);

    connect(ok, &QPushButton::clicked, this, &InputDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &InputDialog::reject);
}

void InputDialog::accept()
{
    const QString text = m_text->text();
    if (!text.isEmpty()) {
        m_append(text);
        m_text->clear();
    }
    QDialog::accept();
}

void InputDialog::reject()
{
    m_text->clear();
    QDialog::reject();
}
