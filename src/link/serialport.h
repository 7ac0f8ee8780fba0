#pragma once

#include <QObject>
#include <QString>

#include "settingsstring.h"

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
    SerialResult(Code code, QString reason) : m_code(code), m_reason(std::move(reason)) {}

    Code m_code = Ok;
    QString m_reason;
};

// The serial port object: everything the program sends goes through one of
// these. It only writes; it never waits for the board.
class SerialPort : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Number n of the port to open: the system's COMn (see portnames.h).
    int commPort() const { return m_commPort; }
    [[nodiscard]] SerialResult setCommPort(int number);

    // The settings string, such as "115200,n,8,1". A refused string leaves the
    // previous one in force; on an open port a new one applies at once.
    QString settings() const { return m_settings; }
    [[nodiscard]] SerialResult setSettings(const QString &settings);

    virtual bool portOpen() const = 0;
    // true opens port commPort() with settings(); false closes it.
    [[nodiscard]] virtual SerialResult setPortOpen(bool open) = 0;

    // Hands the text to the port in one write and returns without waiting. A
    // text that the line cannot take yet waits in the port's queue, in order;
    // when that queue is full the text is refused whole with QueueFull.
    [[nodiscard]] SerialResult output(const QString &text);

    // What output() has handed to the port since resetTraffic().
    struct Traffic {
        qint64 bytes = 0;
        qint64 commands = 0;
    };
    const Traffic &traffic() const { return m_traffic; }
    void resetTraffic() { m_traffic = {}; }
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
    // were discarded. The text is in the operator's language.
    void notice(const QString &text);

protected:
    // The settings have been checked; an implementation applies them to an open
    // port, or refuses them with a reason.
    virtual SerialResult applySettings(const QString &settings) = 0;
    virtual SerialResult writeBytes(const QByteArray &bytes) = 0;

private:
    Traffic m_traffic;
    int m_commPort = 1;
    QString m_settings = QString::fromLatin1(settingsstring::initial);
};
