#include "stats/core/snapshots.h"

#include "base/appinfo.h"
#include "base/apppaths.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/misc.h"
#include "router/core/telnetcommands.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

const QString LabelSeparator = QStringLiteral(" : ");
const QString BootPrefix = QStringLiteral("Boot - ");
const QString CrLf = QStringLiteral("\r\n");
const QString SavedTimeFormat = QStringLiteral("dd/MM/yyyy hh:mm:ss");

QString amountText(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 9.0e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'f', 0);
}

bool isHourLabel(const QString &label)
{
    return CountChar(label, QStringLiteral("/")) == 2 && !label.contains(QLatin1Char(':'))
        && CountChar(label, QStringLiteral(" ")) == 1;
}

} // namespace

QString BandwidthSnapshots::BootLabel(const QDateTime &bootTime)
{
    return BootPrefix + bootTime.toString(SavedTimeFormat);
}

void BandwidthSnapshots::LoadSnapshots()
{
    LoadSnapshotsFrom(LoadAFile(AppPaths::file(QString::fromLatin1(SnapshotFileName))));
}

void BandwidthSnapshots::LoadSnapshotsFrom(const QString &text)
{
    m_lastSnapshotTime = Clock::now();
    m_lines.clear();
    m_monthLines.clear();
    // A lone LF ends a line too: the file may have been edited by hand.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n"));
    if (!text.isEmpty())
        m_lines = text.split(lineEnd);

    for (qsizetype i = m_lines.size() - 1; i >= 0; --i) {
        const QString &line = m_lines.at(i);
        if (line.isEmpty())
            continue;
        const QString label = Field(line, LabelSeparator, 1);
        const QString data = Field(line, LabelSeparator, 2);
        if (CountChar(label, QStringLiteral("/")) == 1)
            m_monthLines.append(line);
        bool matched = false;
        for (int p = 1; p <= 4 && !matched; ++p) {
            if (label == GetDateLabel(m_lastSnapshotTime, p) && !period(p).Loaded) {
                LoadThisSnapshot(period(p), data);
                matched = true;
            }
        }
        if (!matched && label.contains(BootPrefix) && !m_savedBoot.Loaded) {
            LoadThisSnapshot(m_savedBoot, data);
            m_savedBootTime = TextToDate(Field(label, QStringLiteral(" - "), 2), false);
            m_savedAt = TextToDate(Field(line, LabelSeparator, 3), false);
        }
    }

    std::stable_sort(m_monthLines.begin(), m_monthLines.end(), [](const QString &a, const QString &b) {
        return Field(a, LabelSeparator, 1) > Field(b, LabelSeparator, 1);
    });
}

void BandwidthSnapshots::LoadThisSnapshot(SnapshotRecord &record, const QString &data)
{
    for (int slot = 0; slot < SnapshotSlots; ++slot) {
        const QString piece = Field(data, QStringLiteral(" "), slot + 1);
        if (!piece.isEmpty() && piece.contains(QLatin1Char(','))) {
            record.Totals[size_t(slot)].Rx = Val(Field(piece, QStringLiteral(","), 1));
            record.Totals[size_t(slot)].Tx = Val(Field(piece, QStringLiteral(","), 2));
        }
    }
    record.Loaded = true;
}

void BandwidthSnapshots::UpdateSnapshots(const SlotArray &delta, const QDateTime &bootTime)
{
    const QDateTime now = Clock::now();
    for (int p = 1; p <= 4; ++p)
        UpdateThisSnapshot(period(p), now, p, delta);

    if (m_sinceBoot.Loaded) {
        UpdateThisSnapshot(m_sinceBoot, m_lastSnapshotTime, 1, delta);
    } else {
        m_sinceBoot.Loaded = true;
        const bool sameBoot = bootTime.isValid() && m_savedBootTime.isValid()
            && DateDiffSecs(bootTime, m_savedBootTime) == 0;
        if (!m_savedBoot.Loaded)
            ImportCurrentBoot(now, false, bootTime);
        else if (sameBoot)
            ImportBetween();
        else
            ImportCurrentBoot(now, true, bootTime);
    }
    m_lastSnapshotTime = now;
    m_active = true;
}

void BandwidthSnapshots::UpdateThisSnapshot(SnapshotRecord &record, const QDateTime &time, int p,
                                            const SlotArray &delta)
{
    const QString oldLabel = GetDateLabel(m_lastSnapshotTime, p);
    if (GetDateLabel(time, p) != oldLabel) {
        SendSnapshotToFile(oldLabel, record, false);
        record.Totals = delta;
        return;
    }
    for (size_t slot = 0; slot < SnapshotSlots; ++slot) {
        record.Totals[slot].Rx += delta[slot].Rx;
        record.Totals[slot].Tx += delta[slot].Tx;
    }
}

