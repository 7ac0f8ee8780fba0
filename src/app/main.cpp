// SPDX-License-Identifier: MIT
#include "app/profileui.h"
#include "app/program.h"
#include "app/screenfit.h"
#include "core/sequencelocation.h"
#include "app/terminationsignals.h"
#include "app/translations.h"
#include "shared/commandline.h"
#include "common/notifier.h"
#include "core/sequencestore.h"
#include "core/sketchexport.h"
#include "link/qtserialport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <variant>

namespace {

const QString languageOption = QStringLiteral("language");
const QString exportOption = QStringLiteral("export-sketch");
const QString sequenceOption = QStringLiteral("sequence");
const QString profileOption = QStringLiteral("profile");
const QString loopOption = QStringLiteral("loop");

void describeOptions(QCommandLineParser &options)
{
    options.setApplicationDescription(
        QCoreApplication::translate("main", "舵机控制台：通过 32 路舵机控制板调整和编排机械臂的动作。"));
    options.addHelpOption();
    options.addVersionOption();
    options.addOption({languageOption,
                       QCoreApplication::translate("main", "界面语言：zh（中文，默认）或 en（English）。"),
                       QStringLiteral("zh|en")});
    options.addOption({exportOption,
                       QCoreApplication::translate(
                           "main", "把动作序列导出为 Arduino Uno 独立播放的程序，写入文件夹 DIR（不打开窗口）。"),
                       QStringLiteral("DIR")});
    options.addOption({sequenceOption,
                       QCoreApplication::translate("main", "导出的动作序列文件（默认：程序的 cmd.txt）。"),
                       QStringLiteral("FILE")});
    options.addOption({profileOption,
                       QCoreApplication::translate("main", "导出时的通道设置文件（默认：序列旁的 arm.json）。"),
                       QStringLiteral("FILE")});
    options.addOption({loopOption, QCoreApplication::translate("main", "导出的程序循环播放序列。")});
}

// Whether the command line asks for an export, which needs no window system.
bool exportAsked(int argc, char *argv[])
{
    QCommandLineParser parser;
    describeOptions(parser);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return parser.parse(arguments) && parser.isSet(exportOption);
}

QString describe(const sketchexport::FileProblem &problem)
{
    using Kind = sketchexport::FileProblem::Kind;
    switch (problem.kind) {
    case Kind::SequenceUnreadable:
        return problem.detail.isEmpty()
                   ? QCoreApplication::translate("main", "找不到动作序列文件 %1。").arg(problem.path)
                   : QCoreApplication::translate("main", "无法读取动作序列文件 %1：%2")
                         .arg(problem.path, problem.detail);
    case Kind::ProfileUnreadable: {
        QStringList problems;
        for (const armprofile::Problem &one : problem.problems)
            problems.append(profileui::describe(one));
        return QCoreApplication::translate("main", "通道设置文件 %1 不能完整读取：%2")
            .arg(problem.path, problems.join(QCoreApplication::translate("main", "；", "between two problems")));
    }
    case Kind::FolderUnwritable:
        return QCoreApplication::translate("main", "无法写入文件夹 %1：%2").arg(problem.path, problem.detail);
    }
    return {};
}

// --export-sketch: the sequence and its profile as an Uno program in DIR.
int exportSketch(const QCommandLineParser &options)
{
    const QString sequence =
        options.isSet(sequenceOption) ? options.value(sequenceOption) : sequencelocation::atStartUp();
    const QString profile = options.isSet(profileOption) ? options.value(profileOption) : armprofile::pathFor(sequence);
    const QString folder = options.value(exportOption);
    const sketchexport::Outcome outcome =
        sketchexport::exportFiles(folder, sequence, profile, options.isSet(loopOption));
    if (const auto *sketch = std::get_if<sketchexport::Sketch>(&outcome)) {
        std::fputs(qPrintable(sketchexport::describe(*sketch, folder) + u'\n'), stdout);
        return 0;
    }
    const QString reason = std::holds_alternative<sketchexport::Refusal>(outcome)
                               ? sketchexport::describe(std::get<sketchexport::Refusal>(outcome))
                               : describe(std::get<sketchexport::FileProblem>(outcome));
    std::fputs(qPrintable(QCoreApplication::translate("main", "无法导出：%1").arg(reason) + u'\n'), stderr);
    return 1;
}

// --language as given, before the texts it chooses exist; empty when not given
// or when the command line does not parse (process() then reports that).
QString languageAsked()
{
    QCommandLineParser parser;
    describeOptions(parser);
    return parser.parse(QCoreApplication::arguments()) ? parser.value(languageOption) : QString();
}

} // namespace

int main(int argc, char *argv[])
{
    // The help, the version and an export are only text: they need no window system.
    const std::unique_ptr<QCoreApplication> app =
        commandline::asksOnlyForText(argc, argv, describeOptions) || exportAsked(argc, argv)
            ? std::make_unique<QCoreApplication>(argc, argv)
            : std::make_unique<QApplication>(argc, argv);
    const QString asked = languageAsked();
    const Language chosen = language::atStartUp(asked);
    if (translations::install(*app, chosen).isEmpty() && chosen == Language::English)
        qWarning("servo-console: the English catalogue is missing from this build; the interface stays Chinese.");
    QApplication::setApplicationName(QStringLiteral("servo-console"));
    QApplication::setApplicationDisplayName(QCoreApplication::translate("main", "舵机控制台"));
    QApplication::setApplicationVersion(QStringLiteral(SERVO_CONSOLE_VERSION));

    QCommandLineParser options;
    describeOptions(options);
    options.process(*app);
    if (!asked.isEmpty() && !language::fromCode(asked)) {
        const QString refused =
            QCoreApplication::translate("main", "--language 只接受 zh 或 en，而不是“%1”。").arg(asked);
        std::fputs(qPrintable(refused + u'\n'), stderr);
        return 1;
    }
    if (options.isSet(exportOption))
        return exportSketch(options);

    // kill, logout and Ctrl+C end the program the way closing the window does,
    // from here on: a start-up question open at the signal counts as its safe answer.
    TerminationSignals endRequests;
    MessageBoxNotifier notifier;
    Program program({std::make_unique<QtSerialPort>(), &notifier, systemPortEnumerator(), sequencelocation::atStartUp(),
                     SequenceFileMenu::fileDialogs(), &endRequests});
    MainWindow &window = program.window();
    if (window.store().endRequested())
        return 0;
    // On a screen too small for it (1280x720 with a title bar) the framed
    // window is fitted in.
    keepFrameOnScreen(window, *window.findChild<QWidget *>(QStringLiteral("clientArea")));
    window.show();
    return QApplication::exec();
}
