// SPDX-License-Identifier: MIT
#include "profileui.h"

#include "shared/easing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace profileui {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("profileui", text);
}

// A key or value from the file, cut short: a file may hold a key of a
// megabyte, and the message must still fit the screen.
QString quoted(const QString &text)
{
    constexpr qsizetype longest = 48;
    if (text.size() <= longest)
        return text;
    qsizetype cut = longest - 1;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + u'…';
}

QString easingNames()
{
    QStringList names;
    for (const easing::Curve curve : easing::allCurves)
        names.append(easing::name(curve));
    return names.join(QStringLiteral(", "));
}

QString what(const armprofile::Problem &problem)
{
    using Kind = armprofile::Problem::Kind;
    switch (problem.kind) {
    case Kind::NotJson:
        return tr("不是有效的 JSON（%1）").arg(problem.detail);
    case Kind::WrongType:
        return problem.field.isEmpty() ? tr("整个文件应是一个 JSON 对象") : tr("类型不对");
    case Kind::UnknownKey:
        return tr("没有这一项");
    case Kind::DuplicateKey:
        return tr("出现了不止一次，只读取了最后一个");
    case Kind::OutOfRange:
        return tr("%1 超出允许范围").arg(quoted(problem.detail));
    case Kind::NoSuchChannel:
        return tr("通道 %1 不存在（只有 0 到 31）").arg(quoted(problem.detail));
    case Kind::DuplicateJoint:
        return tr("两个关节用了同一个通道（%1），关节保持默认").arg(problem.detail);
    case Kind::MinAboveMax:
        return tr("min 大于 max（%1），限位没有采用").arg(problem.detail);
    case Kind::HomeOutsideLimits:
        return tr("初始值不在限位之内（%1），没有采用").arg(problem.detail);
    case Kind::UnknownEasing:
        return tr("没有叫“%1”的缓动（可用：%2）").arg(quoted(problem.detail), easingNames());
    case Kind::OtherVersion:
        return tr("版本 %1 不是本程序写的版本 %2，只读取了认得的内容")
            .arg(quoted(problem.detail))
            .arg(armprofile::version);
    case Kind::TooLarge:
        return tr("大于 1 MB，没有读取");
    case Kind::NotAFile:
        return tr("不是普通文件，没有读取");
    case Kind::Unreadable:
        return tr("无法读取：%1").arg(quoted(problem.detail));
    }
    return {};
}

} // namespace

QString describe(const armprofile::Problem &problem)
{
    if (problem.line > 0)
        return tr("第 %1 行第 %2 列：%3").arg(problem.line).arg(problem.column).arg(what(problem));
    if (!problem.field.isEmpty())
        return tr("“%1”：%2").arg(quoted(problem.field), what(problem));
    return what(problem);
}

std::optional<Message> problemsMessage(const QString &path, const QList<armprofile::Problem> &problems)
{
    if (problems.isEmpty())
        return std::nullopt;
    QStringList lines;
    for (const armprofile::Problem &problem : problems.first(std::min(problems.size(), shownProblems)))
        lines.append(describe(problem));
    if (problems.size() > shownProblems)
        lines.append(tr("……另有 %1 处问题").arg(problems.size() - shownProblems));
    return Message{
        Message::Icon::Warning, tr("通道设置"),
        tr("%1 有问题：\n%2\n\n程序使用能读取的部分，其余保持默认。文件不会被改写，除非在“通道设置”中按确定。")
            .arg(QDir::toNativeSeparators(path), lines.join(u'\n'))};
}

void offerToSaveBeside(const CurrentProfile &profile, const QString &sequencePath, Notifier &notifier, QWidget *parent)
{
    if (profile.profile() == ArmProfile())
        return;
    const QString path = QDir::toNativeSeparators(armprofile::pathFor(sequencePath));
    const QString question = QFileInfo::exists(path) ? tr("把通道设置也存到 %1 吗？那里已有的文件会被替换。")
                                                     : tr("把通道设置也存到 %1 吗？");
    if (!notifier.confirm(parent, {Message::Icon::None, tr("另存为"), question.arg(path), true}, tr("保存"),
                          tr("不保存")))
        return;
    if (const std::optional<QString> failure = armprofile::write(path, profile.profile()))
        notifier.show(parent,
                      {Message::Icon::Warning, tr("另存为"), tr("通道设置未能保存到 %1：\n%2").arg(path, *failure)});
}

void openBeside(CurrentProfile &profile, const QString &sequencePath, Notifier &notifier, QWidget *parent)
{
    const std::optional<armprofile::Reading> reading = profile.adoptBeside(sequencePath);
    if (!reading)
        return;
    const QString path = QDir::toNativeSeparators(armprofile::pathFor(sequencePath));
    QString text = tr("已读取与序列同来的通道设置 %1。在“通道设置”中按确定会把它存为 %2。")
                       .arg(path, QDir::toNativeSeparators(profile.path()));
    if (const std::optional<Message> problems = problemsMessage(path, reading->problems))
        text += QStringLiteral("\n\n") + problems->text;
    notifier.show(parent,
                  {reading->problems.isEmpty() ? Message::Icon::None : Message::Icon::Warning, tr("打开序列"), text});
}

bool confirmReplacing(Notifier &notifier, QWidget *parent, const QString &path)
{
    return notifier.confirm(
        parent,
        {Message::Icon::Warning, tr("通道设置"),
         tr("%1 中有本程序没有读取的内容。要用现在的设置替换它吗？").arg(QDir::toNativeSeparators(path)), false},
        tr("替换"), tr("取消"));
}

bool confirmReplacingNewer(Notifier &notifier, QWidget *parent, const QString &path)
{
    return notifier.confirm(
        parent,
        {Message::Icon::Warning, tr("通道设置"),
         tr("打开“通道设置”之后，使用中的通道设置已经改变（例如打开序列时读取了与它同来的设置）。"
            "要用对话框中的值替换它并存为 %1 吗？\n\n取消：回到对话框；关闭对话框再打开可看到使用中的设置。")
             .arg(QDir::toNativeSeparators(path)),
         false},
        tr("替换"), tr("取消"));
}

} // namespace profileui
