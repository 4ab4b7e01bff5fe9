#include "base/misc.h"

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

constexpr qint64 SecsPerDay = 86400;

enum Period { Hour = 1, Day = 2, Week = 3, Month = 4 };

// Year, month and day may run over their ranges and are carried into the
// next larger unit, as the classic date constructor does (month 13 is January
// of the next year, day 0 the last day of the previous month).
QDate serialDate(qint64 year, qint64 month, qint64 day)
{
    if (year >= 0 && year <= 29)
        year += 2000;
    else if (year >= 30 && year <= 99)
        year += 1900;
    if (year < 100 || year > 9999 || std::llabs(month) > 120000 || std::llabs(day) > 4000000)
        return {};
    const QDate date = QDate(int(year), 1, 1).addMonths(int(month - 1)).addDays(day - 1);
    return date.year() >= 100 && date.year() <= 9999 ? date : QDate();
}

QDateTime atTime(const QDate &date, qint64 seconds)
{
    if (!date.isValid())
        return {};
    const qint64 days = seconds >= 0 ? seconds / SecsPerDay : -((-seconds + SecsPerDay - 1) / SecsPerDay);
    const QDate day = date.addDays(days);
    const QTime time = QTime::fromMSecsSinceStartOfDay(int((seconds - days * SecsPerDay) * 1000));
    return day.isValid() ? QDateTime(day, time) : QDateTime();
}

qint64 wholePart(const QString &text)
{
    // Out-of-range pieces stay out of range so that the date is refused.
    const double value = Val(text);
    return roundHalfEven(std::clamp(value, -1e15, 1e15));
}

// Weeks start on Monday; week 1 is the one holding 1 January.
int weekOfYear(const QDate &date)
{
    const int jan1Offset = QDate(date.year(), 1, 1).dayOfWeek() - 1;
    return (date.dayOfYear() - 1 + jan1Offset) / 7 + 1;
}

} // namespace

QString DaysHoursAndMinutes(const QDateTime &date1, const QDateTime &date2)
{
    const qint64 minutes = (date1.isValid() && date2.isValid()) ? std::llabs(date1.secsTo(date2)) / 60 : 0;
    const qint64 rest = minutes % 1440;
    return QString::number(minutes / 1440) + QStringLiteral("d ") + QString::number(rest / 60)
         + QStringLiteral("h ") + QString::number(rest % 60) + QLatin1Char('m');
}

double DateDiffSecs(const QDateTime &date1, const QDateTime &date2)
{
    if (!date1.isValid() || !date2.isValid())
        return 0;
    return double(std::llabs(date1.secsTo(date2)));
}

QDateTime SecondsToDate(const QDateTime &date, double seconds, bool add)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > 3e11)
        return date;
    qint64 whole = qint64(seconds);
    if (!add)
        whole = -whole;
    // Whole days move the calendar date and keep the wall-clock time; the
    // rest is elapsed time.
    return date.addDays(whole / SecsPerDay).addSecs(whole % SecsPerDay);
}

QString FormatCountdown(qint64 seconds)
{
    const qint64 s = ((seconds % SecsPerDay) + SecsPerDay) % SecsPerDay;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QDateTime TextToDate(const QString &text, bool dateOnly)
{
    const QString trimmed = text.trimmed();
    const qsizetype blank = trimmed.indexOf(QLatin1Char(' '));
    const QString datePart = blank < 0 ? trimmed : trimmed.left(blank);
    const QDate date = serialDate(wholePart(Field(datePart, QStringLiteral("/"), 3)),
                                  wholePart(Field(datePart, QStringLiteral("/"), 2)),
                                  wholePart(Field(datePart, QStringLiteral("/"), 1)));
    qint64 seconds = 0;
    if (blank >= 0 && !dateOnly) {
        const QString timePart = trimmed.mid(blank + 1);
        const qint64 h = wholePart(Field(timePart, QStringLiteral(":"), 1));
        const qint64 m = wholePart(Field(timePart, QStringLiteral(":"), 2));
        const qint64 s = wholePart(Field(timePart, QStringLiteral(":"), 3));
        if (std::llabs(h) > 1000000 || std::llabs(m) > 100000000 || std::llabs(s) > 100000000)
            return {};
        seconds = h * 3600 + m * 60 + s;
    }
    return atTime(date, seconds);
}

QString GetDateLabel(const QDateTime &date, int period)
{
    if (!date.isValid())
        return {};
    const QDate day = date.date();
    switch (period) {
    case Hour:
        return date.toString(QStringLiteral("dd/MM/yy hh"));
    case Day:
        return day.toString(QStringLiteral("dd/MM/yy"));
    case Week: {
        const int week = weekOfYear(day);
        return QString::number(week == 53 ? 52 : week) + QLatin1Char(' ') + day.toString(QStringLiteral("yy"));
    }
    case Month:
        return day.toString(QStringLiteral("MM/yy"));
    default:
        return {};
    }
}

QDateTime GetTimeStart(const QDateTime &date, int period)
{
    // Built from the full date, not from the two-digit-year label, so that
    // dates outside 1930-2029 keep their century.
    if (!date.isValid())
        return {};
    const QDate day = date.date();
    switch (period) {
    case Hour:
        return QDateTime(day, QTime(date.time().hour(), 0));
    case Day:
        return QDateTime(day, QTime(0, 0));
    case Week:
        return QDateTime(day.addDays(1 - day.dayOfWeek()), QTime(0, 0));
    case Month:
        return QDateTime(QDate(day.year(), day.month(), 1), QTime(0, 0));
    default:
        return {};
    }
}

} // namespace quillon
