#include "base/inifile.h"
#include "base/settingstable.h"
#include "tests/support/testsupport.h"

#include <QSet>
#include <QtTest>

using namespace quillon;

namespace {

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

QString sampleValue(const SettingRow &r, int i)
{
    return r.kind == SettingKind::Check ? QString::number(i % 2) : r.key + QLatin1Char('#') + QString::number(i);
}

} // namespace

class TestSettingsTable : public QObject
{
    Q_OBJECT
private slots:
    void tableIsCompleteAndInOrder()
    {
        const QList<SettingRow> &t = settingsTable();
        QStringList sections;
        QSet<QString> keys;
        QSet<QString> controls;
        for (const SettingRow &r : t) {
            if (sections.isEmpty() || sections.constLast() != r.section)
                sections << r.section;
            keys.insert(r.section + QLatin1Char('/') + r.key.toLower());
            controls.insert(r.control);
            QCOMPARE(findSettingOfControl(r.control), &r);
            if (r.kind == SettingKind::Check)
                QVERIFY2(r.defaultValue == s("0") || r.defaultValue == s("1"), qPrintable(r.key));
            // A default the program cannot work with would be put back forever.
            QVERIFY2(isValidSetting(r, r.defaultValue), qPrintable(r.key));
            QVERIFY2(!r.isWholeNumber() || r.required, qPrintable(r.key));
        }
        QCOMPARE(sections.size(), QSet<QString>(sections.begin(), sections.end()).size()); // each section in one run
        QCOMPARE(keys.size(), t.size());
        QCOMPARE(controls.size(), t.size());
        QVERIFY(findSetting(s("exchange"), s("LOSS RATE")));
        QVERIFY(!findSetting(s("Options"), s("Nope")));
        QVERIFY(!findSettingOfControl(s("txtNope")));
    }

    void valuesTheProgramCannotUseGiveTheDefault_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("valid");
        const auto rows = [](const char *key, std::initializer_list<std::pair<const char *, bool>> cases) {
            for (const auto &[value, valid] : cases)
                QTest::addRow("%s=%s", key, value) << s(key) << s(value) << valid;
        };
        rows("Telnet Port", {{"23", true}, {"023", true}, {"1", true}, {"65535", true}, {"", false}, {" ", false},
                             {"0", false}, {"65536", false}, {"abc", false}, {"23abc", false}, {"-1", false},
                             {"+23", false}, {" 23", false}, {"2.5", false}, {"1e10", false}, {"99999999999", false}});
        rows("Ping Interval", {{"0", true}, {"86400", true}, {"86401", false}});
        rows("Router Username", {{"admin", true}, {"a b", true}, {"", false}, {" \t", false}});
        rows("Router IP", {{"", true}, {"anything", true}});
    }

    void valuesTheProgramCannotUseGiveTheDefault()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, valid);
        const SettingRow *row = findSetting(s("Options"), key);
        QVERIFY(row);
        QCOMPARE(isValidSetting(*row, value), valid);
        QCOMPARE(validSetting(*row, value), valid ? value : row->defaultValue);
    }

    void everyKeySurvivesARoundTrip()
    {
        test::TempAppDir dir;
        const QString path = dir.file(s(SettingsFileName));
        IniFile ini;
        const QList<SettingRow> &t = settingsTable();
        for (int i = 0; i < t.size(); ++i)
            QVERIFY(ini.setValue(t[i].section, t[i].key, sampleValue(t[i], i)));
        QVERIFY(ini.save(path, true));

        const IniFile back = IniFile::load(path);
        for (int i = 0; i < t.size(); ++i) {
            QCOMPARE(back.value(t[i].section, t[i].key), sampleValue(t[i], i));
            QCOMPARE(ReadIni(t[i].section.toUpper(), t[i].key.toLower(), path), sampleValue(t[i], i));
        }
        // One header per section, in table order.
        const QByteArray bytes = dir.read(s(SettingsFileName));
        QCOMPARE(bytes.count("[Options]\r\n"), 1);
        QVERIFY(bytes.indexOf("[Ping test]") < bytes.indexOf("[Exchange]"));
        QVERIFY(bytes.indexOf("[Graphs]") < bytes.indexOf("[Bandwidth]"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsTable)
#include "tst_settingstable.moc"
