// SPDX-License-Identifier: MIT
#include "app/translations.h"
#include "support/testmain.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

using TextsOf = std::function<QStringList()>;

QStringList menuTexts(std::unique_ptr<QMenu> menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator())
            texts.append(action->text());
    }
    return texts;
}

bool isChinese(const QString &text)
{
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    return text.contains(han);
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Runs first, while no catalogue is installed.
    void withoutCataloguesNothingIsInstalled()
    {
        const QTemporaryDir empty;
        QVERIFY(translations::installChinese(*QCoreApplication::instance(), empty.path()).isEmpty());
        QMessageBox box(QMessageBox::NoIcon, {}, {}, QMessageBox::Ok);
        QVERIFY(!isChinese(box.button(QMessageBox::Ok)->text()));
    }

    void install()
    {
        if (!QFileInfo::exists(translations::qtFolder() + QStringLiteral("/qtbase_zh_CN.qm")))
            QSKIP(qPrintable(QStringLiteral("Qt's Chinese catalogue is not installed in %1 (Debian package "
                                            "qt6-translations-l10n)")
                                 .arg(translations::qtFolder())));
        const QStringList loaded = translations::installChinese(*QCoreApplication::instance());
        QVERIFY2(loaded.contains(QStringLiteral("qtbase_zh_CN")), qPrintable(loaded.join(u' ')));
        m_installed = true;
    }

    void messageBoxOkReadsQueDing()
    {
        requireInstalled();
        QMessageBox box(QMessageBox::Critical, QStringLiteral("错误"), QStringLiteral("端口未打开"), QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    }

    void qtTextsAreChinese_data()
    {
        QTest::addColumn<TextsOf>("textsOf");

        QTest::newRow("message box buttons") << TextsOf([] {
            QMessageBox box;
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No
                                   | QMessageBox::Close);
            QStringList texts;
            for (QAbstractButton *button : box.buttons())
                texts.append(button->text());
            return texts;
        });
        QTest::newRow("one-line box context menu") << TextsOf([] {
            QLineEdit box(QStringLiteral("#5P1500S300"));
            return menuTexts(std::unique_ptr<QMenu>(box.createStandardContextMenu()));
        });
        QTest::newRow("editor context menu") << TextsOf([] {
            QPlainTextEdit editor(QStringLiteral("Time4800  #5P1500S300"));
            return menuTexts(std::unique_ptr<QMenu>(editor.createStandardContextMenu()));
        });
        QTest::newRow("file dialog") << TextsOf([] {
            QFileDialog dialog;
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            QStringList texts;
            for (const QLabel *label : dialog.findChildren<QLabel *>()) {
                if (!label->text().isEmpty())
                    texts.append(label->text());
            }
            for (const QAbstractButton *button : dialog.findChild<QDialogButtonBox *>()->buttons())
                texts.append(button->text());
            return texts;
        });
    }
    void qtTextsAreChinese()
    {
        requireInstalled();
        QFETCH(TextsOf, textsOf);
        const QStringList texts = textsOf();
        QVERIFY(!texts.isEmpty());
        for (const QString &text : texts)
            QVERIFY2(isChinese(text), qPrintable(text));
    }

private:
    void requireInstalled()
    {
        if (!m_installed)
            QSKIP("Qt's Chinese catalogue is not installed (Debian package qt6-translations-l10n)");
    }

    bool m_installed = false;
};

SERVO_TEST_MAIN(TestTranslations)
#include "tst_translations.moc"
