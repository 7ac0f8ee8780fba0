// SPDX-License-Identifier: MIT
#include "common/onelinebox.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include "support/testmain.h"

// What may enter a one-line box, and how often its textChanged handler runs.
class TestOneLineBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controlsNeverEnter_data()
    {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("kept");

        QTest::newRow("CR starts a second command") << "300\r#0P2500S300"
                                                    << "300#0P2500S300";
        QTest::newRow("CR LF at the end") << "300\r\n"
                                          << "300";
        QTest::newRow("tab") << "3\t00"
                             << "300";
        QTest::newRow("NUL") << QString(QStringLiteral("30") + QChar(0) + u'0') << "300";
        QTest::newRow("ESC and BEL") << "\x1b[2J\a300"
                                     << "[2J300";
        QTest::newRow("DEL") << "30\x7f"
                                "0"
                             << "300";
        QTest::newRow("Chinese and blanks kept") << " 速度 300 "
                                                 << " 速度 300 ";
        QTest::newRow("only controls") << "\r\n\t"
                                       << "";
    }
    void controlsNeverEnter()
    {
        QFETCH(QString, entered);
        QFETCH(QString, kept);
        enum Way { SetFromCode, Typed, Pasted };
        for (const Way way : {SetFromCode, Typed, Pasted}) {
            QLineEdit box(QStringLiteral("x"));
            configureOneLineBox(box);
            QSignalSpy changed(&box, &QLineEdit::textChanged);
            box.selectAll();
            switch (way) {
            case SetFromCode:
                box.setText(entered);
                break;
            case Typed: // an input method's commit string takes this path too
                box.insert(entered);
                break;
            case Pasted:
                QGuiApplication::clipboard()->setText(entered);
                box.paste();
                break;
            }
            QCOMPARE(box.text(), kept);
            // The handler runs once and never sees the controls.
            QCOMPARE(changed.count(), 1);
            QCOMPARE(changed.first().first().toString(), kept);
        }
    }

    void ordinaryTypingRaisesTheHandlerAsBefore()
    {
        QLineEdit box;
        configureOneLineBox(box);
        QSignalSpy changed(&box, &QLineEdit::textChanged);
        QTest::keyClicks(&box, QStringLiteral("#1P1500"));
        QCOMPARE(box.text(), QStringLiteral("#1P1500"));
        QCOMPARE(changed.count(), 7);
        QCOMPARE(changed.at(3).first().toString(), QStringLiteral("#1P1"));
        // The cursor stays behind what was typed when controls go.
        box.setCursorPosition(3);
        box.insert(QStringLiteral("\r2"));
        QCOMPARE(box.text(), QStringLiteral("#1P21500"));
        QCOMPARE(box.cursorPosition(), 4);
        changed.clear();
        box.setText(box.text());
        QCOMPARE(changed.count(), 0);
    }

    void takesTextsBeyondQtsDefaultLimit()
    {
        QLineEdit box;
        configureOneLineBox(box);
        const QString longText(100'000, u'#');
        box.setText(longText);
        QCOMPARE(box.text().size(), longText.size());
        box.end(false);
        box.insert(QStringLiteral("1"));
        QCOMPARE(box.text().size(), longText.size() + 1);
    }
};

SERVO_TEST_MAIN(TestOneLineBox)
#include "tst_onelinebox.moc"
