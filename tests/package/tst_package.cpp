// SPDX-License-Identifier: MIT
// The Debian package as a user gets it: its files, its control fields and menu
// entry, and the installed program started and closed by an unprivileged user
// whose program folder is read-only, as under /usr/bin.
//
// The package_build test makes the package first (cpack); this test unpacks it
// into a temporary root (dpkg-deb -x), never into the machine.

#include "virtualscreen.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>
#include "support/filebytes.h"
#include "support/testmain.h"

namespace {

// The unprivileged user the installed program runs as (nobody on Debian).
constexpr uid_t unprivileged = 65534;

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

    QString m_package;
    QTemporaryDir m_root; // the unpacked package under pkg/, the users' homes beside it
    QString installed(const QString &relative) const { return m_root.filePath(QStringLiteral("pkg/") + relative); }
    QString field(const QString &name) const
    {
        return QString::fromUtf8(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_package, name}).out)
            .trimmed();
    }

    // The AppStream metadata, named after its component's id (which its validator checks).
    QString metainfo() const
    {
        const QStringList files = QDir(installed(QStringLiteral("usr/share/metainfo")))
                                      .entryList({QStringLiteral("*.metainfo.xml")}, QDir::Files);
        return QStringLiteral("usr/share/metainfo/")
               + (files.size() == 1 ? files.first() : QStringLiteral("(not one file)"));
    }

    // A value of an installed menu entry, "" when it has no such key.
    QString desktopValue(const QString &entry, const QString &key) const
    {
        const QByteArray prefix = key.toUtf8() + '=';
        const QString file = installed(QStringLiteral("usr/share/applications/%1.desktop").arg(entry));
        for (const QByteArray &line : readAll(file).split('\n')) {
            if (line.startsWith(prefix))
                return QString::fromUtf8(line.mid(prefix.size()));
        }
        return {};
    }

    // A terminal without any window system: DISPLAY empty, no Wayland, no Qt platform chosen.
    static QProcessEnvironment windowless()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QString());
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return environment;
    }

    // The installed program as a desktop starts it: on an X screen, as the
    // unprivileged user when this test runs as root, else as the user running it.
    void startInstalled(QProcess &process, const QByteArray &display, const QString &home)
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        if (!home.isNull())
            environment.insert(QStringLiteral("HOME"), home);
        // A sanitizer build's settings (suppressions) reach the program too.
        const QProcessEnvironment own = QProcessEnvironment::systemEnvironment();
        for (const QString &name :
             {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("LSAN_OPTIONS"), QStringLiteral("UBSAN_OPTIONS")}) {
            if (own.contains(name))
                environment.insert(name, own.value(name));
        }
        process.setProcessEnvironment(environment);
        const QString program = installed(QStringLiteral("usr/bin/servo-console"));
        if (::geteuid() == 0)
            process.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=%1").arg(unprivileged),
                                                      QStringLiteral("--regid=%1").arg(unprivileged),
                                                      QStringLiteral("--clear-groups"), QStringLiteral("--"), program});
        else
            process.start(program, QStringList());
    }

    // A home folder that the user the program runs as owns.
    QString makeHome(const QString &name)
    {
        const QString home = m_root.filePath(name);
        if (!QDir().mkpath(home))
            return {};
        if (::geteuid() == 0 && ::chown(QFile::encodeName(home).constData(), unprivileged, unprivileged) != 0)
            return {};
        return home;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QStringList built = QDir(QStringLiteral(PACKAGE_DIR))
                                      .entryList({QStringLiteral("servo-console_%1_*.deb").arg(PROJECT_VERSION)});
        QVERIFY2(built.size() == 1, "expected one package: cmake --build build --target package");
        m_package = QDir(QStringLiteral(PACKAGE_DIR)).filePath(built.first());
        QVERIFY(m_root.isValid());
        // Other users reach the unpacked program and their home through here.
        QVERIFY(QFile::setPermissions(m_root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                         | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                                         | QFile::ExeOther));
        const Run unpacked = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_package, m_root.filePath("pkg")});
        QVERIFY2(unpacked.exitCode == 0, unpacked.err.constData());
    }

    void cleanupTestCase()
    {
        // Writable again, so that the temporary root can be removed by its owner.
        QFile::setPermissions(installed(QStringLiteral("usr/bin")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void files_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");

        QTest::newRow("program") << "usr/bin/servo-console" << true;
        if (SERVO_BOARD_PACKAGED)
            QTest::newRow("virtual board") << "usr/bin/servo-board" << true;
        QTest::newRow("menu entry") << "usr/share/applications/servo-console.desktop" << false;
        QTest::newRow("icon") << "usr/share/icons/hicolor/scalable/apps/servo-console.svg" << false;
        QTest::newRow("manual page") << "usr/share/man/man1/servo-console.1.gz" << false;
        if (SERVO_BOARD_PACKAGED) {
            QTest::newRow("board menu entry") << "usr/share/applications/servo-board.desktop" << false;
            QTest::newRow("board icon") << "usr/share/icons/hicolor/scalable/apps/servo-board.svg" << false;
            QTest::newRow("board manual page") << "usr/share/man/man1/servo-board.1.gz" << false;
        }
        QTest::newRow("AppStream metadata") << metainfo() << false;
        QTest::newRow("copyright") << "usr/share/doc/servo-console/copyright" << false;
        QTest::newRow("changelog") << "usr/share/doc/servo-console/changelog.gz" << false;
    }
    void files()
    {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo file(installed(path));
        QVERIFY2(file.isFile(), qPrintable(path));
        QCOMPARE(file.permission(QFile::ExeOther), executable);
        QVERIFY(file.permission(QFile::ReadOther));
    }

    void control_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("entry"); // a package name, or the whole value

        QTest::newRow("version") << "Version" << PROJECT_VERSION;
        QTest::newRow("section") << "Section"
                                 << "electronics";
        QTest::newRow("widgets") << "Depends"
                                 << "libqt6widgets6";
        QTest::newRow("serial port") << "Depends"
                                     << "libqt6serialport6";
        QTest::newRow("gui") << "Depends"
                             << "libqt6gui6";
        QTest::newRow("game pads") << "Depends"
                                   << "libsdl2-2.0-0";
        QTest::newRow("platform plugins") << "Depends"
                                          << "qt6-qpa-plugins";
        QTest::newRow("CJK font") << "Recommends"
                                  << "fonts-noto-cjk";
        QTest::newRow("Qt in Chinese") << "Recommends"
                                       << "qt6-translations-l10n";
    }
    void control()
    {
        QFETCH(QString, name);
        QFETCH(QString, entry);
        const QString value = field(name);
        QStringList packages;
        for (const QString &item : value.split(u','))
            packages.append(item.trimmed().section(u' ', 0, 0));
        QVERIFY2(value == entry || packages.contains(entry), qPrintable(name + QStringLiteral(": ") + value));
    }

    void menuEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("installedAs"); // %1: the key's value

        QStringList programs{QStringLiteral("servo-console")};
        if (SERVO_BOARD_PACKAGED)
            programs.append(QStringLiteral("servo-board"));
        for (const QString &program : programs) {
            QTest::addRow("%s command", qPrintable(program)) << program << "Exec"
                                                             << "usr/bin/%1";
            QTest::addRow("%s icon", qPrintable(program)) << program << "Icon"
                                                          << "usr/share/icons/hicolor/scalable/apps/%1.svg";
        }
    }
    void menuEntry()
    {
        QFETCH(QString, entry);
        QFETCH(QString, key);
        QFETCH(QString, installedAs);
        const QString value = desktopValue(entry, key).section(u' ', 0, 0);
        QVERIFY2(QFileInfo::exists(installed(installedAs.arg(value))), qPrintable(key + u'=' + value));
        QCOMPARE(value, entry); // each program starts its own, with its own icon
    }

    void boardMenuEntry_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");

        QTest::newRow("Chinese name") << "Name[zh_CN]"
                                      << "虚拟舵机板";
        QTest::newRow("English name") << "Name"
                                      << "Virtual Servo Board";
        QTest::newRow("categories") << "Categories"
                                    << "Development;Electronics;";
    }
    void boardMenuEntry()
    {
        if (!SERVO_BOARD_PACKAGED)
            QSKIP("servo-board is not built here");
        QFETCH(QString, key);
        QFETCH(QString, value);
        QCOMPARE(desktopValue(QStringLiteral("servo-board"), key), value);
    }

    // The checks a distribution runs: the menu entries, the AppStream metadata
    // and Debian's own. lintian fails on errors and warnings alike; a warning to
    // be accepted goes, with its reason, into an overrides file that the package
    // installs as usr/share/lintian/overrides/servo-console.
    void validators_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("arguments"); // installed files under the root: "pkg:" first
        QTest::addColumn<QString>("package");       // Debian package that has the tool

        QTest::newRow("servo-console menu entry")
            << "desktop-file-validate" << QStringList{"pkg:usr/share/applications/servo-console.desktop"}
            << "desktop-file-utils";
        if (SERVO_BOARD_PACKAGED)
            QTest::newRow("servo-board menu entry")
                << "desktop-file-validate" << QStringList{"pkg:usr/share/applications/servo-board.desktop"}
                << "desktop-file-utils";
        QTest::newRow("AppStream metadata")
            << "appstreamcli" << QStringList{"validate", "--no-net", "--pedantic", QStringLiteral("pkg:") + metainfo()}
            << "appstream";
        QTest::newRow("lintian") << "lintian" << QStringList{"--fail-on", "error,warning", "--info", "package"}
                                 << "lintian";
    }
    void validators()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, arguments);
        QFETCH(QString, package);
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty())
            QSKIP(qPrintable(tool + QStringLiteral(" not found (tools/install-deps.sh installs ") + package + u')'));
        for (QString &argument : arguments) {
            if (argument.startsWith(QStringLiteral("pkg:")))
                argument = installed(argument.mid(4));
            else if (argument == QStringLiteral("package"))
                argument = m_package;
        }
        const Run validated = run(program, arguments);
        QVERIFY2(validated.exitCode == 0, validated.out + validated.err);
        if (tool == QStringLiteral("desktop-file-validate"))
            QVERIFY2(validated.out.isEmpty(), validated.out.constData()); // its hints too
    }

    // Every option that --help shows is in the manual page, which has the
    // sections a user looks for.
    void manualPage_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("servo-console") << "servo-console";
        if (SERVO_BOARD_PACKAGED)
            QTest::newRow("servo-board") << "servo-board";
    }
    void manualPage()
    {
        QFETCH(QString, program);
        const Run help = run(installed(QStringLiteral("usr/bin/") + program), {QStringLiteral("--help")}, windowless());
        QCOMPARE(help.exitCode, 0);
        const Run page =
            run(QStringLiteral("gzip"),
                {QStringLiteral("-dc"), installed(QStringLiteral("usr/share/man/man1/%1.1.gz").arg(program))});
        QCOMPARE(page.exitCode, 0);
        const QString roff = QString::fromUtf8(page.out).replace(QStringLiteral("\\-"), QStringLiteral("-"));
        QVERIFY(roff.startsWith(QStringLiteral(".TH %1 1 ").arg(program.toUpper())));
        QVERIFY2(roff.contains(PROJECT_VERSION), "the page names the package's version");
        const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
        int options = 0;
        for (const QRegularExpressionMatch &shown : option.globalMatch(QString::fromUtf8(help.out))) {
            QVERIFY2(roff.contains(shown.captured()), qPrintable(shown.captured()));
            ++options;
        }
        QVERIFY(options >= 3); // --help, --help-all, --version
        for (const char *section : {"OPTIONS", "FILES", "ENVIRONMENT", "EXIT STATUS", "EXAMPLE"})
            QVERIFY2(roff.contains(QStringLiteral(".SH ") + QLatin1String(section)), section);
    }

    // A machine-readable copyright file (DEP-5) whose licence is the project's.
    void copyright()
    {
        const QString copyright =
            QString::fromUtf8(readAll(installed(QStringLiteral("usr/share/doc/servo-console/copyright"))));
        QVERIFY(copyright.startsWith(
            QStringLiteral("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")));
        QVERIFY(copyright.contains(QStringLiteral("\nFiles: *\n")));
        const QString licence = QString::fromUtf8(readAll(QStringLiteral(SOURCE_DIR "/LICENSE")));
        QVERIFY(licence.startsWith(QStringLiteral("MIT License\n")));
        // The licence's text from its first sentence, as a DEP-5 paragraph body.
        QString body = licence.mid(licence.indexOf(QStringLiteral("Permission is hereby granted"))).trimmed();
        body.replace(QStringLiteral("\n\n"), QStringLiteral("\n.\n")).replace(u'\n', QStringLiteral("\n "));
        QVERIFY2(copyright.contains(QStringLiteral("License: MIT\n ") + body), qPrintable(copyright));
        QVERIFY(copyright.contains(QStringLiteral("Upstream-Contact: ") + field(QStringLiteral("Maintainer"))));
    }

    // The changelog of a native package: the package's version, signed by its maintainer.
    void changelog()
    {
        const Run changelog =
            run(QStringLiteral("gzip"),
                {QStringLiteral("-dc"), installed(QStringLiteral("usr/share/doc/servo-console/changelog.gz"))});
        QCOMPARE(changelog.exitCode, 0);
        const QStringList lines = QString::fromUtf8(changelog.out).trimmed().split(u'\n');
        QVERIFY(lines.first().startsWith(QStringLiteral("servo-console (%1) ").arg(PROJECT_VERSION)));
        QVERIFY2(lines.last().startsWith(QStringLiteral(" -- ") + field(QStringLiteral("Maintainer"))
                                         + QStringLiteral("  ")),
                 qPrintable(lines.last()));
    }

    void maintainer()
    {
        const QString maintainer = field(QStringLiteral("Maintainer"));
        QVERIFY2(maintainer.contains(QStringLiteral("servo-console")) && maintainer.contains(u'<'),
                 qPrintable(maintainer));
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("display"); // else no window system at all
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says"); // on stdout when it succeeds, else on stderr

        QStringList programs{QStringLiteral("servo-console")};
        if (SERVO_BOARD_PACKAGED)
            programs.append(QStringLiteral("servo-board"));
        for (const QString &program : programs) {
            const QByteArray name = program.toUtf8();
            QTest::addRow("%s --version", name.constData()) << program << QStringList{"--version"} << false << 0
                                                            << QStringLiteral("%1 %2").arg(program, PROJECT_VERSION);
            QTest::addRow("%s --help", name.constData())
                << program << QStringList{"--help"} << false << 0 << "--version";
            QTest::addRow("%s unknown option", name.constData())
                << program << QStringList{"--no-such-option"} << true << 1 << "no-such-option";
        }
        QTest::newRow("window-system option and --version")
            << "servo-console" << QStringList{"-platform", "offscreen", "--version"} << true << 0
            << QStringLiteral("servo-console %1").arg(PROJECT_VERSION);
    }
    void commandLine()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(bool, display);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QProcessEnvironment environment = windowless();
        if (display)
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const Run ran = run(installed(QStringLiteral("usr/bin/") + program), arguments, environment);
        QCOMPARE(ran.exitCode, exitCode);
        QVERIFY2(QString::fromUtf8(exitCode == 0 ? ran.out : ran.err).contains(says), ran.out + ran.err);
    }

    // Start-up and shut-down twice from a read-only program folder: the sequence
    // kept beside the program is taken over into the user's data folder the
    // first time, and read from there the next time.
    void sequenceLivesInUserFolder()
    {
        VirtualScreen screen;
        if (const std::optional<QString> failure = screen.start())
            QSKIP(qPrintable(*failure));
        const QString home = makeHome(QStringLiteral("user"));
        QVERIFY(!home.isEmpty());
        const QString userFile = home + QStringLiteral("/.local/share/servo-console/cmd.txt");
        const QDir programFolder(installed(QStringLiteral("usr/bin")));
        const QByteArray beside("Time100   #0P500S300\n");
        QVERIFY(writeAll(programFolder.filePath("cmd.txt"), beside));
        QVERIFY(QFile::setPermissions(programFolder.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                                | QFile::ExeGroup | QFile::ReadOther
                                                                | QFile::ExeOther));
        const QStringList programFiles =
            programFolder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        // First start: taken over byte for byte; closed unchanged, left as it is.
        // Closes every window the program shows until it ends; how many it showed.
        const auto startAndClose = [&] {
            QProcess program;
            startInstalled(program, screen.display(), home);
            int closed = 0;
            QElapsedTimer clock;
            clock.start();
            while (program.state() != QProcess::NotRunning && clock.elapsed() < 30000) {
                if (const auto windows = screen.shownWindows(); !windows.isEmpty()) {
                    screen.requestClose(windows.last());
                    ++closed;
                }
                program.waitForFinished(500);
            }
            if (program.state() != QProcess::NotRunning || program.exitCode() != 0)
                qWarning("%s", program.readAllStandardError().constData());
            return program.state() == QProcess::NotRunning && program.exitCode() == 0 ? closed : -1;
        };
        QCOMPARE(startAndClose(), 1);
        QCOMPARE(readAll(userFile), beside);

        // Second start: the user's file is the one read. Bytes in no encoding the
        // program reads give a warning at start-up (a second window) and are kept.
        const QByteArray unreadable("Time100   #0P\x81\x20\n");
        QVERIFY(writeAll(userFile, unreadable));
        QCOMPARE(startAndClose(), 2);
        QCOMPARE(readAll(userFile), unreadable);

        QCOMPARE(programFolder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), programFiles);
        QCOMPARE(readAll(programFolder.filePath("cmd.txt")), beside);
    }

    // Without a usable home the program still starts with an empty editor and
    // ends normally; nothing is written anywhere.
    void unusableHome_data()
    {
        QTest::addColumn<QString>("home"); // null: HOME unset

        QTest::newRow("HOME unset") << QString();
        QTest::newRow("HOME pointing nowhere") << "/nonexistent/servo-console-home";
    }
    void unusableHome()
    {
        QFETCH(QString, home);
        VirtualScreen screen;
        if (const std::optional<QString> failure = screen.start())
            QSKIP(qPrintable(*failure));

        QProcess program;
        startInstalled(program, screen.display(), home);
        QTRY_COMPARE_WITH_TIMEOUT(screen.shownWindows().size(), 1, 30000);
        screen.requestClose(screen.shownWindows().first());
        QVERIFY2(program.waitForFinished(30000), program.readAllStandardError().constData());
        QCOMPARE(program.exitCode(), 0);
    }
};

SERVO_TEST_MAIN(TestPackage)
#include "tst_package.moc"
