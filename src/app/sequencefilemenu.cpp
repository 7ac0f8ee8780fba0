// SPDX-License-Identifier: MIT
#include "sequencefilemenu.h"

#include "profileui.h"

#include "common/notifier.h"
#include "core/programsettings.h"
#include "sequence/sequenceeditor.h"
#include "core/sequencestore.h"
#include "core/sequencefile.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMenu>

namespace {

constexpr qsizetype recentCount = 8;
const QString recentKey = QStringLiteral("recentSequenceFiles");
const QStringList sequenceSuffixes = {QStringLiteral("txt"), QStringLiteral("rtf")};

QString fileFilter()
{
    return SequenceFileMenu::tr("动作序列 (%1);;所有文件 (*)").arg(SequenceFileMenu::sequencePatterns().join(u' '));
}

} // namespace

SequenceFileMenu::Chooser SequenceFileMenu::fileDialogs()
{
    return [](Choice choice, QWidget *parent) {
        if (choice == Choice::Open)
            return QFileDialog::getOpenFileName(parent, tr("打开序列"), {}, fileFilter());
        if (choice == Choice::ExportFolder)
            // The folder to make: the sketch takes its name.
            return QFileDialog::getSaveFileName(parent, tr("导出为 Arduino 程序"), {}, {}, nullptr,
                                                QFileDialog::ShowDirsOnly);
        // The dialog adds the suffix itself, so that it asks before replacing that file.
        QFileDialog dialog(parent, tr("另存为"), {}, fileFilter());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(sequenceSuffixes.first());
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                       : QString();
    };
}

QStringList SequenceFileMenu::sequencePatterns()
{
    QStringList patterns;
    for (const QString &suffix : sequenceSuffixes)
        patterns.append(QStringLiteral("*.") + suffix);
    return patterns;
}

QString SequenceFileMenu::savedName(const QString &chosen)
{
    const bool listed = sequenceSuffixes.contains(QFileInfo(chosen).suffix(), Qt::CaseInsensitive);
    return listed ? chosen : chosen + QStringLiteral(".txt");
}

SequenceFileMenu::SequenceFileMenu(QMenu &menu, SequenceEditor &editor, SequenceStore &store, Notifier &notifier,
                                   Chooser choose, QWidget *parent)
    : QObject(&menu),
      m_editor(editor),
      m_store(store),
      m_notifier(notifier),
      m_choose(std::move(choose)),
      m_parent(parent)
{
    QAction *save = menu.addAction(tr("保存"));
    save->setObjectName(QStringLiteral("saveAction"));
    save->setShortcut(QKeySequence::Save);
    connect(save, &QAction::triggered, this, [this] { m_store.saveNow(); });

    QAction *openAction = menu.addAction(tr("打开序列…"));
    openAction->setObjectName(QStringLiteral("openAction"));
    openAction->setShortcut(QKeySequence::Open);
    connect(openAction, &QAction::triggered, this, &SequenceFileMenu::open);

    QAction *saveAsAction = menu.addAction(tr("另存为…"));
    saveAsAction->setObjectName(QStringLiteral("saveAsAction"));
    saveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(saveAsAction, &QAction::triggered, this, &SequenceFileMenu::saveAs);

    m_recent = menu.addMenu(tr("最近的文件"));
    m_recent->setObjectName(QStringLiteral("recentMenu"));
    connect(m_recent, &QMenu::aboutToShow, this, &SequenceFileMenu::fillRecentMenu);

    // The file opened into the sequence is the document's, step by step of its
    // history; a save makes the text at this step the sequence's own.
    SequenceDocument &sequence = editor.sequence();
    connect(&sequence, &SequenceDocument::sourceChanged, &store,
            [&store, &sequence] { store.openedInto(sequence.source()); });
    connect(&store, &SequenceStore::namesChanged, &sequence, [&store, &sequence] {
        if (store.openedFrom().isEmpty())
            sequence.clearSource();
    });
}

void SequenceFileMenu::open()
{
    if (const QString path = m_choose(Choice::Open, m_parent); !path.isEmpty())
        openFile(path);
}

void SequenceFileMenu::openFile(const QString &path)
{
    SequenceFile source(path);
    QString error;
    const std::optional<QString> text = source.load(&error);
    if (!text) {
        m_notifier.show(m_parent, {Message::Icon::Warning, tr("打开序列"),
                                   tr("无法读取 %1：\n%2").arg(QDir::toNativeSeparators(path), error)});
        return;
    }
    {
        // One step of the undo history, which brings back the old text and its
        // source; the caret is at the start before anyone hears of the change.
        SequenceDocument::ProgramEdit edit(m_editor.sequence());
        m_editor.sequence().open(*text, path);
        m_editor.setSelectionStart(0);
    }
    remember(path);
    if (m_profile)
        profileui::openBeside(*m_profile, path, m_notifier, m_parent);
}

void SequenceFileMenu::saveAs()
{
    const QString chosen = m_choose(Choice::SaveAs, m_parent);
    if (chosen.isEmpty())
        return;
    const QString path = savedName(chosen);
    SequenceFile target(path);
    // Old tools read GBK; everything else is written as UTF-8.
    target.setEncoding(m_store.file().encoding() == SequenceFile::Encoding::Gbk ? SequenceFile::Encoding::Gbk
                                                                                : SequenceFile::Encoding::Utf8);
    if (const std::optional<QString> failure = target.save(m_editor.text())) {
        m_notifier.show(m_parent, {Message::Icon::Warning, tr("另存为"),
                                   tr("动作序列未能保存到 %1：\n%2").arg(QDir::toNativeSeparators(path), *failure)});
        return;
    }
    remember(path);
    if (m_profile)
        profileui::offerToSaveBeside(*m_profile, path, m_notifier, m_parent);
}

QStringList SequenceFileMenu::recentFiles() const
{
    return programsettings::value(recentKey).toStringList();
}

void SequenceFileMenu::remember(const QString &path)
{
    QStringList recent = recentFiles();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    programsettings::setValue(recentKey, recent.mid(0, recentCount));
}

void SequenceFileMenu::fillRecentMenu()
{
    m_recent->clear();
    const QStringList recent = recentFiles();
    for (const QString &path : recent) {
        QAction *action = m_recent->addAction(QDir::toNativeSeparators(path));
        connect(action, &QAction::triggered, this, [this, path] { openFile(path); });
    }
    if (recent.isEmpty())
        m_recent->addAction(tr("（无）"))->setEnabled(false);
}
