// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include <deque>

#include "core/settingsstring.h"

// Result of an operation on the serial port. Codes 8005 and 8018 are the two
// that the program reacts to; every other failure has a code of its own so that
// it can be told apart, and a reason for the operator where one is useful.
class SerialResult
{
public:
    enum Code : int {
        Ok = 0,
        NoPermission = 70,
        SettingsRefused = 380,
        InvalidPortNumber = 8002,
        PortInUse = 8005,
        OpenFailed = 8010,
        NoSuchPort = 8012,
        PortNotOpen = 8018,
        WriteFailed = 8020,
        QueueFull = 8021, // the line cannot keep up: see SerialPort::notice
    };

    SerialResult() = default;
    static SerialResult failure(Code code, QString reason = {}) { return SerialResult(code, std::move(reason)); }

    bool ok() const { return m_code == Ok; }
    Code code() const { return m_code; }
    const QString &reason() const { return m_reason; }

private:
    SerialResult(Code code, QString reason) : m_code(code), m_reason(std::move(reason)) { }

    Code m_code = Ok;
    QString m_reason;
};

// The serial port object: everything the program sends goes through one of
// these. It only writes; it never waits for the board.
// What the port tells the operator outside the result of one call, with its figures.
struct PortNotice {
    enum class Kind {
        CommandTooLong,   // one command larger than the queue: refused whole
        Backlog,          // the queue is full: commands are refused until it drains
        DiscardedOnClose, // bytes still queued at closing were dropped
    };
    Kind kind = Kind::Backlog;
    qint64 bytes = 0;         // the command's size, or the bytes dropped
    qint64 queueLimit = 0;    // the bound of the queue, in bytes
    double seconds = 0;       // sending time of the bound (or of the bytes dropped)
    double waitedSeconds = 0; // DiscardedOnClose: how long closing waited

    // In the operator's language.
    QString describe() const;
};
Q_DECLARE_METATYPE(PortNotice)

class SerialPort : public QObject
{
    Q_OBJECT

public:
    explicit SerialPort(QObject *parent = nullptr);

    // Number n of the port to open: the system's COMn (see portnames.h).
    int commPort() const { return m_commPort; }
    [[nodiscard]] SerialResult setCommPort(int number);

    // The settings string, such as "115200,n,8,1". A refused string leaves the
    // previous one in force; on an open port a new one applies at once, and
    // settingsChanged() announces every new string in force.
    QString settings() const { return m_settings; }
    [[nodiscard]] SerialResult setSettings(const QString &settings);

    // The bound on the bytes waiting for the line, in wire time: two seconds of
    // what the line carries at the current settings (23,040 bytes at 115200
    // 8N1), and never less than 512 bytes, so that even a very slow line takes
    // a line of all 32 channels. A command longer than the bound can never be
    // sent: output() refuses it whole, every time, and says so in notice().
    static constexpr double queueSeconds = 2.0;
    static constexpr qint64 smallestQueueLimit = 512;
    qint64 queueLimit() const { return m_queueLimit; }

    virtual bool portOpen() const = 0;
    // true opens port commPort() with settings(); false closes it.
    [[nodiscard]] virtual SerialResult setPortOpen(bool open) = 0;

    // Hands the text to the port in one write and returns without waiting. A
    // text that the line cannot take yet waits in the port's queue, in order;
    // when that queue is full, or the text alone is longer than queueLimit(),
    // the text is refused whole with QueueFull.
    [[nodiscard]] SerialResult output(const QString &text);

    // What has reached the device since resetTraffic(): its bytes and the
    // commands whose last byte has; and the bytes output() accepted, which
    // include those still queued or discarded at a close.
    struct Traffic {
        qint64 bytes = 0;
        qint64 commands = 0;
        qint64 accepted = 0;
    };
    const Traffic &traffic() const { return m_traffic; }
    void resetTraffic();
    // Bytes accepted but still waiting for the line.
    virtual qint64 queuedBytes() const { return 0; }

Q_SIGNALS:
    // The open port has gone (device unplugged, far end closed). The port has
    // already been closed when this is emitted. A line slower than the commands
    // (a full output buffer) is not a lost device.
    void lost();

    // Something the operator must be told that is not the failure of one call:
    // the port has begun refusing commands because the line cannot keep up
    // (once, when it begins), or bytes still queued when the port was closed
    // were discarded. describe() words it.
    void notice(const PortNotice &notice);

    // A new settings string is in force (see setSettings).
    void settingsChanged(const QString &settings);

protected:
    // The settings have been checked; an implementation applies them to an open
    // port, or refuses them with a reason.
    virtual SerialResult applySettings(const QString &settings) = 0;
    virtual SerialResult writeBytes(const QByteArray &bytes) = 0;

    // An implementation reports the bytes that have reached the device, in the
    // order written, and, when the port has closed (by itself or not), how
    // many accepted bytes never did.
    void reportWritten(qint64 bytes);
    void portClosed(qint64 unsent);

private:
    Traffic m_traffic;
    // Where each accepted command not yet wholly written ends, counted in
    // accepted bytes.
    std::deque<qint64> m_commandEnds;
    qint64 m_dropped = 0; // accepted bytes that never reached the device
    qint64 m_queueLimit = 0;
    int m_commPort = 1;
    QString m_settings;
};
