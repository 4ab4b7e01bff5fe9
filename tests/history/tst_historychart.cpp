#include "base/clock.h"
#include "history/core/historychartlayout.h"
#include "history/core/historyrecorder.h"
#include "history/ui/frmhistory.h"
#include "history/ui/historychartview.h"
#include "session/core/linestate.h"
#include "stats/core/modemstats.h"
#include "tests/support/testsupport.h"

#include <QImage>
#include <QtTest>

using namespace quillon;

namespace {

constexpr qint64 Minute = 60 * 1000;
constexpr qint64 Hour = 60 * Minute;
constexpr qint64 Day = 24 * Hour;
const qint64 Now = QDateTime(QDate(2026, 7, 2), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();

int charWidth(const QString &text)
{
    return int(text.size()) * 7;
}

HistorySeries filled(qint64 from, qint64 to, qint64 bucket)
{
    HistorySeries s;
    s.fromMs = from;
    s.toMs = to;
    s.bucketMs = bucket;
    int i = 0;
    for (qint64 t = from - from % bucket; t < to; t += bucket, ++i) {
        HistoryBucket b;
        b.startMs = t;
        b.readings = 1;
        b.values[size_t(HistoryValue::DsMargin)] = {5.5, double(6 + i % 3), 9};
        b.values[size_t(HistoryValue::DsRate)] = {8128, 8128, 8128};
        b.values[size_t(HistoryValue::PingRtt)] = {10, 20, 300};
        b.counts[size_t(HistoryCount::DsFec)] = 1000 + i;
        b.counts[size_t(HistoryCount::PingsLost)] = i % 50 == 0;
        s.buckets << b;
    }
    s.events = {{from - Hour, HistoryEventKind::Resync, {}},
                {from + (to - from) / 2, HistoryEventKind::WatchdogReboot, {}},
                {to - 1, HistoryEventKind::Resync, {}}};
    return s;
}

ModemStats stats(int margin, int fec)
{
    ModemStats s;
    s.dsRate = QStringLiteral("8128");
    s.usRate = QStringLiteral("448");
    s.dsMargin = QString::number(margin);
    s.usMargin = QStringLiteral("12");
    s.counters.set(LineCounter::ShowtimeCount, 1);
    s.counters.set(LineCounter::DsFecInterleaved, fec);
    s.counters.set(LineCounter::DsSuperframes, fec * 100);
    return s;
}

} // namespace

class TestHistoryChart : public QObject
{
    Q_OBJECT

private slots:
    void geometryOfEverySpan_data()
    {
        QTest::addColumn<qint64>("span");
        QTest::addColumn<int>("width");
        for (HistorySpan s : {HistorySpan::Hours6, HistorySpan::Hours24, HistorySpan::Days7, HistorySpan::Days30}) {
            QTest::addRow("%s at 1600", qPrintable(historySpanTitle(s))) << historySpanMs(s) << 1600;
            QTest::addRow("%s at 400", qPrintable(historySpanTitle(s))) << historySpanMs(s) << 400;
        }
        QTest::newRow("two years at 1600") << 730 * Day << 1600;
        QTest::newRow("ten minutes at 1600") << 10 * Minute << 1600;
    }

