// SPDX-License-Identifier: MIT
// Every source file of the project names its licence on its first line (after
// a "#!" line), as tools/spdx.sh writes it: the same files, the same line.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

#include "support/testmain.h"

class TestLicence : public QObject
{
    Q_OBJECT

    QStringList m_files; // relative to the source folder

private Q_SLOTS:
    void initTestCase()
    {
        const QDir source(QStringLiteral(SOURCE_DIR));
        for (const QString &folder :
             {QStringLiteral("src"), QStringLiteral("tests"), QStringLiteral("bench"), QStringLiteral("cmake")}) {
            QDirIterator files(source.filePath(folder),
                               {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("CMakeLists.txt"),
                                QStringLiteral("*.cmake")},
                               QDir::Files, QDirIterator::Subdirectories);
            while (files.hasNext())
                m_files.append(source.relativeFilePath(files.next()));
        }
        m_files.append(QStringLiteral("CMakeLists.txt"));
        const QStringList scripts =
            QDir(source.filePath(QStringLiteral("tools"))).entryList({QStringLiteral("*.sh")}, QDir::Files);
        for (const QString &script : scripts)
            m_files.append(QStringLiteral("tools/") + script);
        m_files.sort();
        QVERIFY2(m_files.size() > 100 && !scripts.isEmpty(), qPrintable(m_files.join(u' ')));
    }

    void everySourceFileCarriesTheLicence_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString &file : std::as_const(m_files))
            QTest::newRow(qPrintable(file)) << file;
    }
    void everySourceFileCarriesTheLicence()
    {
        QFETCH(QString, file);
        QFile text(QDir(QStringLiteral(SOURCE_DIR)).filePath(file));
        QVERIFY2(text.open(QIODevice::ReadOnly), qPrintable(text.errorString()));
        QByteArray line = text.readLine();
        if (line.startsWith("#!"))
            line = text.readLine();
        const QByteArray comment = file.endsWith(QStringLiteral(".cpp")) || file.endsWith(QStringLiteral(".h"))
                                       ? QByteArrayLiteral("//")
                                       : QByteArrayLiteral("#");
        QCOMPARE(line.trimmed(), comment + " SPDX-License-Identifier: MIT");
    }
};

SERVO_TEST_MAIN(TestLicence)
#include "tst_licence.moc"
