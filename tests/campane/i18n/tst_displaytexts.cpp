#include "displaytexts.h"

#include <QtTest>

class TestDisplayTexts : public QObject
{
    Q_OBJECT

private slots:
    void chineseText_data()
    {
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");

        QTest::newRow("later pair replaces Auto") << "Auto" << QStringLiteral("自由采集");
        QTest::newRow("same in both languages") << "Off" << QStringLiteral("Off");
        QTest::newRow("name with a space") << "Turned Off" << QStringLiteral("关");
        QTest::newRow("digits and dots") << "2.5D Right Reflex" << QStringLiteral("右2.5D反射图");
        QTest::newRow("shared Chinese text, old name") << "LinearSensing" << QStringLiteral("高精度");
        QTest::newRow("shared Chinese text, new name") << "SuperPrecise" << QStringLiteral("高精度");
        QTest::newRow("case matters") << "auto" << QStringLiteral("<none>");
        QTest::newRow("unknown") << "Continuous2" << QStringLiteral("<none>");
    }

    void chineseText()
    {
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        QCOMPARE(chineseEntryText(english, "<none>"), chinese);
        QCOMPARE(entryTextsZh().value(english, "<none>"), chinese);
    }

    void englishName_data()
    {
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<QString>("english");

        QTest::newRow("high precision") << QStringLiteral("高精度") << "SuperPrecise";
        QTest::newRow("standard") << QStringLiteral("标准") << "Standard";
        QTest::newRow("free run") << QStringLiteral("自由采集") << "Auto";
        QTest::newRow("same in both languages") << "Off" << QStringLiteral("Off");
        QTest::newRow("2D kind") << QStringLiteral("左2D图") << "2D Left";
        QTest::newRow("English is no key") << "Auto" << QString();
        QTest::newRow("unknown") << QStringLiteral("高精") << "";
    }

    void englishName()
    {
        QFETCH(QString, chinese);
        QFETCH(QString, english);
        QCOMPARE(englishEntryText(chinese), english);
    }

    void everyChineseTextLeadsBack()
    {
        // A Chinese text shown in an editor must turn into an entry name again.
        const QMap<QString, QString>& zh = entryTextsZh();
        for (auto it = zh.cbegin(); it != zh.cend(); ++it) {
            QVERIFY2(entryTextsEn().contains(it.value()), qPrintable(it.key()));
            const QString back = entryTextsEn().value(it.value());
            QVERIFY2(zh.value(back) == it.value(), qPrintable(it.key()));
        }
    }
};

QTEST_APPLESS_MAIN(TestDisplayTexts)
#include "tst_displaytexts.moc"
