// SPDX-License-Identifier: MIT
// A keystroke in the speed box, the manual command box and the sequence editor,
// each holding the longest text the program lets it have: the speed box its 256
// characters, the manual box 64 KB (its bound at the fastest line), the editor
// lines of all 32 channels built by Add from the longest speed text. Target:
// under 50 ms a key, painting included. Reference: the same key in an empty box.

#include "benchutil.h"

#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

namespace {

constexpr int runs = 5;
constexpr int keysPerRun = 20;

// One key press and release, and the repaint that follows it, in ms.
double keyCost(QWidget &target, Qt::Key key)
{
    return bench::timeOnce([&] {
               QTest::keyClick(&target, key);
               QCoreApplication::processEvents();
           })
           / 1e6;
}

// Per run, the median of a key typed and taken back.
QList<double> typing(QWidget &target)
{
    QList<double> perRun;
    for (int run = 0; run < runs; ++run) {
        QList<double> keys;
        for (int i = 0; i < keysPerRun; ++i) {
            keys.append(keyCost(target, Qt::Key_7));
            keys.append(keyCost(target, Qt::Key_Backspace));
        }
        perRun.append(bench::median(keys));
    }
    return perRun;
}

void paste(QLineEdit &box, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    box.selectAll();
    box.paste();
    if (box.text() != text)
        qFatal("the box %s did not take %lld characters", qPrintable(box.objectName()), qlonglong(text.size()));
    box.end(false);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    WindowHarness h;
    if (!h.fake().setSettings(QStringLiteral("4000000,n,8,1")).ok())
        qFatal("the fastest line was refused");
    h.window().show();
    if (!QTest::qWaitForWindowExposed(&h.window()))
        qFatal("the main window was not shown");

    bench::heading("one key (typed, then taken back) in a full box, painting included");
    auto &speed = h.child<QLineEdit>(QStringLiteral("speedinput"));
    auto &manual = h.child<QLineEdit>(QStringLiteral("Text3"));

    speed.clear();
    speed.setFocus();
    bench::spread(QStringLiteral("reference: empty speed box, ms"), typing(speed), "ms");
    paste(speed, QString(255, u'3'));
    bench::spread(QStringLiteral("speed box at 255 of 256 characters, ms"), typing(speed), "ms");

    manual.setFocus();
    paste(manual, QString(65'534, u'#'));
    bench::spread(QStringLiteral("manual box at 65,534 of 65,535 characters, ms"), typing(manual), "ms");
    manual.clear();

    // The editor: Add with every channel ticked and the longest speed text.
    paste(speed, QString(256, u'3'));
    for (int channel = 0; channel < 32; ++channel)
        h.checkBox(channel).setChecked(true);
    constexpr int lines = 200;
    for (int i = 0; i < lines; ++i)
        h.button("Command2").click();
    SequenceEditor &editor = h.editor();
    const qsizetype longest = editor.lineLength(editor.lineStart(lines / 2));
    editor.setFocus();
    editor.setSelectionStart(editor.lineStart(lines / 2) + longest / 2);
    QCoreApplication::processEvents();
    bench::spread(QStringLiteral("editor, mid-line in %1 lines of %2 characters, ms").arg(lines).arg(longest),
                  typing(editor), "ms");
    bench::note("min / median / max over 5 runs of each run's median of 40 keys; target: under 50 ms");
    return 0;
}
