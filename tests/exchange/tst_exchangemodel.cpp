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

// Expected figures below were worked out by hand from the design table
// (d = attenuation / (loss / 1000), straight lines between rows).
} // namespace

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
        QTest::addColumn<QString>("distance");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<float>("column");

        QTest::newRow("worked example") << QString() << s("13.81") << s("33.14") << false
                                        << s("2.40 km / 1.49 mile(s)") << s("7,720 kbit/s") << s("7150 kbit/s") << 5.7493f;
        QTest::newRow("adsl2: rate and throughput") << QString() << s("13.81") << s("33.14") << true
                                                    << s("2.40 km / 1.49 mile(s)") << s("13,003 kbit/s")
                                                    << s("11,508 kbit/s") << 5.7493f;
        QTest::newRow("below the first row: no marker") << QString() << s("13.81") << s("1.0") << false
                                                        << s("0.07 km / 0.04 mile(s)") << s("8,128 kbit/s")
                                                        << s("7150 kbit/s") << -1.0f;
        // ADSL2 rate 9000 at 1000 m, 7000 at 2000 m: the line goes on to 11000 at 0 m,
        // so 500 m is 10000; the throughput likewise 9000.
        QTest::newRow("below the first row: extrapolated")
            << s("1000\t5000\t9000\t4500\t8000\n2000\t4000\t7000\t3500\t6000") << s("10") << s("5") << true
            << s("0.50 km / 0.31 mile(s)") << s("10,000 kbit/s") << s("9,000 kbit/s") << -1.0f;
        QTest::newRow("beyond the last row") << QString() << s("13.81") << s("80") << false
                                             << s("5.79 km / 3.60 mile(s)") << s("0 kbit/s") << QString() << -1.0f;
        QTest::newRow("beyond the last row, adsl2") << QString() << s("13.81") << s("80") << true
                                                    << s("5.79 km / 3.60 mile(s)") << s("0 kbit/s") << s("0 kbit/s")
                                                    << -1.0f;
        // 15.625 dB/km makes 2500 m exactly 39.0625 dB: the next row is the upper point.
        QTest::newRow("exactly a row") << QString() << s("15.625") << s("39.0625") << false
                                       << s("2.50 km / 1.55 mile(s)") << s("7,584 kbit/s") << s("6500 kbit/s") << 6.0f;
    }

    void estimate()
    {
        QFETCH(QString, table);
        QFETCH(QString, loss);
        QFETCH(QString, attenuation);
        QFETCH(bool, adsl2);
        QFETCH(QString, distance);
        QFETCH(QString, rate);
        QFETCH(QString, profile);
        QFETCH(float, column);

        // Figures are written the same whatever the user's locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const ExchangeModel m = model(table, loss);
        QVERIFY(m.problem().isEmpty());
        const SpeedTexts t = m.Exc_GetData(attenuation, adsl2, false);
        QLocale::setDefault(QLocale::c());
        QCOMPARE(t.distance, distance);
        QCOMPARE(t.rate, rate);
        QCOMPARE(adsl2 ? t.secondRate : t.profile, profile);
        if (adsl2)
            QVERIFY(t.profile.isEmpty());
        QVERIFY2(qAbs(t.column - column) < 0.001f, qPrintable(QString::number(t.column)));
    }

    void tableShapes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("usable");

        const QString lf = SpeedTableText();
        QString crlf = lf;
        crlf.replace(s("\n"), s("\r\n"));
        QString cr = lf;
        cr.replace(s("\n"), s("\r"));
        QTest::newRow("LF") << lf << 13 << true;
        QTest::newRow("CR LF") << crlf << 13 << true;
        QTest::newRow("CR") << cr << 13 << true;
        QTest::newRow("short and blank lines skipped") << s("\n100\t1\n\n100\t1\t2\n200\t3\t4\t5\t6\nnote") << 2 << true;
        QTest::newRow("a zero distance is overwritten") << s("100\t1\t2\n0\t9\t9\n300\t1\t2") << 2 << true;
        QTest::newRow("one row") << s("100\t1\t2\t3\t4") << 1 << false;
        QTest::newRow("no rows") << s("\r\n") << 1 << false;
        QTest::newRow("distances falling") << s("500\t1\t2\n100\t1\t2") << 2 << false;
        QTest::newRow("distances repeated") << s("100\t1\t2\n100\t1\t2") << 2 << false;
        QTest::newRow("trailing zero distance") << s("100\t1\t2\n200\t1\t2\n0\t1\t2") << 3 << false;
    }

    void tableShapes()
    {
        QFETCH(QString, text);
        QFETCH(int, rows);
        QFETCH(bool, usable);
        const ExchangeModel m = model(text, s("13.81"));
        QCOMPARE(m.SpeedTable().size(), rows);
        QCOMPARE(m.problem().isEmpty(), usable);
        if (!usable) {
            // No figure comes out of a table that cannot be read.
            const SpeedTexts t = m.Exc_GetData(s("33"), false, false);
            QCOMPARE(t.rate, s("0 kbit/s"));
            QVERIFY(t.profile.isEmpty());
        }
    }

    void fieldsRoundHalvesToEvenAndRefuseOverflow()
    {
        const ExchangeModel m = model(s("100\t8128\t24000\t7150\t18577.92\n2.5\t3.5\t99999999999\t-2.5\t1840.8"), s("13.81"));
        const QList<SpeedRow> &rows = m.SpeedTable();
        QCOMPARE(rows[0].Adsl2Throughput, 18578);
        QCOMPARE(rows[1].Distance, 2);
        QCOMPARE(rows[1].AdslRate, 4);
        QCOMPARE(rows[1].Adsl2Rate, 0);
        QCOMPARE(rows[1].AdslIPProfile, -2);
        QCOMPARE(rows[1].Adsl2Throughput, 1841);
    }

    void lossRate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("usable");
        QTest::newRow("default") << s("13.81") << true;
        QTest::newRow("zero") << s("0") << false;
        QTest::newRow("negative") << s("-13.81") << false;
        QTest::newRow("words") << s("lots") << false;
        QTest::newRow("too big to hold") << s("1e42") << false;
        QTest::newRow("too small to hold") << s("1e-300") << false;
    }

    void lossRate()
    {
        QFETCH(QString, text);
        QFETCH(bool, usable);
        ExchangeModel m;
        m.Exc_LoadData(SpeedTableText());
        QCOMPARE(m.Exc_SetLossRate(text), usable);
        QCOMPARE(m.problem().isEmpty(), usable);
        if (usable)
            QVERIFY(qAbs(m.SpeedTable().at(6).Attenuation - 34.525f) < 1e-4f);
    }

    void graphText()
    {
        const ExchangeModel m = model(QString(), s("13.81"));
        const QString graph = m.Exc_GetGraph(true, s(BestGraphColour));
        QVERIFY(graph.startsWith(s("100,24000,0x255x255\r\n500,24000,0x255x255\r\n")));
        QVERIFY(graph.endsWith(s("\r\n4900,1600,0x255x255")));
        QCOMPARE(graph.count(s("\r\n")), 12);
    }

    void wholeNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("grouped") << 1234567.0 << s("1,234,567");
        QTest::newRow("negative") << -7720.4 << s("-7,720");
        QTest::newRow("half to even down") << 14818.5 << s("14,818");
        QTest::newRow("half to even up") << 14819.5 << s("14,820");
        QTest::newRow("zero") << 0.0 << s("0");
        QTest::newRow("no number") << qInf() << s("0");
    }

    void wholeNumbers()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FormatWholeGrouped(value), text);
    }

    // Checked against printf, which rounds the exact binary value; ties in the
    // third decimal are where a quick scaling would go wrong.
    void twoDecimalsAsPrintf()
    {
        QList<double> values = {0.125, 0.375, 2.675, 1.005, 1.015, -0.004, -0.005, -2.675, 4.9e6 + 0.125, 1e7 + 0.125,
                                123456789.125, 0.0, 5e-324};
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
            QString want = QString::fromLatin1(expected);
            if (want == QLatin1String("-0.00"))
                want = s("0.00");
            QCOMPARE(FormatTwoDecimals(v), want);
        }
    }

    // The best results at the actual distance, and every message the two views give.
    void views_data()
    {
        QTest::addColumn<QString>("loss");
        QTest::addColumn<QString>("attenuation");
        QTest::addColumn<bool>("adsl2");
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("lines");

        const QString lossZero = s("Loss rate value is zero, cannot calculate exchange information.");
        QTest::newRow("adsl at 2 km") << s("13.81") << s("33.14") << false << s("2")
                                      << QString()
                                      << QStringList{s("Est. distance from exchange: 2.40 km / 1.49 mile(s)"),
                                                     s("Estimated max. attainable rate: 7,720 kbit/s"), s("Type: ADSL"),
                                                     s("IP Profile: 7150 kbit/s"),
                                                     s("Best max. attainable rate: 8,128 kbit/s"),
                                                     s("Best IP Profile: 7150 kbit/s"),
                                                     s("Attenuation due to internal wiring: 5.52 dB")};
        QTest::newRow("adsl2 at 2 km, a half to even") << s("13.81") << s("33.14") << true << s("2") << QString()
                                                       << QStringList{s("Est. distance from exchange: 2.40 km / 1.49 mile(s)"),
                                                                      s("Estimated max. attainable rate: 13,003 kbit/s"),
                                                                      s("Type: ADSL2"), s("Throughput: 11,508 kbit/s"),
                                                                      s("Best max. attainable rate: 16,744 kbit/s"),
                                                                      s("Best Throughput: 14,818 kbit/s"),
                                                                      s("Attenuation due to internal wiring: 5.52 dB")};
        QTest::newRow("exactly a row, no internal loss") << s("15.625") << s("39.0625") << false << s("2.5") << QString()
                                                         << QStringList{s("Est. distance from exchange: 2.50 km / 1.55 mile(s)"),
                                                                        s("Estimated max. attainable rate: 7,584 kbit/s"),
                                                                        s("Type: ADSL"), s("IP Profile: 6500 kbit/s"),
                                                                        s("Best max. attainable rate: 7,584 kbit/s"),
                                                                        s("Best IP Profile: 6500 kbit/s"),
                                                                        s("Attenuation due to internal wiring: 0.00 dB")};
        QTest::newRow("cable loss above the measured") << s("13.81") << s("20") << false << s("4.95") << QString()
                                                       << QStringList{s("Est. distance from exchange: 1.45 km / 0.90 mile(s)"),
                                                                      s("Estimated max. attainable rate: 8,128 kbit/s"),
                                                                      s("Type: ADSL"), s("IP Profile: 7150 kbit/s"),
                                                                      s("Best max. attainable rate: 0 kbit/s"),
                                                                      s("Best IP Profile: "),
                                                                      s("Attenuation due to internal wiring: 0.00 dB")};
        QTest::newRow("loss zero") << s("0") << s("33.14") << false << s("2") << lossZero << QStringList{};
        QTest::newRow("loss negative") << s("-2") << s("33.14") << false << s("2")
                                       << s("Loss rate value must be a positive number of dB per km, cannot calculate "
                                            "exchange information.")
                                       << QStringList{};
        QTest::newRow("no attenuation yet: nothing, silently") << s("13.81") << QString() << false << s("2") << QString()
                                                               << QStringList{};
        QTest::newRow("distance out of range: estimate only") << s("13.81") << s("33.14") << false << s("100.5")
                                                              << QString()
                                                              << QStringList{s("Est. distance from exchange: 2.40 km / 1.49 mile(s)"),
                                                                             s("Estimated max. attainable rate: 7,720 kbit/s"),
                                                                             s("Type: ADSL"), s("IP Profile: 7150 kbit/s")};
    }

    void views()
    {
        QFETCH(QString, loss);
        QFETCH(QString, attenuation);
        QFETCH(bool, adsl2);
        QFETCH(QString, actual);
        QFETCH(QString, message);
        QFETCH(QStringList, lines);

        const ExchangeModel m = model(QString(), loss);
        const ExchangeInputs in{attenuation, adsl2, loss, actual};
        const EstimateView estimate = ExchangeEstimate(m, in);
        const BestView best = ExchangeBest(m, in);
        QString stop;
        QStringList got;
        for (const auto &[caption, value] : ExchangeLabelsFor(in, &stop))
            got << caption + s(": ") + value;
        QCOMPARE(stop, message);
        QCOMPARE(got, lines);
        if (best.shown) {
            QCOMPARE(best.graph.section(QLatin1Char(','), 2, 2).section(QLatin1Char('\r'), 0, 0), s(BestGraphColour));
            QCOMPARE(estimate.yCell, adsl2 ? 5000 : 1000);
        }
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
        QTest::newRow("too far") << s("100.01") << s("33") << distance
                                 << s("The actual distance must be above 0 and at most 100 km.");
        QTest::newRow("negative") << s("-3") << s("33") << distance
                                  << s("The actual distance must be above 0 and at most 100 km.");
        QTest::newRow("no router reading") << s("2") << QString() << int(CalcBestNeed::RouterInfo)
                                           << s("To calculate the best results achievable, you must obtain the basic "
                                                "router information first.\r\nPlease click on the 'Get Router Info' to "
                                                "fetch this data.");
        QTest::newRow("ready") << s("100") << s("33") << int(CalcBestNeed::Nothing) << QString();
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
        QTest::newRow("link outside the table") << s("<a href=\"/broadband/exchange/X\"><table class=\"r\"></table>")
                                                << QString() << QString() << 0.0f;
        QTest::newRow("distance not a number") << s("x3eDriving directions x3e\\x3cdiv\\x3e\\x3cb\\x3efar\\x26 about")
                                               << QString() << QString() << 0.0f;
        QTest::newRow("empty") << QString() << QString() << QString() << 0.0f;
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

    void lookupTokens_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("token");
        QTest::newRow("postcode with blanks") << s(" ab1 2cd ") << s("ab12cd");
        QTest::newRow("ten") << s("ABCDE12345") << s("ABCDE12345");
        QTest::newRow("eleven") << s("ABCDE123456") << QString();
        QTest::newRow("ampersand") << s("AB1&2CD") << QString();
        QTest::newRow("slash") << s("AB/CD") << QString();
        QTest::newRow("percent") << s("AB%26") << QString();
        QTest::newRow("non-ASCII letter") << QString::fromUtf8("ÄB12") << QString();
        QTest::newRow("tab") << s("AB\t12") << QString();
        QTest::newRow("blanks only") << s("   ") << QString();
    }

    void lookupTokens()
    {
        QFETCH(QString, text);
        QFETCH(QString, token);
        QCOMPARE(LookupTokenWithoutBlanks(text), token);
    }
};

QTEST_GUILESS_MAIN(TestExchangeModel)
#include "tst_exchangemodel.moc"
