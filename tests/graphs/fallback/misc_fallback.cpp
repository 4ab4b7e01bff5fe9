// Stand-ins for the shared helpers, linked into these tests only while the
// shared implementation has not landed in this tree.
#include "app/core/misc.h"

#include <QFile>
#include <QSaveFile>

#include "app/core/apppaths.h"

#include <cmath>

namespace quillon {

qint64 roundHalfEven(double value)
{
    return qint64(std::nearbyint(value));
}

double Val(const QString &text)
{
    QString t = text.trimmed();
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        qint64 v = 0;
        for (int i = 2; i < t.size(); ++i) {
            const int d = QStringLiteral("0123456789abcdef").indexOf(t.at(i).toLower());
            if (d < 0)
                break;
            v = v * 16 + d;
            if (v > 0xFFFFFFFFLL)
                break;
        }
        return double(v);
    }
    QString n;
    for (const QChar c : t) {
        if (c.isDigit() || c == QLatin1Char('.') || ((c == QLatin1Char('-') || c == QLatin1Char('+')) && n.isEmpty()))
            n += c;
        else if (c != QLatin1Char(' '))
            break;
    }
    return n.toDouble();
}

QString Field(const QString &text, const QString &delimiter, int index)
{
    return text.split(delimiter).value(index - 1);
}

QString Quote(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString LoadAFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll());
}

bool SaveTextFile(const QString &text, const QString &path)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(text.toLatin1());
    return f.commit();
}

void WriteToFile(const QString &text, const QString &fileName, bool overwrite)
{
    QFile f(AppPaths::file(fileName));
    if (f.open(overwrite ? QIODevice::WriteOnly : QIODevice::Append))
        f.write(text.toLatin1() + "\r\n");
}

int RedOf(quint32 colour) { return int(colour & 0xFF); }
int GreenOf(quint32 colour) { return int((colour >> 8) & 0xFF); }
int BlueOf(quint32 colour) { return int((colour >> 16) & 0xFF); }

QString ColourToText(quint32 colour)
{
    return QStringLiteral("%1x%2x%3").arg(RedOf(colour)).arg(GreenOf(colour)).arg(BlueOf(colour));
}

} // namespace quillon
