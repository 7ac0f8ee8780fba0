// SPDX-License-Identifier: MIT
#include "core/sentposejournal.h"

#include "filefaults.h"
#include "support/virtualtime.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "support/testmain.h"

namespace {

using Pulses = QList<QPair<int, int>>; // channel, pulse

const QDateTime start = QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);

// JSON written with ' for ", to keep the rows readable.
QByteArray json(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

Pulses pulsesOf(const SentPoseJournal &journal)
{
    Pulses pulses;
    for (const auto &[channel, pulse] : journal.pose())
        pulses.append({channel, pulse});
    return pulses;
}

// A journal's file holding `pulses`, sent at `start`.
QByteArray journalOf(const Pulses &pulses)
{
    QByteArray channels;
    for (const auto &[channel, pulse] : pulses)
        channels += QStringLiteral("%1{'channel':%2,'pulse':%3,'sentAt':'2026-03-01T09:30:00Z'}")
                        .arg(channels.isEmpty() ? QString() : QStringLiteral(","))
                        .arg(channel)
                        .arg(pulse)
                        .toLatin1();
    return json("{'version':1,'channels':[" + channels + "]}");
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file's own mode bits; the "User" flags describe the running user.
QFileDevice::Permissions modeOf(const QString &path)
{
    return QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

constexpr int port = 3;
constexpr int otherPort = 4;

} // namespace

class TestSentPoseJournal : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<VirtualTime> m_time;

    // The old single file; the ports' journals are named after it.
    QString basePath() const { return m_dir->filePath(QStringLiteral("settings/last-sent-pose.json")); }
    QString path(int of = port) const { return SentPoseJournal::pathFor(basePath(), of); }
    std::unique_ptr<SentPoseJournal> makeJournal()
    {
        return std::make_unique<SentPoseJournal>(basePath(), [this](int ms, std::function<void()> due) {
            m_time->setTick(std::move(due));
            m_time->start(ms);
        });
    }
    // What a new start would read from the port's file as it stands.
    Pulses onDisk(int of = port)
    {
        SentPoseJournal reader(basePath());
        reader.load(of);
        return pulsesOf(reader);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_time = std::make_unique<VirtualTime>();
    }

    void keptAcrossARestart_data()
    {
        QTest::addColumn<QStringList>("commands"); // one a second from `start`
        QTest::addColumn<Pulses>("pulses");
        QTest::addColumn<QList<int>>("sentAtSeconds"); // per channel of `pulses`
        QTest::newRow("a live move") << QStringList{"#5P2000S300\r"} << Pulses{{5, 2000}} << QList<int>{0};
        QTest::newRow("a glide, then one channel again")
            << QStringList{"#0P900#3P1600T1500\r", "#3P1700S100\r"} << Pulses{{0, 900}, {3, 1700}} << QList<int>{0, 1};
        QTest::newRow("what the board leaves out is left out")
            << QStringList{"#40P1000#1P3000#2S100#4P1000\r"} << Pulses{{4, 1000}} << QList<int>{0};
        QTest::newRow("Send with two lines in it")
            << QStringList{"#1P800\r#2P900\n#1P1000\r"} << Pulses{{1, 1000}, {2, 900}} << QList<int>{0, 0};
        QTest::newRow("nothing that moves") << QStringList{"hello\r", "T500\r"} << Pulses{} << QList<int>{};
    }
    void keptAcrossARestart()
    {
        QFETCH(QStringList, commands);
        QFETCH(Pulses, pulses);
        QFETCH(QList<int>, sentAtSeconds);
        {
            auto journal = makeJournal();
            QCOMPARE(journal->load(port).outcome, SentPoseJournal::Loading::Outcome::NoFile);
            for (qsizetype i = 0; i < commands.size(); ++i)
                journal->sent(commands[i], start.addSecs(i));
            // The program ends before the wait is over: the end writes it.
        }
        SentPoseJournal next(basePath());
        const SentPoseJournal::Loading loading = next.load(port);
        QCOMPARE(loading.outcome, pulses.isEmpty() ? SentPoseJournal::Loading::Outcome::NoFile
                                                   : SentPoseJournal::Loading::Outcome::Loaded);
        QCOMPARE(pulsesOf(next), pulses);
        for (qsizetype i = 0; i < pulses.size(); ++i)
            QCOMPARE(next.channel(pulses[i].first)->sentAt, start.addSecs(sentAtSeconds[i]));
        QCOMPARE(next.lastSentAt().has_value(), !pulses.isEmpty());
    }

    void writtenAfterTheDelay_data()
    {
        QTest::addColumn<QList<int>>("sentAtMs"); // channel 0 gets 1000 + its index each time
        QTest::addColumn<int>("checkAtMs");
        QTest::addColumn<Pulses>("onDisk");
        const int delay = SentPoseJournal::saveDelayMs;
        QTest::newRow("not before the delay") << QList<int>{0} << delay - 1 << Pulses{};
        QTest::newRow("at the delay") << QList<int>{0} << delay << Pulses{{0, 1000}};
        QTest::newRow("changes meanwhile go with it") << QList<int>{0, 1000, delay - 1} << delay << Pulses{{0, 1002}};
        QTest::newRow("a long drag is written while it goes on")
            << QList<int>{0, 1000, 2000, 3000, 4000, 5000} << 5500 << Pulses{{0, 1002}};
        QTest::newRow("a change after a write waits again")
            << QList<int>{0, delay + 500} << 2 * delay << Pulses{{0, 1000}};
    }
    void writtenAfterTheDelay()
    {
        QFETCH(QList<int>, sentAtMs);
        QFETCH(int, checkAtMs);
        QFETCH(Pulses, onDisk);
        auto journal = makeJournal();
        journal->load(port);
        for (qsizetype i = 0; i < sentAtMs.size(); ++i) {
            m_time->advance(sentAtMs[i] - m_time->nowMs());
            journal->sent(QStringLiteral("#0P%1S300\r").arg(1000 + i), start);
        }
        m_time->advance(checkAtMs - m_time->nowMs());
        journal->finishWriting();
        QCOMPARE(this->onDisk(), onDisk);
    }

    void aDamagedFileIsIgnored_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not JSON") << QByteArray("\x00\xff garbage", 10);
        QTest::newRow("cut short") << json("{'version':1,'channels':[{'channel':1,'pu");
        QTest::newRow("another version") << json("{'version':2,'channels':[]}");
        QTest::newRow("a pulse the board would refuse")
            << json("{'version':1,'channels':[{'channel':1,'pulse':3000,'sentAt':'2026-03-01T09:30:00Z'}]}");
        QTest::newRow("a channel twice") << json(
            "{'version':1,'channels':[{'channel':1,'pulse':900,'sentAt':'2026-03-01T09:30:00Z'},"
            "{'channel':1,'pulse':1000,'sentAt':'2026-03-01T09:30:00Z'}]}");
        QTest::newRow("no time") << json("{'version':1,'channels':[{'channel':1,'pulse':900,'sentAt':'yesterday'}]}");
        QTest::newRow("far too large") << QByteArray(1024 * 1024, ' ');
    }
    void aDamagedFileIsIgnored()
    {
        QFETCH(QByteArray, content);
        QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();

        auto journal = makeJournal();
        QCOMPARE(journal->load(port).outcome, SentPoseJournal::Loading::Outcome::Damaged);
        QVERIFY(journal->isEmpty());
        // Left alone until something is sent; then replaced by a sound one.
        journal.reset();
        QCOMPARE(QFileInfo(path()).size(), content.size());
        journal = makeJournal();
        journal->load(port);
        journal->sent(u"#2P1100\r", start);
        m_time->advance(SentPoseJournal::saveDelayMs);
        journal->finishWriting();
        QCOMPARE(onDisk(), (Pulses{{2, 1100}}));
    }

    void notAFileIsIgnoredAtOnce_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a folder") << QStringLiteral("folder");
        QTest::newRow("a FIFO, which would wait for a writer") << QStringLiteral("fifo");
        QTest::newRow("a link to nothing") << QStringLiteral("link");
        QTest::newRow("a link to a journal, which is not read through") << QStringLiteral("link to a journal");
    }
    void notAFileIsIgnoredAtOnce()
    {
        QFETCH(QString, kind);
        QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
        if (kind == u"folder")
            QVERIFY(QDir().mkpath(path()));
        else if (kind == u"fifo") {
            if (const QString unavailable = filefaults::makeFifo(path()); !unavailable.isEmpty())
                QSKIP(qPrintable(unavailable));
        } else if (kind == u"link") {
            QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("gone")), path()));
        } else {
            const QString elsewhere = m_dir->filePath(QStringLiteral("elsewhere.json"));
            QVERIFY(writeFile(elsewhere, journalOf({{1, 900}})));
            QVERIFY(QFile::link(elsewhere, path()));
        }
        auto journal = makeJournal();
        QCOMPARE(journal->load(port).outcome, SentPoseJournal::Loading::Outcome::Damaged);
        QVERIFY(journal->isEmpty());
    }

    // What was sent is nobody else's business, and a link planted in the
    // journal's place is replaced, its target left alone.
    void writtenPrivatelyAndNeverThroughALink_data()
    {
        QTest::addColumn<QString>("before"); // what is at the journal's place
        QTest::addColumn<bool>("atTheEnd");  // written as the program ends; else after the wait
        QTest::addColumn<Pulses>("written");
        const Pulses sent{{2, 1100}};
        QTest::newRow("nothing, after the wait") << QStringLiteral("nothing") << false << sent;
        QTest::newRow("nothing, at the end") << QStringLiteral("nothing") << true << sent;
        QTest::newRow("a journal open to all") << QStringLiteral("open") << false << Pulses{{1, 700}, {2, 1100}};
        QTest::newRow("a link to another file, after the wait") << QStringLiteral("link") << false << sent;
        QTest::newRow("a link to another file, at the end") << QStringLiteral("link") << true << sent;
        QTest::newRow("a link to nothing") << QStringLiteral("dangling") << false << sent;
    }
    void writtenPrivatelyAndNeverThroughALink()
    {
        QFETCH(QString, before);
        QFETCH(bool, atTheEnd);
        QFETCH(Pulses, written);
        const QString theirs = m_dir->filePath(QStringLiteral("someone-elses.txt"));
        const QString gone = m_dir->filePath(QStringLiteral("gone"));
        QVERIFY(writeFile(theirs, "theirs"));
        QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
        if (before == u"open") {
            QVERIFY(writeFile(path(), journalOf({{1, 700}})));
            QVERIFY(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                      | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        } else if (before == u"link") {
            QVERIFY(QFile::link(theirs, path()));
        } else if (before == u"dangling") {
            QVERIFY(QFile::link(gone, path()));
        }
        {
            auto journal = makeJournal();
            journal->load(port);
            journal->sent(u"#2P1100\r", start);
            if (!atTheEnd) {
                m_time->advance(SentPoseJournal::saveDelayMs);
                journal->finishWriting();
                QVERIFY(!QFileInfo(path()).isSymLink());
            }
        }
        QVERIFY(!QFileInfo(path()).isSymLink());
        QCOMPARE(modeOf(path()), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(onDisk(), written);
        QCOMPARE(contentOf(theirs), QByteArray("theirs"));
        QVERIFY(!QFileInfo::exists(gone));
    }

    // Two boards never share a journal: two copies of the program, or one
    // that is connected to one port and then to the other.
    void eachPortKeepsItsOwn_data()
    {
        QTest::addColumn<bool>("twoCopies");
        QTest::newRow("two copies of the program") << true;
        QTest::newRow("one copy, one port after the other") << false;
    }
    void eachPortKeepsItsOwn()
    {
        QFETCH(bool, twoCopies);
        {
            SentPoseJournal first(basePath());
            SentPoseJournal second(basePath());
            SentPoseJournal &other = twoCopies ? second : first;
            first.load(port);
            first.sent(u"#1P900\r", start);
            other.load(otherPort);
            QVERIFY(other.isEmpty());
            other.sent(u"#1P2000#3P1000\r", start.addSecs(1));
            first.load(port);
            first.sent(u"#2P1000\r", start.addSecs(2));
            QCOMPARE(pulsesOf(first), (Pulses{{1, 900}, {2, 1000}}));
        }
        QCOMPARE(onDisk(port), (Pulses{{1, 900}, {2, 1000}}));
        QCOMPARE(onDisk(otherPort), (Pulses{{1, 2000}, {3, 1000}}));
    }

    // A port with no journal yet starts from the one earlier versions kept for
    // every port; it is taken over once, by the first port that writes its own.
    void theOldSingleFileIsTakenOverOnce_data()
    {
        QTest::addColumn<Pulses>("oldFile");  // none when empty
        QTest::addColumn<Pulses>("portFile"); // none when empty
        QTest::addColumn<int>("portNumber");  // 0: no port named yet
        QTest::addColumn<Pulses>("shown");
        QTest::addColumn<Pulses>("written"); // the port's file after a move; none: nothing written
        QTest::addColumn<bool>("oldFileStays");
        const Pulses old{{2, 1200}};
        QTest::newRow("nothing kept yet") << Pulses{} << Pulses{} << port << Pulses{} << Pulses{{1, 900}} << false;
        QTest::newRow("the old file, taken over")
            << old << Pulses{} << port << old << Pulses{{1, 900}, {2, 1200}} << false;
        QTest::newRow("the port's own comes first")
            << old << Pulses{{5, 800}} << port << Pulses{{5, 800}} << Pulses{{1, 900}, {5, 800}} << true;
        QTest::newRow("no port: the old file is shown, nothing written")
            << old << Pulses{} << 0 << old << Pulses{} << true;
    }
    void theOldSingleFileIsTakenOverOnce()
    {
        QFETCH(Pulses, oldFile);
        QFETCH(Pulses, portFile);
        QFETCH(int, portNumber);
        QFETCH(Pulses, shown);
        QFETCH(Pulses, written);
        QFETCH(bool, oldFileStays);
        if (!oldFile.isEmpty())
            QVERIFY(writeFile(basePath(), journalOf(oldFile)));
        if (!portFile.isEmpty())
            QVERIFY(writeFile(path(), journalOf(portFile)));
        const QStringList filesBefore = QDir(QFileInfo(basePath()).absolutePath()).entryList(QDir::Files);
        {
            auto journal = makeJournal();
            journal->load(portNumber);
            QCOMPARE(pulsesOf(*journal), shown);
            journal->sent(u"#1P900\r", start);
            m_time->advance(SentPoseJournal::saveDelayMs);
            journal->finishWriting();
            QCOMPARE(QFileInfo::exists(basePath()), oldFileStays);
        }
        if (written.isEmpty())
            QCOMPARE(QDir(QFileInfo(basePath()).absolutePath()).entryList(QDir::Files), filesBefore);
        else
            QCOMPARE(onDisk(port), written);
        QCOMPARE(QFileInfo::exists(basePath()), oldFileStays);
        // Another port, later, starts from nothing once the old file is taken.
        QCOMPARE(onDisk(otherPort), oldFileStays ? oldFile : Pulses{});
    }

    void aFailedWriteIsToldOnce()
    {
        // The settings folder is a file: nothing can be written under it.
        QFile blocker(QFileInfo(path()).absolutePath());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        auto journal = makeJournal();
        journal->load(port);
        QSignalSpy failed(journal.get(), &SentPoseJournal::saveFailed);
        for (int pulse : {900, 1000, 1100}) {
            journal->sent(QStringLiteral("#0P%1\r").arg(pulse), start);
            m_time->advance(SentPoseJournal::saveDelayMs);
            journal->finishWriting();
        }
        QCOMPARE(failed.size(), 1);
        QVERIFY(!failed.first().first().toString().isEmpty());
    }
};

SERVO_TEST_MAIN(TestSentPoseJournal)
#include "tst_sentposejournal.moc"
