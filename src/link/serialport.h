// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include <algorithm>
#include <deque>
#include <functional>
#include <limits>

#include "commandformat.h"
#include "core/settingsstring.h"
#include "movequeue.h"

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

// The number that picks the plural form of a text about `count` things: tr()
// takes an int, and a count past it is plural. The count itself goes in whole,
// as an argument.
constexpr int pluralFormOf(qint64 count)
{
    return int(std::min<qint64>(count, std::numeric_limits<int>::max()));
}

// The serial port object: everything the program sends goes through one of
// these. It only writes; it never waits for the board.
// What the port tells the operator outside the result of one call, with its figures.
struct PortNotice {
    enum class Kind {
        CommandTooLong,   // one command larger than the queue: refused whole
        Backlog,          // the queue is full: commands are refused until it drains
        DiscardedOnClose, // bytes still queued at closing were dropped
        WriteFailed,      // waiting commands could not be written and were dropped
    };
    Kind kind = Kind::Backlog;
    qint64 bytes = 0;         // the command's size, or the bytes dropped
    qint64 queueLimit = 0;    // the bound of the queue, in bytes
    double seconds = 0;       // sending time of the bound (or of the bytes dropped)
    double waitedSeconds = 0; // DiscardedOnClose: how long closing waited
    QString reason = {};      // WriteFailed: the system's words

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
    // settingsChanged() announces every new string in force. Only the baud
    // rates of standardBaudRates() are taken (where the platform names any): a
    // driver may quietly send a rate near one it cannot make, and a board hears
    // garbage.
    QString settings() const { return m_settings; }
    // The settings in force, read, and the bytes per second the line carries at them.
    const settingsstring::LineSettings &lineSettings() const { return m_line; }
    double bytesPerSecond() const { return settingsstring::bytesPerSecond(m_line); }
    [[nodiscard]] SerialResult setSettings(const QString &settings);
    // The baud rates this platform's serial ports are made for, in rising order.
    static QList<qint32> standardBaudRates();

    // How commands are spelt on the wire (see commandformat.h): compact until
    // changed, for the program's run, like the settings string; applies to
    // every command handed to the device from then on.
    CommandFormat commandFormat() const { return m_format; }
    void setCommandFormat(CommandFormat format);

    // What every command passes through as it is handed to the device (the
    // channels' limits in force at that moment, however long it waited), before
    // the command format.
    using Filter = std::function<QString(const QString &)>;
    void setFilter(Filter filter) { m_filter = std::move(filter); }

    // The bound on the bytes waiting for the line, in wire time: two seconds of
    // what the line carries at the current settings (23,040 bytes at 115200
    // 8N1), and never less than 512 bytes, so that even a very slow line takes
    // a line of all 32 channels. A command longer than the bound can never be
    // sent: output() refuses it whole, every time, and says so in notice().
    static constexpr double queueSeconds = 2.0;
    static constexpr qint64 smallestQueueLimit = 512;
    qint64 queueLimit() const { return m_queueLimit; }

    virtual bool portOpen() const = 0;
    // Opens port commPort() with settings().
    [[nodiscard]] virtual SerialResult openPort() = 0;
    // Closes the port once the device has sent what it holds. This blocks for
    // a few seconds at most; what is still unsent then is dropped and told in
    // notice(). Nothing happens when the port is not open.
    virtual void closeAfterDraining() = 0;

    // Hands an ordered command to the port and returns without waiting: a line
    // of playback, Send, a single step. It goes out whole and in order, never
    // merged. The program keeps what the line cannot take yet in its own queue
    // (see MoveQueue) and hands the device only what it sends within about
    // deviceSeconds; when that queue is full, or the text alone is longer than
    // queueLimit(), the text is refused whole with QueueFull. With nothing
    // waiting, the write happens before this returns.
    [[nodiscard]] SerialResult output(const QString &text);
    // A live move of `channel`: where it should be now. While the line is
    // behind, a newer live move of the channel replaces the waiting one, so at
    // most one per channel waits; it is never refused for a backlog. The moves
    // that do not fit within queueLimit() are deferred (see MoveQueue): each
    // channel's latest position still goes out, once the line has made room.
    [[nodiscard]] SerialResult outputMove(int channel, const QString &text);
    // Drops every command not yet on the wire: the program's queue and what
    // the device's driver still holds. Within the call.
    void discardUnsent();

