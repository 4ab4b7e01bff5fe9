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
        QCOMPARE(t.size(), 50);
        QStringList sections;
        QSet<QString> keys;
        QSet<QString> controls;
        for (const SettingRow &r : t) {
            if (sections.isEmpty() || sections.constLast() != r.section)
                sections << r.section;
            keys.insert(r.section + QLatin1Char('/') + r.key.toLower());
            controls.insert(r.control);
            if (r.kind == SettingKind::Check)
                QVERIFY2(r.defaultValue == s("0") || r.defaultValue == s("1"), qPrintable(r.key));
        }
        QCOMPARE(sections, (QStringList{s("Options"), s("Ping test"), s("Exchange"), s("Tweaks"), s("Graphs"), s("Bandwidth")}));
        QCOMPARE(keys.size(), t.size());
        QCOMPARE(controls.size(), t.size());

        const SettingRow *loss = findSetting(s("exchange"), s("LOSS RATE"));
        QVERIFY(loss);
        QCOMPARE(loss->kind, SettingKind::Special);
        QCOMPARE(loss->defaultValue, s("13.81"));
        QVERIFY(!findSetting(s("Options"), s("Nope")));
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
