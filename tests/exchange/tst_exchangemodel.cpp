#include "exchange/core/exchangemodel.h"
#include "exchange/core/exchangescrapers.h"
#include "exchange/core/exchangeviews.h"

#include <QLocale>
#include <QtTest>

#include <cstdio>

using namespace quillon;

namespace {

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

ExchangeModel model(const QString &table, const QString &loss)
{
    ExchangeModel m;
    m.Exc_LoadData(table.isEmpty() ? SpeedTableText() : table);
    m.Exc_SetLossRate(loss);
    return m;
}

} // namespace

// Expected figures were worked out by hand from the design table:
// d = attenuation / (loss / 1000), straight lines between rows.
class TestExchangeModel : public QObject
{
    Q_OBJECT
private slots:
    void estimate_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("loss");
        QTest::addColumn<QString>("attenuation");
        QTest::addColumn<bool>("adsl2");
        QTest::addColumn<QString>("texts"); // distance | rate | profile or throughput
        QTest::addColumn<float>("column");

        QTest::newRow("worked example") << QString() << s("13.81") << s("33.14") << false
                                        << s("2.40 km / 1.49 mile(s)|7,720 kbit/s|7150 kbit/s") << 5.7493f;
        QTest::newRow("adsl2") << QString() << s("13.81") << s("33.14") << true
                               << s("2.40 km / 1.49 mile(s)|13,003 kbit/s|11,508 kbit/s") << 5.7493f;
        QTest::newRow("below the first row: no marker") << QString() << s("13.81") << s("1.0") << false
                                                        << s("0.07 km / 0.04 mile(s)|8,128 kbit/s|7150 kbit/s") << -1.0f;
        // ADSL2 9000 at 1000 m and 7000 at 2000 m go on to 11000 at 0 m: 10000 at 500 m.
        QTest::newRow("below the first row: extrapolated")
            << s("1000\t5000\t9000\t4500\t8000\n2000\t4000\t7000\t3500\t6000") << s("10") << s("5") << true
            << s("0.50 km / 0.31 mile(s)|10,000 kbit/s|9,000 kbit/s") << -1.0f;
        QTest::newRow("beyond the last row: profile emptied") << QString() << s("13.81") << s("80") << false
                                                              << s("5.79 km / 3.60 mile(s)|0 kbit/s|") << -1.0f;
        QTest::newRow("beyond the last row, adsl2") << QString() << s("13.81") << s("80") << true
                                                    << s("5.79 km / 3.60 mile(s)|0 kbit/s|0 kbit/s") << -1.0f;
        // 15.625 dB/km makes 2500 m exactly 39.0625 dB: the next row is the upper point.
        QTest::newRow("exactly a row") << QString() << s("15.625") << s("39.0625") << false
                                       << s("2.50 km / 1.55 mile(s)|7,584 kbit/s|6500 kbit/s") << 6.0f;
    }

    void estimate()
    {
        QFETCH(QString, table);
        QFETCH(QString, loss);
        QFETCH(QString, attenuation);
        QFETCH(bool, adsl2);
        QFETCH(QString, texts);
        QFETCH(float, column);

        // Figures are written the same whatever the user's locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const ExchangeModel m = model(table, loss);
        QVERIFY(m.problem().isEmpty());
        const SpeedTexts t = m.Exc_GetData(attenuation, adsl2, false);
        QLocale::setDefault(QLocale::c());
        QCOMPARE(t.distance + QLatin1Char('|') + t.rate + QLatin1Char('|') + (adsl2 ? t.secondRate : t.profile), texts);
        QVERIFY(!adsl2 || t.profile.isEmpty());
        QVERIFY2(qAbs(t.column - column) < 0.001f, qPrintable(QString::number(t.column)));
    }

    void tableAndLossRate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("loss");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("usable");

        QString crlf = SpeedTableText();
        crlf.replace(s("\n"), s("\r\n"));
        QString cr = SpeedTableText();
        cr.replace(s("\n"), s("\r"));
        QTest::newRow("CR LF") << crlf << s("13.81") << 13 << true;
        QTest::newRow("CR") << cr << s("13.81") << 13 << true;
        QTest::newRow("short and blank lines skipped") << s("\n100\t1\n\n100\t1\t2\n200\t3\t4\t5\t6\nnote") << s("1") << 2
                                                       << true;
        QTest::newRow("a zero distance is overwritten") << s("100\t1\t2\n0\t9\t9\n300\t1\t2") << s("1") << 2 << true;
        QTest::newRow("one row") << s("100\t1\t2\t3\t4") << s("1") << 1 << false;
        QTest::newRow("distances falling") << s("500\t1\t2\n100\t1\t2") << s("1") << 2 << false;
        QTest::newRow("trailing zero distance") << s("100\t1\t2\n200\t1\t2\n0\t1\t2") << s("1") << 3 << false;
        QTest::newRow("loss zero") << QString() << s("0") << 13 << false;
        QTest::newRow("loss negative") << QString() << s("-13.81") << 13 << false;
        QTest::newRow("loss beyond single precision") << QString() << s("1e42") << 13 << false;
        QTest::newRow("loss below single precision") << QString() << s("1e-300") << 13 << false;
    }

    void tableAndLossRate()
    {
        QFETCH(QString, text);
        QFETCH(QString, loss);
        QFETCH(int, rows);
        QFETCH(bool, usable);
        const ExchangeModel m = model(text, loss);
        QCOMPARE(m.SpeedTable().size(), rows);
        QCOMPARE(m.problem().isEmpty(), usable);
        // No figure comes out of a model that cannot be used.
        if (!usable)
            QCOMPARE(m.Exc_GetData(s("33"), false, false).rate, s("0 kbit/s"));
    }

    void fieldsAndGraph()
    {
        const ExchangeModel odd = model(s("100\t8128\t24000\t7150\t18577.92\n2.5\t3.5\t99999999999\t-2.5"), s("1"));
        const SpeedRow &r = odd.SpeedTable().at(1);
        QCOMPARE(odd.SpeedTable().at(0).Adsl2Throughput, 18578);
        QCOMPARE(QList<qint32>({r.Distance, r.AdslRate, r.Adsl2Rate, r.AdslIPProfile}), QList<qint32>({2, 4, 0, -2}));

        const QString graph = model(QString(), s("13.81")).Exc_GetGraph(true, s(BestGraphColour));
        QVERIFY(graph.startsWith(s("100,24000,0x255x255\r\n500,24000,0x255x255\r\n")));
        QVERIFY(graph.endsWith(s("\r\n4900,1600,0x255x255")));
        QCOMPARE(graph.count(s("\r\n")), 12);
    }

    // printf rounds the exact binary value; ties in the third decimal are
    // where a quick scaling would go wrong.
    void numberFormats()
    {
        QCOMPARE(FormatWholeGrouped(-1234567.4), s("-1,234,567"));
        QCOMPARE(FormatWholeGrouped(14818.5), s("14,818"));
        QCOMPARE(FormatWholeGrouped(14819.5), s("14,820"));
        QCOMPARE(FormatWholeGrouped(qInf()), s("0"));
        QList<double> values = {0.125, 2.675, 1.005, -0.004, -2.675, 1e7 + 0.125, 123456789.125, 5e-324};
        quint64 x = 88172645463325252ull;
        for (int i = 0; i < 20000; ++i) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            values << (double(x % 2000000) - 1000000) / 8000 << double(x % 100000000) / 1000;
        }
        for (double v : values) {
            char expected[400];
            std::snprintf(expected, sizeof expected, "%.2f", v);
            const QString want = QString::fromLatin1(expected).replace(s("-0.00"), s("0.00"));
            QCOMPARE(FormatTwoDecimals(v), want);
        }
    }

    // The tab's labels with the best results, and every message that stops them.
    void labels_data()
    {
        QTest::addColumn<QString>("loss");
        QTest::addColumn<QString>("attenuation");
        QTest::addColumn<bool>("adsl2");
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("lines");

        const QString estimate = s("Est. distance from exchange: 2.40 km / 1.49 mile(s)|Estimated max. attainable rate: "
                                   "7,720 kbit/s|Type: ADSL|IP Profile: 7150 kbit/s");
        QTest::newRow("adsl at 2 km") << s("13.81") << s("33.14") << false << s("2") << QString()
                                      << estimate + s("|Best max. attainable rate: 8,128 kbit/s|Best IP Profile: 7150 "
                                                      "kbit/s|Attenuation due to internal wiring: 5.52 dB");
        QTest::newRow("adsl2 at 2 km, a half to even") << s("13.81") << s("33.14") << true << s("2") << QString()
                                                       << s("Est. distance from exchange: 2.40 km / 1.49 mile(s)|"
                                                            "Estimated max. attainable rate: 13,003 kbit/s|Type: ADSL2|"
                                                            "Throughput: 11,508 kbit/s|Best max. attainable rate: 16,744 "
                                                            "kbit/s|Best Throughput: 14,818 kbit/s|Attenuation due to "
                                                            "internal wiring: 5.52 dB");
        QTest::newRow("beyond the table, cable loss above the measured")
            << s("13.81") << s("33.14") << false << s("4.95") << QString()
            << estimate + s("|Best max. attainable rate: 0 kbit/s|Best IP Profile: |Attenuation due to internal wiring: "
                            "0.00 dB");
        QTest::newRow("distance beyond 100 km: estimate only") << s("13.81") << s("33.14") << false << s("100.5")
                                                               << QString() << estimate;
        QTest::newRow("loss zero") << s("0") << s("33.14") << false << s("2")
                                   << s("Loss rate value is zero, cannot calculate exchange information.") << QString();
        QTest::newRow("loss negative") << s("-2") << s("33.14") << false << s("2")
                                       << s("Loss rate value must be a positive number of dB per km, cannot calculate "
                                            "exchange information.")
                                       << QString();
        QTest::newRow("no reading yet: silent") << s("13.81") << QString() << false << s("2") << QString() << QString();
    }

    void labels()
    {
        QFETCH(QString, loss);
        QFETCH(QString, attenuation);
        QFETCH(bool, adsl2);
        QFETCH(QString, actual);
        QFETCH(QString, message);
        QFETCH(QString, lines);
        QString stop;
        QStringList got;
        for (const auto &[caption, value] : ExchangeLabelsFor({attenuation, adsl2, loss, actual}, &stop))
            got << caption + s(": ") + value;
        QCOMPARE(stop, message);
        QCOMPARE(got.join(QLatin1Char('|')), lines);
    }

    void calcBestChecks_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("attenuation");
        QTest::addColumn<int>("need");
        QTest::addColumn<QString>("message");
        const int distance = int(CalcBestNeed::ActualDistance);
        QTest::newRow("no distance") << QString() << s("33") << distance
                                     << s("To calculate the best results achievable, you must enter the actual distance "
                                          "to the closest exchange.");
        QTest::newRow("negative") << s("-3") << s("33") << distance
                                  << s("The actual distance must be above 0 and at most 100 km.");
        QTest::newRow("no router reading") << s("2") << QString() << int(CalcBestNeed::RouterInfo)
                                           << s("To calculate the best results achievable, you must obtain the basic "
                                                "router information first.\r\nPlease click on the 'Get Router Info' to "
                                                "fetch this data.");
        QTest::newRow("100 km is allowed") << s("100") << s("33") << int(CalcBestNeed::Nothing) << QString();
    }

    void calcBestChecks()
    {
        QFETCH(QString, actual);
        QFETCH(QString, attenuation);
        QFETCH(int, need);
        QFETCH(QString, message);
        ExchangeMessage m;
        QCOMPARE(int(CalcBestPrecheck({attenuation, false, s("13.81"), actual}, m)), need);
        QCOMPARE(m.text, message);
    }

    void scrapers_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("postcode");
        QTest::addColumn<float>("km");

        QTest::newRow("all three, markers in any case")
            << s("<TABLE CLASS=\"r\"><tr><td><a HREF=\"/broadband/exchange/STBOWS\">Bow</a></table>"
                 "<tr><td>POSTCODE:</td><td class=\"v\">E3 2AA</td></tr>"
                 "\\x3eDriving directions\\x3c/b\\x3e\\x3cdiv\\x3e\\x3cb\\x3e10.5\\x26#160;mi about")
            << s("STBOWS") << s("E3 2AA") << 16.898111f;
        QTest::newRow("no markers") << s("<html><body>Nothing here</body></html>") << QString() << QString() << 0.0f;
        QTest::newRow("cut short") << s("<table class=\"r\"><a href=\"/broadband/exchange/STB") << QString() << QString()
                                   << 0.0f;
        QTest::newRow("distance not a number") << s("x3eDriving directions x3e\\x3cdiv\\x3e\\x3cb\\x3efar\\x26 about")
                                               << QString() << QString() << 0.0f;
        // A hostile page's distance that no float holds, or below zero, is no distance.
        QTest::newRow("distance beyond a float") << s("x3eDriving directions x3e\\x3cdiv\\x3e\\x3cb\\x3e")
                + QString(60, QLatin1Char('9')) + s("\\x26 about") << QString() << QString() << 0.0f;
        QTest::newRow("negative distance") << s("x3eDriving directions x3e\\x3cdiv\\x3e\\x3cb\\x3e-3\\x26 about")
                                           << QString() << QString() << 0.0f;
    }

    void scrapers()
    {
        QFETCH(QString, page);
        QFETCH(QString, code);
        QFETCH(QString, postcode);
        QFETCH(float, km);
        QCOMPARE(Exc_FindExchangeCode(page), code);
        QCOMPARE(Exc_FindExchangePostcode(page), postcode);
        QVERIFY(qAbs(Exc_FindDrivingDistance(page) - km) < 0.0001f);
    }

    void lookupTokens()
    {
        QCOMPARE(LookupTokenWithoutBlanks(s(" ab1 2cd ")), s("ab12cd"));
        QCOMPARE(LookupTokenWithoutBlanks(s("ABCDE12345")), s("ABCDE12345"));
        for (const QString &bad : {s("ABCDE123456"), s("AB1&2CD"), s("AB/CD"), s("AB%26"), QString::fromUtf8("ÄB12"),
                                   s("AB\t12"), s("   ")})
            QVERIFY2(LookupTokenWithoutBlanks(bad).isEmpty(), qPrintable(bad));
    }
};

QTEST_GUILESS_MAIN(TestExchangeModel)
#include "tst_exchangemodel.moc"