    // What the device may hold at most, in wire time, before the next
    // command is handed over (a command longer than that goes alone).
    static constexpr double deviceSeconds = 0.010;

    // What has reached the device since resetTraffic(): its bytes and the
    // commands whose last byte has; and the bytes handed to the device, which
    // include those it still holds or discarded at a close or a stop.
    struct Traffic {
        qint64 bytes = 0;
        qint64 commands = 0;
        qint64 accepted = 0;
    };
    const Traffic &traffic() const { return m_traffic; }
    void resetTraffic();
    // Bytes accepted but not yet taken by the driver: the program's queue and
    // what the port object itself holds. Within queueLimit() (live moves past
    // it wait as deferredMoves()), and none once the port is closed.
    qint64 queuedBytes() const { return m_queue.bytes() + heldBytes(); }
    // Channels whose latest live move waits beyond the bound for room in the queue.
    qsizetype deferredMoves() const { return m_queue.deferredMoves(); }

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
    // A new command format is in force (see setCommandFormat).
    void commandFormatChanged(CommandFormat format);

    // `command` was handed to the device, at `steadyUs` microseconds on the
    // steady clock (std::chrono::steady_clock): after the filter, in the
    // compact form whatever the command format.
    void commandSent(const QString &command, qint64 steadyUs);

public:
    // The monotonic clock the port stamps its commands and paces the line on:
    // µs of std::chrono::steady_clock.
    static qint64 steadyNowUs();

protected:
    // The settings have been checked; an implementation applies them to an open
    // port, or refuses them with a reason.
    virtual SerialResult applySettings(const QString &settings) = 0;
    virtual SerialResult writeBytes(const QByteArray &bytes) = 0;
    // Bytes handed over that the port object holds before its driver: none
    // for a port that writes straight through.
    virtual qint64 heldBytes() const { return 0; }
    // Whether the device can take the next command now; when not, the
    // implementation calls pump() once it may (pumpLater()).
    virtual bool deviceHasRoom() const { return true; }
    virtual void pumpLater() { }
    // Drops what the device holds for the line; returns the bytes the port
    // object itself dropped.
    virtual qint64 discardDeviceOutput() { return 0; }

    // Hands waiting commands to the device while it has room.
    void pump();
    // Hands every waiting command over at once, room or not: before a close
    // that drains.
    void handOverAll();

    // An implementation reports the bytes that have reached the device, in the
    // order written, and, when the port has closed (by itself or not), how
    // many accepted bytes never did.
    void reportWritten(qint64 bytes);
    void portClosed(qint64 unsent);

private:
    SerialResult handOver(const MoveQueue::Command &command);
    SerialResult refuseBeyondQueue(const QByteArray &bytes);
    // The bytes of `text` on the wire, in the command format.
    QByteArray wireBytes(const QString &text) const;
    // What the queue may hold besides what the port object holds.
    qint64 queueRoom() const { return m_queueLimit - heldBytes(); }
    void dropAfterFailedWrite(const SerialResult &failure);
    void unsentDiscarded(qint64 unsent);

    MoveQueue m_queue;
    bool m_refusing = false; // an episode of refusing for a backlog is on
    Traffic m_traffic;
    // Where each accepted command not yet wholly written ends, counted in
    // accepted bytes.
    std::deque<qint64> m_commandEnds;
    qint64 m_dropped = 0; // accepted bytes that never reached the device
    qint64 m_queueLimit = 0;
    int m_commPort = 1;
    QString m_settings;
    settingsstring::LineSettings m_line;
    CommandFormat m_format = CommandFormat::Compact;
    Filter m_filter;
};
