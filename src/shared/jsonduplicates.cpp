// SPDX-License-Identifier: MIT
#include "jsonduplicates.h"

#include <QHash>

#include <vector>

namespace jsonduplicates {

namespace {

// An object or array the scan is inside.
struct Container {
    bool isObject = false;
    QString key;               // the object's member being read
    int index = 0;             // the array's item being read
    QHash<QString, bool> keys; // the keys seen; true once told as duplicate
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

// The text of the string whose opening quote is at `at`, and where it ends
// (just past its closing quote). Most keys have no escape and are taken whole.
qsizetype readString(QByteArrayView json, qsizetype at, QString *text)
{
    QString decoded;
    qsizetype run = at + 1;
    qsizetype i = run;
    for (; json[i] != '"'; ++i) {
        if (json[i] != '\\')
            continue;
        decoded += QString::fromUtf8(json.sliced(run, i - run));
        const char escaped = json[i + 1];
        switch (escaped) {
        case 'b':
            decoded += u'\b';
            break;
        case 'f':
            decoded += u'\f';
            break;
        case 'n':
            decoded += u'\n';
            break;
        case 'r':
            decoded += u'\r';
            break;
        case 't':
            decoded += u'\t';
            break;
        case 'u': {
            // A surrogate pair comes as two escapes, one code unit each.
            char16_t unit = 0;
            for (qsizetype d = 2; d < 6; ++d)
                unit = char16_t(unit * 16 + hexDigit(json[i + d]));
            decoded += QChar(unit);
            i += 4;
            break;
        }
        default: // '"', '\\', '/'
            decoded += QLatin1Char(escaped);
        }
        ++i;
        run = i + 1;
    }
    if (run == at + 1)
        *text = QString::fromUtf8(json.sliced(run, i - run));
    else
        *text = decoded + QString::fromUtf8(json.sliced(run, i - run));
    return i + 1;
}

// Just past the closing quote of the string whose opening quote is at `at`.
qsizetype skipString(QByteArrayView json, qsizetype at)
{
    qsizetype i = at + 1;
    while (json[i] != '"')
        i += json[i] == '\\' ? 2 : 1;
    return i + 1;
}

QString pathTo(const std::vector<Container> &open, const QString &key)
{
    QString path;
    for (size_t c = 0; c + 1 < open.size(); ++c) {
        path += open[c].isObject ? open[c].key : QString::number(open[c].index);
        path += u'.';
    }
    return path + key;
}

} // namespace

QStringList find(QByteArrayView json)
{
    QStringList duplicates;
    std::vector<Container> open;
    bool keyNext = false;
    for (qsizetype i = 0; i < json.size();) {
        switch (json[i]) {
        case '{':
            open.push_back({true, {}, 0, {}});
            keyNext = true;
            ++i;
            break;
        case '[':
            open.push_back({false, {}, 0, {}});
            keyNext = false;
            ++i;
            break;
        case '}':
        case ']':
            open.pop_back();
            keyNext = false;
            ++i;
            break;
        case ',':
            if (open.back().isObject)
                keyNext = true;
            else
                ++open.back().index;
            ++i;
            break;
        case '"':
            if (!keyNext) {
                i = skipString(json, i);
                break;
            }
            {
                Container &object = open.back();
                i = readString(json, i, &object.key);
                const qsizetype known = object.keys.size();
                bool &told = object.keys[object.key];
                if (object.keys.size() == known && !told) {
                    told = true;
                    duplicates.append(pathTo(open, object.key));
                }
            }
            keyNext = false;
            break;
        default: // white space, ':', numbers, true, false, null
            ++i;
        }
    }
    return duplicates;
}

} // namespace jsonduplicates
