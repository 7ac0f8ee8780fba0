// SPDX-License-Identifier: MIT
#pragma once

#include "boardcommand.h"

#include <QFile>

// Writes one JSON line per received command:
//   {"arrival_us":123,"raw":"#5P2000S","groups":[{"channel":5,"pulse":2000,"speed":null}],
//    "time_ms":null,"flags":["empty-speed"]}
// "raw" holds the line's bytes one character each (Latin-1), "speed": null
// means no speed limit. Each line is flushed as it is written.
class TraceWriter
{
public:
    // Opens (truncates) `path`; `errorString()` tells why when it fails.
    bool open(const QString &path);
    // The system's reason for the last failure of open() or write().
    QString errorString() const { return m_error; }
    // Appends the command's line; on failure nothing of it stays in the file.
    bool write(const boardcommand::Command &command, qint64 arrivalUs);
    void close() { m_file.close(); }
    bool isOpen() const { return m_file.isOpen(); }

    // The JSON line for one command, without its line end.
    static QByteArray line(const boardcommand::Command &command, qint64 arrivalUs);

private:
    QFile m_file;
    QString m_error;
};
