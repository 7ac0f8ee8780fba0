// SPDX-License-Identifier: MIT
#include "jsonduplicates.h"

#include <QHash>

#include <deque>
#include <vector>

namespace jsonduplicates {

namespace {

// An object or array the scan is inside. Keys are their UTF-8 bytes: a view
// into the text itself, or into `Scan::decoded` for a key with an escape.
struct Container {
    bool isObject = false;
    QByteArrayView key;               // the object's member being read
    int index = 0;                    // the array's item being read
    QHash<QByteArrayView, bool> keys; // the keys seen; true once told as duplicate
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

// The UTF-8 of the string whose opening quote is at `at`, and where it ends
// (just past its closing quote). Most keys have no escape and are the text's
// own bytes; the others are decoded into `storage`, which keeps them.
qsizetype readString(QByteArrayView json, qsizetype at, QByteArrayView *text, std::deque<QByteArray> &storage)
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
    if (run == at + 1) {
        *text = json.sliced(run, i - run);
    } else {
        storage.push_back((decoded + QString::fromUtf8(json.sliced(run, i - run))).toUtf8());
        *text = storage.back();
    }
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

QString pathTo(const std::vector<Container> &open)
{
    QString path;
    for (const Container &c : open) {
        if (!path.isEmpty())
            path += u'.';
        path += c.isObject ? QString::fromUtf8(c.key) : QString::number(c.index);
    }
    return path;
}

} // namespace

QStringList find(QByteArrayView json)
{
    QStringList duplicates;
    std::vector<Container> open;
    std::deque<QByteArray> decoded;
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
                i = readString(json, i, &object.key, decoded);
                const qsizetype known = object.keys.size();
                bool &told = object.keys[object.key];
                if (object.keys.size() == known && !told) {
                    told = true;
                    duplicates.append(pathTo(open));
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
