// SPDX-License-Identifier: MIT
#include "support/testmain.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

// The English catalogues, the console's and the virtual board's, are complete,
// and every Chinese text of the console's sources goes through its catalogue.
class TestCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everySourceTextHasAFinishedTranslation_data()
    {
        QTest::addColumn<QString>("catalogue");
        QTest::addColumn<int>("atLeast"); // messages: the file is not cut short
        QTest::newRow("servo-console") << "servo-console_en.ts" << 100;
        QTest::newRow("servo-board") << "servo-board_en.ts" << 20;
    }
    void everySourceTextHasAFinishedTranslation()
    {
        QFETCH(QString, catalogue);
        QFETCH(int, atLeast);
        QFile file(QStringLiteral(TRANSLATIONS_DIR "/") + catalogue);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        QXmlStreamReader ts(&file);
        QString context;
        QString source;
        QStringList lacking;
        int messages = 0;
        while (!ts.atEnd()) {
            if (ts.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (ts.name() == u"name") {
                context = ts.readElementText();
            } else if (ts.name() == u"source") {
                source = ts.readElementText();
            } else if (ts.name() == u"translation") {
                ++messages;
                const bool unfinished = ts.attributes().hasAttribute(QStringLiteral("type"));
                // A text about a count has a form for each number, every one needed.
                QStringList forms;
                QString text;
                while (!ts.atEnd() && !(ts.readNext() == QXmlStreamReader::EndElement && ts.name() == u"translation")) {
                    if (ts.isStartElement() && ts.name() == u"numerusform")
                        forms.append(ts.readElementText());
                    else if (ts.isCharacters())
                        text += ts.text();
                }
                if (unfinished || (forms.isEmpty() ? text.isEmpty() : forms.contains(QString())))
                    lacking.append(context + QStringLiteral(": ") + source);
            }
        }
        QVERIFY2(!ts.hasError(), qPrintable(ts.errorString()));
        QVERIFY(messages > atLeast);
        QVERIFY2(lacking.isEmpty(), qPrintable(lacking.join(u'\n')));
    }

    // A Chinese string literal is the source text of tr(), QT_TR_NOOP(),
    // QCoreApplication::translate() or QT_TRANSLATE_NOOP(), or continues one.
    void noChineseTextOutsideTr()
    {
        static const QRegularExpression token(QStringLiteral("\"(?:[^\"\\\\\n]|\\\\.)*\"|//[^\n]*|/\\*.*?\\*/"),
                                              QRegularExpression::DotMatchesEverythingOption);
        static const QRegularExpression han(QStringLiteral("\\p{Han}"));
        static const QRegularExpression opener(
            QStringLiteral("(?:\\btr|QT_TR_NOOP)\\(\\s*$|(?:\\btranslate|QT_TRANSLATE_NOOP)\\(\\s*\"\\w+\",\\s*$"));
        QStringList outside;
        for (const char *folder : {TRANSLATED_FOLDERS}) {
            QDirIterator files(QStringLiteral(SOURCE_DIR "/") + QLatin1String(folder),
                               {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files);
            while (files.hasNext()) {
                QFile file(files.next());
                QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
                const QString text = QString::fromUtf8(file.readAll());
                qsizetype end = 0;
                bool previousTranslated = false;
                for (auto match = token.globalMatch(text); match.hasNext();) {
                    const QRegularExpressionMatch literal = match.next();
                    if (!literal.captured().startsWith(u'"'))
                        continue; // a comment
                    const QString before = text.mid(end, literal.capturedStart() - end);
                    const bool continues = previousTranslated && before.trimmed().isEmpty();
                    const bool opens = opener.match(text.left(literal.capturedStart()).right(80)).hasMatch();
                    previousTranslated = continues || opens;
                    end = literal.capturedEnd();
                    if (literal.captured().contains(han) && !previousTranslated) {
                        const qsizetype line = text.left(literal.capturedStart()).count(u'\n') + 1;
                        outside.append(
                            QStringLiteral("%1:%2: %3").arg(file.fileName()).arg(line).arg(literal.captured()));
                    }
                }
            }
        }
        QVERIFY2(outside.isEmpty(), qPrintable(outside.join(u'\n')));
    }
};

SERVO_TEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
