// SPDX-License-Identifier: MIT
#include "commandformat.h"

#include <QStringList>

#include <optional>

namespace commandformat {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The fields of `line` ("#5", "P1500", ...), or none when it is not a command
// in the board's language.
std::optional<QStringList> fieldsOf(QStringView line)
{
    QStringList fields;
    qsizetype pos = 0;
    const auto skipBlanks = [&] {
        while (pos < line.size() && line[pos] == u' ')
            ++pos;
    };
    // A letter and its digits; the speed alone may be empty (no limit).
    const auto field = [&](QChar letter, bool digitsNeeded) {
        skipBlanks();
        if (pos >= line.size() || line[pos] != letter)
            return false;
        const qsizetype start = pos++;
        while (pos < line.size() && isDigit(line[pos]))
            ++pos;
        if (digitsNeeded && pos == start + 1) {
            pos = start;
            return false;
        }
        fields.append(line.sliced(start, pos - start).toString());
        return true;
    };
    do {
        if (!field(u'#', true) || !field(u'P', true))
            return std::nullopt;
        field(u'S', false);
        skipBlanks();
    } while (pos < line.size() && line[pos] == u'#');
    field(u'T', true);
    skipBlanks();
    if (pos != line.size())
        return std::nullopt;
    return fields;
}

QString spaced(QStringView line)
{
    const std::optional<QStringList> fields = fieldsOf(line);
    return fields ? fields->join(u' ') : line.toString();
}

} // namespace

QString apply(const QString &command, CommandFormat format)
{
    if (format == CommandFormat::Compact)
        return command;
    QString out;
    out.reserve(command.size() + command.size() / 4);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= command.size(); ++i) {
        if (i < command.size() && command[i] != u'\r' && command[i] != u'\n')
            continue;
        out += spaced(QStringView(command).sliced(start, i - start));
        if (i < command.size())
            out += command[i];
        start = i + 1;
    }
    return out;
}

} // namespace commandformat
