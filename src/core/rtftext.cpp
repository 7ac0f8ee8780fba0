// SPDX-License-Identifier: MIT
#include "rtftext.h"

#include <QSet>
#include <QStringDecoder>

#include <cctype>
#include <utility>
#include <vector>

namespace {

// Groups that hold no text of the document.
const QSet<QByteArray> &skippedDestinations()
{
    static const QSet<QByteArray> names = {
        "fonttbl", "colortbl",  "stylesheet", "info",      "pict",
        "object",  "header",    "footer",     "headerl",   "headerr",
        "footerl", "footerr",   "footnote",   "listtable", "listoverridetable",
        "rsidtbl", "generator", "themedata",  "datastore", "latentstyles",
    };
    return names;
}

class RtfReader
{
public:
    explicit RtfReader(const QByteArray &rtf) : m_rtf(rtf) { }

    QString read()
    {
        m_states.push_back({});
        while (m_pos < m_rtf.size()) {
            const char c = m_rtf[m_pos++];
            if (c == '{') {
                flushBytes();
                m_states.push_back(m_states.back());
            } else if (c == '}') {
                flushBytes();
                m_fallbackToSkip = 0;
                if (m_states.size() > 1)
                    m_states.pop_back();
            } else if (c == '\\') {
                controlSymbol();
            } else if (c != '\r' && c != '\n') {
                character(QChar::fromLatin1(c), c);
            }
        }
        flushBytes();
        return m_text;
    }

private:
    struct State {
        bool skip = false;
        int unicodeFallback = 1; // characters that follow \uN in its place
    };

    void controlSymbol()
    {
        if (m_pos >= m_rtf.size())
            return;
        const char c = m_rtf[m_pos];
        if (c == '\'') {
            // Exactly two hex digits; anything else is skipped and read on as it is.
            ++m_pos;
            if (m_pos + 2 > m_rtf.size() || !std::isxdigit(static_cast<unsigned char>(m_rtf[m_pos]))
                || !std::isxdigit(static_cast<unsigned char>(m_rtf[m_pos + 1])))
                return;
            const char byte = char(m_rtf.mid(m_pos, 2).toInt(nullptr, 16));
            m_pos += 2;
            character({}, byte);
            return;
        }
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++m_pos;
            switch (c) {
            case '*':
                m_states.back().skip = true;
                break;
            case '~':
                character(u' ', ' ');
                break;
            case '_':
                character(u'-', '-');
                break;
            case '\\':
            case '{':
            case '}':
                character(QChar::fromLatin1(c), c);
                break;
            case '\r':
            case '\n':
                put(u'\r');
                break;
            default:
                break;
            }
            return;
        }
        controlWord();
    }

    void controlWord()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_rtf.size() && std::isalpha(static_cast<unsigned char>(m_rtf[m_pos])))
            ++m_pos;
        const QByteArray word = m_rtf.mid(start, m_pos - start);
        const qsizetype numberStart = m_pos;
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == '-')
            ++m_pos;
        while (m_pos < m_rtf.size() && std::isdigit(static_cast<unsigned char>(m_rtf[m_pos])))
            ++m_pos;
        const QByteArray number = m_rtf.mid(numberStart, m_pos - numberStart);
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == ' ')
            ++m_pos;

        State &state = m_states.back();
        if (skippedDestinations().contains(word)) {
            state.skip = true;
        } else if (word == "ansicpg") {
            m_codePage = number.toInt();
        } else if (word == "uc") {
            state.unicodeFallback = number.toInt();
        } else if (word == "u") {
            unicodeCharacter(number);
            m_fallbackToSkip = state.unicodeFallback;
        } else if (word == "par" || word == "line") {
            put(u'\r');
        } else if (word == "tab") {
            put(u'\t');
        }
    }

    // \uN: a UTF-16 code unit, written as a signed 16-bit number. An empty or
    // out-of-range number, and half of a surrogate pair without its other half,
    // stand for nothing.
    void unicodeCharacter(const QByteArray &number)
    {
        bool ok = false;
        int code = number.toInt(&ok);
        if (!ok || code < -32768 || code > 65535) {
            put({});
            return;
        }
        if (code < 0)
            code += 65536;
        const QChar unit{char16_t(code)};
        if (unit.isLowSurrogate() && !m_highSurrogate.isNull()) {
            const QChar high = std::exchange(m_highSurrogate, QChar());
            put(high);
            m_text += unit;
        } else if (unit.isHighSurrogate()) {
            put({});
            m_highSurrogate = unit;
        } else {
            put(unit.isLowSurrogate() ? QChar() : unit);
        }
    }

    // A character of the document: `latin` for plain ASCII, or `byte` of the
    // code page when `latin` is null.
    void character(QChar latin, char byte)
    {
        if (m_states.back().skip)
            return;
        if (m_fallbackToSkip > 0) {
            --m_fallbackToSkip;
            return;
        }
        if (latin.isNull() || static_cast<unsigned char>(byte) >= 0x80) {
            m_bytes += byte;
            return;
        }
        flushBytes();
        m_highSurrogate = QChar();
        m_text += latin;
    }

    // Puts `c` into the text; a null `c` puts nothing, NUL is never text.
    void put(QChar c)
    {
        if (m_states.back().skip)
            return;
        flushBytes();
        m_fallbackToSkip = 0;
        m_highSurrogate = QChar();
        if (!c.isNull())
            m_text += c;
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty())
            return;
        const QByteArray name =
            m_codePage == 0 || m_codePage == 936 ? QByteArray("GBK") : "windows-" + QByteArray::number(m_codePage);
        m_highSurrogate = QChar();
        QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
        QString decoded = decoder.isValid() ? QString(decoder.decode(m_bytes)) : QString::fromLatin1(m_bytes);
        // What the code page cannot read is dropped, not shown as a stand-in.
        if (decoder.hasError())
            decoded.remove(QChar::ReplacementCharacter);
        decoded.remove(QChar::Null);
        m_text += decoded;
        m_bytes.clear();
    }

    const QByteArray &m_rtf;
    qsizetype m_pos = 0;
    std::vector<State> m_states;
    QString m_text;
    QByteArray m_bytes;
    int m_codePage = 0;
    int m_fallbackToSkip = 0;
    QChar m_highSurrogate; // the first half of a \u pair, until its second half
};

} // namespace

QString plainTextFromRtf(const QByteArray &rtf)
{
    return RtfReader(rtf).read();
}
