// SPDX-License-Identifier: MIT
#include "sequencestoreui.h"

#include "common/notifier.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString changedOnDisk(const QString &path)
{
    return SequenceStoreQuestions::tr("%1 在本程序读入之后已被修改（可能是另一个程序）。").arg(native(path));
}

} // namespace

void SequenceStoreQuestions::sequenceUnreadable(const QString &path, const QString &reason)
{
    m_notifier.show(&m_window,
                    {Message::Icon::Warning,
                     {},
                     tr("无法读取动作序列文件 %1：\n%2\n\n本次运行不会覆盖该文件。").arg(native(path), reason)});
}

void SequenceStoreQuestions::sequenceInUse(const QString &path)
{
    m_notifier.show(&m_window,
                    {Message::Icon::Warning,
                     {},
                     tr("另一个正在运行的舵机控制台也打开了 %1。\n\n"
                        "本窗口的未保存修改另存一份恢复副本，互不删除；保存时若文件已被另一个窗口改写，会先询问。")
                         .arg(native(path))});
}

SequenceStore::Operator::Recovery SequenceStoreQuestions::offerRecovery(const QString &copyPath,
                                                                        const QString &sequencePath)
{
    Message question{Message::Icon::Warning,
                     {},
                     tr("上次运行时有未保存的动作序列修改，保存在恢复副本 %1 中，它比 %2 新。\n\n"
                        "要恢复这些修改吗？不恢复则删除该副本。")
                         .arg(native(copyPath), native(sequencePath))};
    // Enter keeps the work.
    question.acceptIsDefault = true;
    return m_notifier.confirm(&m_window, question, tr("恢复"), tr("不恢复")) ? Recovery::Restore : Recovery::Discard;
}

bool SequenceStoreQuestions::overwriteChanged(const QString &path, SequenceStore::Occasion occasion)
{
    return m_notifier.confirm(
        &m_window, {Message::Icon::Warning, {}, changedOnDisk(path) + tr("\n\n要用本窗口中的动作序列覆盖它吗？")},
        tr("覆盖"), occasion == SequenceStore::Occasion::Close ? tr("不关闭窗口") : tr("取消"));
}

void SequenceStoreQuestions::saveFailed(const QString &path, const QString &reason)
{
    m_notifier.show(&m_window,
                    {Message::Icon::Warning, {}, tr("动作序列未能保存到 %1：\n%2").arg(native(path), reason)});
}

bool SequenceStoreQuestions::closeDespiteFailure(const QString &path, const QString &reason)
{
    return m_notifier.confirm(
        &m_window,
        {Message::Icon::Warning,
         {},
         tr("动作序列未能保存到 %1：\n%2\n\n仍要关闭吗？关闭后未保存的动作序列将丢失。").arg(native(path), reason)},
        tr("关闭"), tr("取消"));
}

void SequenceStoreQuestions::recoveryWriteFailed(const QString &copyPath, const QString &reason)
{
    m_notifier.show(
        &m_window,
        {Message::Icon::Warning,
         {},
         tr("无法写入恢复副本 %1：\n%2\n\n程序意外退出时，未保存的修改将无法恢复。").arg(native(copyPath), reason)});
}

void SequenceStoreQuestions::keptUnsaved(const QString &path, const std::optional<QString> &saveError,
                                         const QString &copyPath, const std::optional<QString> &copyError)
{
    QString report = tr("动作序列未保存到 %1：%2\n").arg(native(path), saveError ? *saveError : changedOnDisk(path));
    if (copyError)
        report += tr("恢复副本 %1 也未能写入：%2\n").arg(native(copyPath), *copyError);
    else
        report += tr("未保存的动作序列留在 %1 中，下次启动时可以恢复。\n").arg(native(copyPath));
    std::fputs(qPrintable(report), stderr);
}

namespace sequencestoreui {

QString windowTitle(const SequenceStore &store)
{
    const QString name = QFileInfo(store.path()).fileName();
    const QString shown =
        store.openedFrom().isEmpty()
            ? name
            : SequenceStoreQuestions::tr("%1 ← %2").arg(name, QFileInfo(store.openedFrom()).fileName());
    return shown + QStringLiteral("[*]");
}

void closeOpenQuestions()
{
    // A box that will not go (none of ours) must not hold the loop.
    for (int left = 16; left > 0; --left) {
        QWidget *question = QApplication::activeModalWidget();
        if (!question)
            return;
        if (auto *dialog = qobject_cast<QDialog *>(question))
            dialog->reject();
        else
            question->close();
    }
}

} // namespace sequencestoreui
