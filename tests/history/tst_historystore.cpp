#include "base/clock.h"
#include "history/core/counterstep.h"
#include "history/core/historyrecorder.h"
#include "history/core/historystore.h"
#include "history/core/statscsvimport.h"
#include "session/core/linestate.h"
#include "stats/core/modemstats.h"
#include "tests/support/testsupport.h"

#include <QtTest>

using namespace quillon;

namespace {

const qint64 T0 = QDateTime(QDate(2026, 7, 2), QTime(8, 0), Qt::UTC).toMSecsSinceEpoch();
constexpr qint64 Minute = 60 * 1000;
constexpr qint64 Hour = 60 * Minute;
constexpr qint64 Day = 24 * Hour;

HistoryReading reading(qint64 t, double dsMargin, qint64 crc = -1)
{
    HistoryReading r;
    r.timeMs = t;
    r.setValue(HistoryValue::DsMargin, dsMargin);
    r.setValue(HistoryValue::DsRate, 8128);
    r.setCount(HistoryCount::DsCrc, crc);
    return r;
}

// "ds_crc_f=12 showtime_count=1 ..." into counters; the rest absent.
LineCounters counters(const QString &text)
{
    LineCounters c;
    for (const QString &pair : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = pair.section(QLatin1Char('='), 0, 0);
        for (int i = 0; i < LineCounterCount; ++i) {
            if (QLatin1String(lineCounterKey(LineCounter(i))) == key)
                c.values[size_t(i)] = pair.section(QLatin1Char('='), 1).toLongLong();
        }
    }
    return c;
}

ModemStats stats(const QString &counterText)
{
    ModemStats s;
    s.dsRate = QStringLiteral("8128");
    s.dsMargin = QStringLiteral("6.5");
    s.dsMaxRate = QStringLiteral("21012 kbps");
    s.usMaxRate = QStringLiteral("1176000 bps");
    s.counters = counters(counterText);
    return s;
}

} // namespace

class TestHistoryStore : public QObject
{
    Q_OBJECT

private slots:
    void readingsAndEventsRoundTrip()
    {
        test::TempAppDir dir;
        HistoryStore store(dir.file(QStringLiteral("history.db")));
        QVERIFY2(store.open(), qPrintable(store.problem()));
        HistoryReading r = reading(T0, 6.5, 4);
        r.setValue(HistoryValue::PingRtt, 21.5);
        r.pingMinMs = 12;
        r.pingMaxMs = 40;
        r.mode = QStringLiteral("ADSL 2+");
        r.pingState = QStringLiteral("Up");
        r.lastRttMs = 23;
        r.uptimeSecs = 3600;
        r.counters = counters(QStringLiteral("ds_crc_f=12 showtime_count=2 ds_superframes=4294967295"));
        const HistoryEvent e{T0, HistoryEventKind::Resync, QStringLiteral("trained again")};
        QVERIFY(store.add(r, {e}));
        QVERIFY(store.add(reading(T0, 7))); // the same millisecond moves on by one
        QVERIFY(store.addEvent({T0 + Minute, HistoryEventKind::WatchdogReboot, QString()}));

        const HistoryReading back = *store.lastReading();
        QCOMPARE(back.timeMs, T0 + 1);
        store.close();
        QVERIFY(store.open());
        const HistorySeries s = store.query(T0, T0 + Hour, 0);
        QCOMPARE(s.buckets.size(), 2);
        const HistoryBucket &b = s.buckets[0];
        QCOMPARE(b.value(HistoryValue::DsMargin).avg, 6.5);
        QCOMPARE(b.value(HistoryValue::PingRtt).min, 12.0);
        QCOMPARE(b.value(HistoryValue::PingRtt).avg, 21.5);
        QCOMPARE(b.value(HistoryValue::PingRtt).max, 40.0);
        QVERIFY(!hasValue(b.value(HistoryValue::UsMargin).avg));
        QCOMPARE(b.count(HistoryCount::DsCrc), 4);
        QCOMPARE(b.count(HistoryCount::UsCrc), -1);
        QCOMPARE(s.events, (QList<HistoryEvent>{e, {T0 + Minute, HistoryEventKind::WatchdogReboot, QString()}}));

        // Every stored field of a reading comes back, counters included.
        r.timeMs = T0 + 2 * Minute;
        QVERIFY(store.add(r));
        const HistoryReading last = *store.lastReading();
        QCOMPARE(last.counters, r.counters);
        QCOMPARE(last.mode, r.mode);
        QCOMPARE(last.lastRttMs, 23);
        QCOMPARE(last.uptimeSecs, 3600);
        QCOMPARE(last.count(HistoryCount::DsCrc), 4);
    }