void BandwidthSnapshots::AddToSnapshot(const SnapshotRecord &source, SnapshotRecord &target, const QDateTime &time,
                                       int p, bool addAll) const
{
    if (!addAll && GetDateLabel(time, p) != GetDateLabel(m_lastSnapshotTime, p))
        return;
    // Negative amounts mark a slot that was never read; they are not traffic.
    for (size_t slot = 0; slot < SnapshotSlots; ++slot) {
        if (source.Totals[slot].Rx >= 0)
            target.Totals[slot].Rx += source.Totals[slot].Rx;
        if (source.Totals[slot].Tx >= 0)
            target.Totals[slot].Tx += source.Totals[slot].Tx;
    }
}

void BandwidthSnapshots::SetToSnapshot(const SnapshotRecord &source, SnapshotRecord &target)
{
    for (size_t slot = 0; slot < SnapshotSlots; ++slot) {
        if (target.Totals[slot].Rx == 0 && source.Totals[slot].Rx >= 0)
            target.Totals[slot].Rx = source.Totals[slot].Rx;
        if (target.Totals[slot].Tx == 0 && source.Totals[slot].Tx >= 0)
            target.Totals[slot].Tx = source.Totals[slot].Tx;
    }
}

void BandwidthSnapshots::ImportBetween()
{
    for (size_t slot = 0; slot < SnapshotSlots; ++slot) {
        m_savedBoot.Totals[slot].Rx = m_sinceBoot.Totals[slot].Rx - m_savedBoot.Totals[slot].Rx;
        m_savedBoot.Totals[slot].Tx = m_sinceBoot.Totals[slot].Tx - m_savedBoot.Totals[slot].Tx;
    }
    if (!m_savedAt.isValid())
        return;
    for (int p = 1; p <= 4; ++p)
        AddToSnapshot(m_savedBoot, period(p), m_savedAt, p, false);
}

void BandwidthSnapshots::ImportCurrentBoot(const QDateTime &time, bool add, const QDateTime &bootTime)
{
    if (!bootTime.isValid())
        return;
    for (int p = 1; p <= 4; ++p) {
        if (GetTimeStart(time, p) > bootTime)
            continue;
        if (add)
            AddToSnapshot(m_sinceBoot, period(p), time, p, true);
        else
            SetToSnapshot(m_sinceBoot, period(p));
    }
}

void BandwidthSnapshots::SendSnapshotToFile(const QString &label, const SnapshotRecord &record, bool withTime)
{
    QStringList pieces;
    for (const SlotTotals &t : record.Totals)
        pieces.append(amountText(t.Rx) + QLatin1Char(',') + amountText(t.Tx));
    QString line = label + LabelSeparator + pieces.join(QLatin1Char(' '));
    if (withTime)
        line += LabelSeparator + Clock::now().toString(SavedTimeFormat);

    const QString start = label + LabelSeparator;
    for (QString &existing : m_lines) {
        if (existing.startsWith(start)) {
            existing = line;
            return;
        }
    }
    m_lines.append(line);
}

void BandwidthSnapshots::CleanUpSnapshotLog()
{
    const QDate today = Clock::now().date();
    m_lines.removeIf([&](const QString &line) {
        const QString label = Field(line, LabelSeparator, 1);
        if (!isHourLabel(label))
            return false;
        const QDate day = TextToDate(Field(label, QStringLiteral(" "), 1), true).date();
        return !day.isValid() || std::abs(day.daysTo(today)) >= 1;
    });
}

bool BandwidthSnapshots::Close(const QDateTime &bootTime)
{
    if (!m_active)
        return true;
    CleanUpSnapshotLog();
    // Without an uptime reading there is no boot to file the totals under.
    if (bootTime.isValid())
        SendSnapshotToFile(BootLabel(bootTime), m_sinceBoot, true);
    for (int p = 1; p <= 4; ++p)
        SendSnapshotToFile(GetDateLabel(m_lastSnapshotTime, p), period(p), false);
    m_active = false;
    return SaveSnaphotArray();
}

bool BandwidthSnapshots::SaveSnaphotArray()
{
    const QString text = RemoveMultipleBlocks(m_lines.join(CrLf), CrLf, true);
    const WriteResult saved = ReplaceFile(AppPaths::file(QString::fromLatin1(SnapshotFileName)), text.toLatin1());
    if (!saved)
        Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                         QStringLiteral("Could not save Snapshot log.\r\n") + saved.error);
    m_lines.clear();
    return saved.ok();
}

QString BandwidthSnapshots::FormatSnapshot(const SnapshotRecord &record, bool header, const QStringList &slotNames)
{
    QStringList parts;
    for (int slot = 0; slot < SnapshotSlots; ++slot) {
        if (header) {
            const QString name = slotNames.value(slot);
            parts.append(PadBy(name + QStringLiteral("-Rx"), QStringLiteral(" "), 10, false) + QLatin1Char(' ')
                         + PadBy(name + QStringLiteral("-Tx"), QStringLiteral(" "), 10, false));
        } else {
            const SlotTotals &t = record.Totals[size_t(slot)];
            parts.append(PadBy(GetUnitSize(t.Rx), QStringLiteral("."), 10, true) + QLatin1Char(' ')
                         + PadBy(GetUnitSize(t.Tx), QStringLiteral("."), 10, true));
        }
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace quillon
