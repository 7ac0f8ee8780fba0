#include "onelinebox.h"

#include <QLineEdit>
#include <QValidator>

#include <limits>

namespace {

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

// Accepts every text, with its control characters taken out and the cursor
// kept behind the same character.
class ControlStripper final : public QValidator
{
public:
    using QValidator::QValidator;

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
        return Acceptable;
    }
};

} // namespace

void configureOneLineBox(QLineEdit &box)
{
    box.setMaxLength(std::numeric_limits<int>::max());
    box.setValidator(new ControlStripper(&box));
}