    void counterSteps_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("rebootHint");
        QTest::addColumn<qint64>("dsCrc");
        QTest::addColumn<qint64>("dsFec");
        QTest::addColumn<int>("restart");
        const QString base = QStringLiteral("showtime_count=2 ds_superframes=50000 ds_crc_i=100 ds_crc_f=7 ds_fec_i=900");
        QTest::newRow("steady") << base
            << "showtime_count=2 ds_superframes=53000 ds_crc_i=110 ds_crc_f=7 ds_fec_i=1000" << false
            << qint64(10) << qint64(100) << int(LineRestart::None);
        // Interleaved and fast path add up; a path the driver does not print is not zero.
        QTest::newRow("one path missing") << base << "showtime_count=2 ds_superframes=53000 ds_crc_i=110" << false
            << qint64(10) << qint64(-1) << int(LineRestart::None);
        QTest::newRow("resync, counters start over") << base
            << "showtime_count=3 ds_superframes=300 ds_crc_i=4 ds_crc_f=0 ds_fec_i=20" << false
            << qint64(4) << qint64(20) << int(LineRestart::Resync);
        QTest::newRow("resync, counters kept") << base
            << "showtime_count=3 ds_superframes=53000 ds_crc_i=150 ds_crc_f=7 ds_fec_i=900" << false
            << qint64(50) << qint64(0) << int(LineRestart::Resync);
        QTest::newRow("counters start over without a count") << "ds_superframes=50000 ds_crc_i=100"
            << "ds_superframes=10 ds_crc_i=1" << false << qint64(1) << qint64(-1) << int(LineRestart::Resync);
        QTest::newRow("reboot: count back to 1") << base
            << "showtime_count=1 ds_superframes=700 ds_crc_i=2 ds_crc_f=0 ds_fec_i=5" << false
            << qint64(2) << qint64(5) << int(LineRestart::Reboot);
        QTest::newRow("reboot: count back where it was") << base
            << "showtime_count=2 ds_superframes=700 ds_crc_i=2 ds_crc_f=0 ds_fec_i=5" << false
            << qint64(2) << qint64(5) << int(LineRestart::Reboot);
        QTest::newRow("reboot named by the uptime") << "ds_superframes=50000 ds_crc_i=100"
            << "ds_superframes=10 ds_crc_i=1" << true << qint64(1) << qint64(-1) << int(LineRestart::Reboot);
        QTest::newRow("true wrap") << "showtime_count=1 ds_superframes=50000 ds_fec_i=4294967290 ds_crc_i=1"
            << "showtime_count=1 ds_superframes=53000 ds_fec_i=10 ds_crc_i=1" << false
            << qint64(0) << qint64(16) << int(LineRestart::None);
        // Far from the top a drop is a restart, never 4 billion errors.
        QTest::newRow("drop is no wrap") << "showtime_count=1 ds_superframes=50000 ds_fec_i=123456 ds_crc_i=9"
            << "showtime_count=1 ds_superframes=53000 ds_fec_i=100 ds_crc_i=9" << false
            << qint64(9) << qint64(100) << int(LineRestart::Reboot);
        QTest::newRow("nothing known before") << QString() << base << false << qint64(-1) << qint64(-1)
            << int(LineRestart::None);
    }

    void counterSteps()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(bool, rebootHint);
        QFETCH(qint64, dsCrc);
        QFETCH(qint64, dsFec);
        QFETCH(int, restart);
        const CounterStep step = StepCounters(counters(before), counters(after), rebootHint);
        QCOMPARE(step.counts[size_t(HistoryCount::DsCrc)], dsCrc);
        QCOMPARE(step.counts[size_t(HistoryCount::DsFec)], dsFec);
        QCOMPARE(int(step.restart), restart);
        QCOMPARE(step.detail.isEmpty(), restart == int(LineRestart::None));
    }

    void recorderTurnsReadingsIntoCountsAndEvents()
    {
        test::TempAppDir dir;
        ScopedClock clock(QDateTime::fromMSecsSinceEpoch(T0));
        LineState line;
        HistoryRecorder recorder(line);
        QSignalSpy recorded(&recorder, &HistoryRecorder::recorded);
        recorder.recordReading(stats(QStringLiteral("showtime_count=1 ds_superframes=1000 ds_crc_f=10")),
                               ReadingSource::Monitor);
        clock.advanceSecs(60);
        recorder.notePing(true, 10, QStringLiteral("Up"));
        recorder.notePing(true, 30, QStringLiteral("Up"));
        recorder.notePing(false, 0, QStringLiteral("Down"));
        recorder.recordReading(stats(QStringLiteral("showtime_count=1 ds_superframes=4000 ds_crc_f=15")),
                               ReadingSource::FullFetch);
        clock.advanceSecs(60);
        recorder.recordReading(stats(QStringLiteral("showtime_count=2 ds_superframes=100 ds_crc_f=3")),
                               ReadingSource::Monitor);
        clock.advanceSecs(60);
        recorder.noteWatchdog();
        recorder.noteRebootStarted();
        clock.advanceSecs(60);
        // The reboot we made is not reported a second time from the counters.
        recorder.recordReading(stats(QStringLiteral("showtime_count=1 ds_superframes=50 ds_crc_f=2")),
                               ReadingSource::Monitor);
        clock.advanceSecs(60);
        recorder.recordReading(stats(QStringLiteral("showtime_count=1 ds_superframes=20 ds_crc_f=1")),
                               ReadingSource::Monitor);
        QCOMPARE(recorded.size(), 6);
        QCOMPARE(recorder.problem(), QString());

        const HistorySeries s = recorder.store().query(T0, T0 + Hour, 0);
        QCOMPARE(s.buckets.size(), 5);
        QList<qint64> crc;
        for (const HistoryBucket &b : s.buckets)
            crc << b.count(HistoryCount::DsCrc);
        QCOMPARE(crc, (QList<qint64>{-1, 5, 3, 2, 1}));
        const HistoryBucket &pinged = s.buckets[1];
        QCOMPARE(pinged.count(HistoryCount::PingsSent), 3);
        QCOMPARE(pinged.count(HistoryCount::PingsLost), 1);
        QCOMPARE(pinged.value(HistoryValue::PingRtt).avg, 20.0);
        QCOMPARE(pinged.value(HistoryValue::PingRtt).max, 30.0);
        QCOMPARE(pinged.value(HistoryValue::DsMaxRate).avg, 21012.0);
        QCOMPARE(pinged.value(HistoryValue::UsMaxRate).avg, 1176.0);
        QCOMPARE(s.buckets[2].count(HistoryCount::PingsSent), -1);
        QList<HistoryEventKind> kinds;
        for (const HistoryEvent &e : s.events)
            kinds << e.kind;
        QCOMPARE(kinds, (QList<HistoryEventKind>{HistoryEventKind::Resync, HistoryEventKind::WatchdogReboot,
                                                 HistoryEventKind::RouterRestarted}));
    }

    void retentionRollsReadingsIntoHours()
    {
        test::TempAppDir dir;
        HistoryStore store(dir.file(QStringLiteral("history.db")));
        QVERIFY(store.open());
        // Every ten minutes for 40 days: margins 6..11 and 2 CRC errors per reading,
        // ping 10+i / 20+i / 30+i, within every hour.
        QList<HistoryReading> rows;
        const qint64 now = T0 + 40 * Day;
        for (qint64 t = T0; t < now; t += 10 * Minute) {
            const int i = int((t % Hour) / (10 * Minute));
            HistoryReading r = reading(t, 6 + i, 2);
            r.pingMinMs = 10 + i;
            r.setValue(HistoryValue::PingRtt, 20 + i);
            r.pingMaxMs = 30 + i;
            rows << r;
        }
        rows << reading(now - 800 * Day, 1, 1);
        QVERIFY(store.addMany(rows));
        QVERIFY(store.applyRetention(now));

        const qint64 cut = now - 30 * Day; // on an hour already
        QCOMPARE(store.readingCount(), 30 * 24 * 6);
        QCOMPARE(store.hourlyCount(), 40 * 24);
        QCOMPARE(store.extent()->first, T0);

        const HistorySeries hours = store.query(T0, T0 + 2 * Hour, 0);
        QCOMPARE(hours.buckets.size(), 2);
        for (const HistoryBucket &b : hours.buckets) {
            QCOMPARE(b.readings, 6);
            QCOMPARE(b.value(HistoryValue::DsMargin).min, 6.0);
            QCOMPARE(b.value(HistoryValue::DsMargin).avg, 8.5);
            QCOMPARE(b.value(HistoryValue::DsMargin).max, 11.0);
            QCOMPARE(b.value(HistoryValue::PingRtt).min, 10.0);
            QCOMPARE(b.value(HistoryValue::PingRtt).avg, 22.5);
            QCOMPARE(b.value(HistoryValue::PingRtt).max, 35.0);
            QCOMPARE(b.count(HistoryCount::DsCrc), 12);
            QCOMPARE(b.value(HistoryValue::DsRate).avg, 8128.0);
        }
        // Days across the border mix hours and readings with the same result.
        const HistorySeries days = store.query(cut - 2 * Day, cut + 2 * Day, Day, -8 * Hour);
        QCOMPARE(days.buckets.size(), 4);
        for (const HistoryBucket &b : days.buckets) {
            QCOMPARE(b.readings, 144);
            QCOMPARE(b.value(HistoryValue::DsMargin).avg, 8.5);
            QCOMPARE(b.count(HistoryCount::DsCrc), 288);
        }
        // A late reading for an hour already rolled up merges into it.
        QVERIFY(store.add(reading(T0 + 5 * Minute, 2, 7)));
        QVERIFY(store.applyRetention(now));
        const HistoryBucket merged = store.query(T0, T0 + Hour, 0).buckets.value(0);
        QCOMPARE(merged.readings, 7);
        QCOMPARE(merged.value(HistoryValue::DsMargin).min, 2.0);
        QCOMPARE(merged.value(HistoryValue::DsMargin).max, 11.0);
        QCOMPARE(merged.value(HistoryValue::DsMargin).avg, (8.5 * 6 + 2) / 7);
        QCOMPARE(merged.count(HistoryCount::DsCrc), 19);
    }

    void oldStatisticsLogIsImportedOnce()
    {
        test::TempAppDir dir;
        dir.write(QStringLiteral("stats.csv"),
                  "02/07/2026 08:00,8128,30,6.5,448,15,9,Up,23\r\n"
                  "\r\n"
                  "garbage line\r\n"
                  "02/07/2026 08:01,8128,30,7,448,15,9,Down,0\r\n"
                  "31/02/2026 08:02,1,1,1,1,1,1,Up,1\r\n"
                  "02/07/2026 08:03,8128,,,448,,,,\n"
                  "02/07/2026 08:04,abc,30,6,448,15,9,Up,20\r\n"
                  "02/07/2026 08:05,8128,30,6,448,15,9,Up,20,extra\r\n"
                  "02/07/2026 08:01,8000,30,7,448,15,9,Up,11\r\n"
                  "\x01\xff\xfe,\r\n"
                  "02/07/2026 08:06,8128,30,-3,448,15,9,,0");
        const qint64 start = QDateTime(QDate(2026, 7, 2), QTime(8, 0)).toMSecsSinceEpoch();
        ScopedClock clock(QDateTime::fromMSecsSinceEpoch(start + Hour));
        {
            LineState line;
            HistoryRecorder recorder(line);
            HistoryStore &store = recorder.store();
            QCOMPARE(store.readingCount(), 5);
            QCOMPARE(store.meta(QString::fromLatin1(HistoryRecorder::ImportedKey)),
                     QStringLiteral("5 readings, 5 lines skipped"));
            const HistorySeries s = store.query(start, start + Hour, 0);
            QCOMPARE(s.buckets.size(), 5);
            QCOMPARE(s.buckets[0].value(HistoryValue::PingRtt).avg, 23.0);
            QCOMPARE(s.buckets[1].count(HistoryCount::PingsLost), 1);
            QCOMPARE(s.buckets[2].value(HistoryValue::DsRate).avg, 8000.0); // the repeated minute
            QVERIFY(!hasValue(s.buckets[3].value(HistoryValue::DsMargin).avg));
            QCOMPARE(s.buckets[4].value(HistoryValue::DsMargin).avg, -3.0);
        }
        LineState line;
        HistoryRecorder again(line);
        QCOMPARE(again.store().readingCount(), 5);
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
