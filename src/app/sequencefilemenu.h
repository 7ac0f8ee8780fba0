// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class CurrentProfile;
class Notifier;
class QMenu;
class QWidget;
class SequenceEditor;
class SequenceStore;

// The 文件 (file) menu. cmd.txt stays the working sequence, loaded at start and
// saved at close; this menu saves it now, brings in the lines of another file,
// and writes the sequence to a file the operator names:
//   保存 (Ctrl+S)     cmd.txt now, by the store's one save rule
//   打开序列… (Ctrl+O) replaces the editor's text with a file's lines, read as
//                    cmd.txt is (line ends, UTF-8, GBK, RTF); one undo step
//   另存为…           CR LF, in GBK when cmd.txt came in GBK, otherwise UTF-8;
//                    ".txt" is added to a name that 打开序列… would not list
//   最近的文件         the files opened or saved here lately
class SequenceFileMenu final : public QObject
{
    Q_OBJECT

public:
    enum class Choice { Open, SaveAs, ExportFolder };
    // Asks the operator for a file; empty when they cancel.
    using Chooser = std::function<QString(Choice, QWidget *parent)>;
    static Chooser fileDialogs();

    SequenceFileMenu(QMenu &menu, SequenceEditor &editor, SequenceStore &store, Notifier &notifier, Chooser choose,
                     QWidget *parent);

    void open();
    void openFile(const QString &path);
    void saveAs();

    // The arm profile travels with the sequence: 打开序列… takes <name>.arm.json
    // beside the file, 另存为… offers to write it there. `profile` outlives the menu.
    void carryProfile(CurrentProfile &profile) { m_profile = &profile; }

    // Most recent first.
    QStringList recentFiles() const;

    // The name 另存为… writes for the name the operator chose.
    static QString savedName(const QString &chosen);
    // The file name patterns that 打开序列… lists as sequences.
    static QStringList sequencePatterns();

private:
    void remember(const QString &path);
    void fillRecentMenu();

    SequenceEditor &m_editor;
    SequenceStore &m_store;
    Notifier &m_notifier;
    Chooser m_choose;
    QWidget *m_parent;
    QMenu *m_recent;
    CurrentProfile *m_profile = nullptr;
};
