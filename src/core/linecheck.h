// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Which sequence lines play as they read, and what playback makes of a line, in
// words for the operator. Display only: playback itself reads lines with
// sequenceline::readForPlayback.
namespace linecheck {

// Whether `line`, one line of the sequence without its line break, has the
// shape the recorder gives it: "Time"; characters 5 to 9 a number of
// milliseconds in digits, padded with blanks; a blank at character 10; then
// nothing more, or a command that starts with '#' at character 11. The interval
// must also be one playback waits: more than 0 and within its range (0 halts
// playback, a larger number is not sent).
//
// An empty line is taken as fine (nothing is sent for it, and it reads so). The
// time prefix alone ("Time4800  ") is the recorder's pause: a lone CR goes out
// and playback waits its interval.
bool playsAsWritten(QStringView line);

// What playback does with a line as it fetches it: sends nothing (and keeps
// the interval of the line before), or sends `bytes` and then waits `interval`
// ms when it is more than 0, halts after it at 0, keeps the interval before
// when it is less.
struct Reading {
    enum class Skip {
        None,
        TooShort,           // fewer than 10 characters
        IntervalUnreadable, // characters 5 to 9 give no 16-bit number
    };
    Skip skipped = Skip::None;
    QByteArray bytes;
    qint16 interval = 0;
};

// `line` with its CR where it has one.
Reading readLine(const QString &line);

// readLine's result in words: the bytes sent, escaped, and the interval waited;
// two lines of text.
QString describePlayback(const QString &line);

// Bytes as readable text: printable ASCII as it is, a backslash doubled, CR as
// \r, LF as \n, tab as \t, every other byte as \xNN.
QString escaped(const QByteArray &bytes);

} // namespace linecheck
