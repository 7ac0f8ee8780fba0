// SPDX-License-Identifier: MIT
#include "onelinebox.h"

#include <QAction>
#include <QLineEdit>
#include <QStyle>
#include <QToolTip>
#include <QValidator>

#include <limits>

namespace {

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

// Takes the control characters out, keeping the cursor behind the same
// character, and refuses a text that grows past the bound.
class OneLineValidator final : public QValidator
{
public:
    explicit OneLineValidator(QLineEdit &box) : QValidator(&box), m_shownSize(box.text().size())
    {
        connect(&box, &QLineEdit::textChanged, this, [this](const QString &text) { m_shownSize = text.size(); });
    }

    qsizetype limit = std::numeric_limits<qsizetype>::max();

    State validate(QString &input, int &pos) const override
    {
        int removedBeforeCursor = 0;
        qsizetype kept = 0;
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (!isControl(input[i]))
                input[kept++] = input[i];
            else if (i < pos)
                ++removedBeforeCursor;
        }
        input.truncate(kept);
        pos -= removedBeforeCursor;
        return kept > limit && kept > m_shownSize ? Invalid : Acceptable;
    }

private:
    qsizetype m_shownSize;
};

const char *const markName = "inputRefusedMark";

} // namespace

void configureOneLineBox(QLineEdit &box)
{
    box.setMaxLength(std::numeric_limits<int>::max());
    box.setValidator(new OneLineValidator(box));
}

void limitOneLineBox(QLineEdit &box, qsizetype characters, const QString &reason)
{
    auto *validator = dynamic_cast<OneLineValidator *>(const_cast<QValidator *>(box.validator()));
    if (!validator)
        qFatal("limitOneLineBox: %s was not made by configureOneLineBox", qPrintable(box.objectName()));
    validator->limit = characters;

    auto *mark = box.findChild<QAction *>(QString::fromLatin1(markName));
    if (!mark) {
        mark = box.addAction(box.style()->standardIcon(QStyle::SP_MessageBoxWarning), QLineEdit::TrailingPosition);
        mark->setObjectName(QString::fromLatin1(markName));
        mark->setVisible(false);
        QObject::connect(&box, &QLineEdit::inputRejected, mark, [&box, mark] {
            mark->setVisible(true);
            QToolTip::showText(box.mapToGlobal(box.rect().bottomLeft()), mark->toolTip(), &box);
        });
        QObject::connect(&box, &QLineEdit::textChanged, mark, [mark] { mark->setVisible(false); });
    }
    mark->setToolTip(reason);
}