    void geometryOfEverySpan()
    {
        QFETCH(qint64, span);
        QFETCH(int, width);
        const int height = width * 9 / 16;
        const qint64 bucket = HistoryBucketMs(span, width - 60);
        QVERIFY(bucket >= Minute);
        QVERIFY2(span / bucket <= (width - 60) / 2 || bucket == 14 * Day, qPrintable(QString::number(bucket)));
        const HistorySeries s = filled(Now - span, Now, bucket);
        const HistoryChartLayout l = HistoryChartLayout::compute(width, height, s, Now - span, Now, 0, charWidth, 13);

        QCOMPARE(l.panels.size(), 4);
        for (int i = 0; i < 4; ++i) {
            const HistoryPanel &p = l.panels[i];
            QVERIFY(p.plot.left() == l.left && p.plot.right() == l.right);
            if (i > 0)
                QVERIFY(p.plot.top() > l.panels[i - 1].plot.bottom());
            for (int k = 1; k < p.yLabels.size(); ++k)
                QVERIFY2(!p.yLabels[k].rect.intersects(p.yLabels[k - 1].rect), qPrintable(p.yLabels[k].text));
            for (const HistoryText &t : p.yLabels)
                QVERIFY(t.rect.right() < l.left && t.rect.left() >= 0);
        }
        // The scales hold the data.
        QVERIFY(l.panels[0].low <= 5.5 && l.panels[0].high >= 9);
        QVERIFY(l.panels[2].logScale && l.panels[2].yFor(1000) > l.panels[2].plot.top());
        QVERIFY(l.panels[3].high >= 300);

        QVERIFY2(l.timeLabels.size() >= 3, qPrintable(QString::number(l.timeLabels.size())));
        for (int k = 0; k < l.timeLabels.size(); ++k) {
            const QRect &r = l.timeLabels[k].rect;
            QVERIFY(r.left() >= 0 && r.right() < width && r.bottom() < height);
            if (k > 0)
                QVERIFY2(r.left() > l.timeLabels[k - 1].rect.right(), qPrintable(l.timeLabels[k].text));
        }
        // Only the events inside the span are marked, where their time is.
        QCOMPARE(l.events.size(), 2);
        QCOMPARE(l.events[0].kind, HistoryEventKind::WatchdogReboot);
        QCOMPARE(l.events[0].x, l.xFor(Now - span / 2));
        QVERIFY(qAbs(l.timeAt(l.events[1].x) - (Now - 1)) <= span / (l.right - l.left) + 1);
        QVERIFY(l.noData.text.isEmpty());
        QCOMPARE(l.bucketAt(s, l.xFor(s.buckets.last().startMs + bucket / 2)), int(s.buckets.size()) - 1);
    }

    void emptySpanSaysSo()
    {
        const HistoryChartLayout l = HistoryChartLayout::compute(800, 450, HistorySeries{}, Now - Day, Now, 0, charWidth, 13);
        QCOMPARE(l.noData.text, QStringLiteral("No readings in this span"));
        QVERIFY(l.events.isEmpty());
    }

    void windowFollowsReadingsZoomsAndExports()
    {
        test::TempAppDir dir;
        ScopedClock clock(QDateTime::fromMSecsSinceEpoch(Now - 3 * Hour));
        LineState line;
        HistoryRecorder recorder(line);
        for (int i = 0; i < 120; ++i) {
            recorder.recordReading(stats(6 + i % 3, i * 10), ReadingSource::Monitor);
            clock.advanceSecs(60);
        }
        frmHistory w(recorder);
        w.resize(1200, 700);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setSpan(HistorySpan::Hours6);
        const auto readingsShown = [&] {
            qint64 n = 0;
            for (const HistoryBucket &b : w.chart()->series().buckets)
                n += b.readings;
            return n;
        };
        QCOMPARE(readingsShown(), 120);
        QVERIFY(w.live());

        recorder.recordReading(stats(7, 1300), ReadingSource::Monitor);
        QTRY_COMPARE(readingsShown(), 121);

        const qint64 width = w.toMs() - w.fromMs();
        w.zoom(w.toMs() - Hour, 0.5);
        QCOMPARE(w.toMs() - w.fromMs(), width / 2);
        QVERIFY(!w.live());
        w.refresh();
        w.pan(10 * Day);
        QVERIFY(w.live());
        w.refresh();

        const HistoryChartLayout &l = w.chart()->layout();
        const qint64 last = w.chart()->series().buckets.last().startMs;
        w.chart()->setCursorX(l.xFor(last + 1));
        const QStringList readout = historyReadout(w.chart()->series(), w.chart()->cursorBucket(), 0);
        QVERIFY2(readout.value(1).startsWith(QLatin1String("Margin DS 7")), qPrintable(readout.join(QLatin1Char('|'))));

        QVERIFY(w.exportPng(dir.file(QStringLiteral("h.png"))));
        const QImage png(dir.file(QStringLiteral("h.png")));
        QCOMPARE(png.size(), w.chart()->size());
        QVERIFY(w.exportCsv(dir.file(QStringLiteral("h.csv"))));
        const QStringList csv = QString::fromUtf8(dir.read(QStringLiteral("h.csv"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(csv.size(), w.chart()->series().buckets.size() + 1);
        QVERIFY(csv[0].startsWith(QLatin1String("time,readings,ds_rate_min,ds_rate_avg,ds_rate_max")));
        QVERIFY(csv[0].endsWith(QLatin1String("pings_lost,events")));
        QVERIFY(csv.last().contains(QLatin1String(",8128,8128,8128,448,448,448,")));
    }
};

QTEST_MAIN(TestHistoryChart)
#include "tst_historychart.moc"
