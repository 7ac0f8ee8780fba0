#pragma once

#include <QObject>
#include <QString>

#include <functional>

class Notifier;
class QMenu;
class QWidget;
class SequenceEditor;
class SequenceFile;

// The 文件 (file) menu. cmd.txt stays the working sequence, loaded at start and
// saved at close; this menu saves it now, brings in the lines of another file,
// and writes the sequence to a file the operator names:
//   保存 (Ctrl+S)     cmd.txt now, through the window's own safe save
//   打开序列… (Ctrl+O) replaces the editor's text with a file's lines, read as
//                    cmd.txt is (line ends, UTF-8, GBK, RTF); one undo step
//   另存为…           CR LF, in GBK when cmd.txt came in GBK, otherwise UTF-8
//   最近的文件         the files opened or saved here lately
class SequenceFileMenu final : public QObject
{
    Q_OBJECT

public:
    enum class Choice { Open, SaveAs };
    // Asks the operator for a file; empty when they cancel.
    using Chooser = std::function<QString(Choice, QWidget *parent)>;
    static Chooser fileDialogs();

    SequenceFileMenu(QMenu &menu, SequenceEditor &editor, const SequenceFile &workingFile, Notifier &notifier,
                     Chooser choose, std::function<void()> saveNow, QWidget *parent);

    void open();
    void openFile(const QString &path);
    void saveAs();

    // Most recent first.
    QStringList recentFiles() const;

private:
    void remember(const QString &path);
    void fillRecentMenu();

    SequenceEditor &m_editor;
    const SequenceFile &m_workingFile;
    Notifier &m_notifier;
    Chooser m_choose;
    QWidget *m_parent;
    QMenu *m_recent;
};
