#include "base/inifile.h"

#include "base/apppaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quillon {

namespace {

constexpr QChar SectionOpen = QLatin1Char('[');
constexpr QChar SectionClose = QLatin1Char(']');
constexpr QChar Assign = QLatin1Char('=');
constexpr QChar Comment = QLatin1Char(';');
constexpr QChar QuoteMark = QLatin1Char('"');
const QByteArray LineEnd = QByteArrayLiteral("\r\n");

QString fold(const QString &name)
{
    return name.trimmed().toCaseFolded();
}

QString singleLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

// Blanks around "=" are not part of the value, so a value with blanks at an
// end, or one already enclosed in quotes, is written inside quotes; reading
// drops one enclosing pair.
QString encodeValue(const QString &value)
{
    const bool padded = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    const bool quoted = value.size() >= 2 && value.front() == QuoteMark && value.back() == QuoteMark;
    return padded || quoted ? QuoteMark + value + QuoteMark : value;
}

QString decodeValue(const QString &line)
{
    QString value = line.mid(line.indexOf(Assign) + 1).trimmed();
    if (value.size() >= 2 && value.front() == QuoteMark && value.back() == QuoteMark)
        value = value.mid(1, value.size() - 2);
    return value;
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QString programFile(const QString &file)
{
    return QDir(AppPaths::appDir()).filePath(file);
}

} // namespace

IniFile::Line IniFile::parseLine(const QString &text, const QString &section)
{
    Line line{text, Kind::Other, section, {}};
    const QString t = text.trimmed();
    if (t.startsWith(SectionOpen)) {
        const qsizetype close = t.indexOf(SectionClose);
        line.kind = Kind::Section;
        line.section = fold(close < 0 ? t.mid(1) : t.mid(1, close - 1));
    } else if (!t.startsWith(Comment)) {
        const qsizetype assign = t.indexOf(Assign);
        if (assign > 0) {
            line.key = fold(t.left(assign));
            if (!line.key.isEmpty())
                line.kind = Kind::Key;
        }
    }
    return line;
}

IniFile IniFile::parse(const QByteArray &bytes)
{
    IniFile ini;
    const QStringList lines = splitLines(QString::fromLatin1(bytes));
    ini.m_lines.reserve(lines.size());
    // Keys before the first section belong to no section any caller can name.
    QString section;
    for (const QString &text : lines) {
        Line line = parseLine(text, section);
        section = line.section;
        ini.m_lines.append(std::move(line));
    }
    return ini;
}

IniFile IniFile::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

qsizetype IniFile::findKey(const QString &section, const QString &key) const
{
    const QString s = fold(section);
    const QString k = fold(key);
    if (s.isEmpty() || k.isEmpty())
        return -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines.at(i);
        if (line.kind == Kind::Key && line.key == k && line.section == s)
            return i;
    }
    return -1;
}

QString IniFile::value(const QString &section, const QString &key) const
{
    const qsizetype i = findKey(section, key);
    return i < 0 ? QString() : decodeValue(m_lines.at(i).text).left(MaxValueLength);
}

bool IniFile::contains(const QString &section, const QString &key) const
{
    return findKey(section, key) >= 0;
}

bool IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    const QString sectionName = singleLine(section).trimmed();
    const QString keyName = singleLine(key).trimmed();
    const QString s = fold(sectionName);
    if (s.isEmpty() || fold(keyName).isEmpty())
        return false;
    // A name the reader would cut elsewhere could be written but never read back.
    const auto latin1 = [](const QString &name) { return QString::fromLatin1(name.toLatin1()) == name; };
    if (sectionName.contains(SectionClose) || keyName.contains(Assign) || keyName.startsWith(SectionOpen)
        || keyName.startsWith(Comment) || !latin1(sectionName) || !latin1(keyName))
        return false;
    const QString encoded = encodeValue(singleLine(value));

    const qsizetype existing = findKey(sectionName, keyName);
    if (existing >= 0) {
        Line &line = m_lines[existing];
        const QString t = line.text.trimmed();
        line.text = t.left(t.indexOf(Assign)).trimmed() + Assign + encoded;
        return true;
    }

    const QString newLine = keyName + Assign + encoded;
    qsizetype header = -1;
    for (qsizetype i = 0; i < m_lines.size() && header < 0; ++i) {
        if (m_lines.at(i).kind == Kind::Section && m_lines.at(i).section == s)
            header = i;
    }
    if (header < 0) {
        m_lines.append(parseLine(SectionOpen + sectionName + SectionClose, {}));
        m_lines.append(parseLine(newLine, s));
        return true;
    }
    // After the section's last non-blank line, so blank lines that separate
    // it from the next section stay in between.
    qsizetype insertAt = header + 1;
    for (qsizetype i = header + 1; i < m_lines.size() && m_lines.at(i).kind != Kind::Section; ++i) {
        if (!m_lines.at(i).text.trimmed().isEmpty())
            insertAt = i + 1;
    }
    m_lines.insert(insertAt, parseLine(newLine, s));
    return true;
}

QByteArray IniFile::toBytes() const
{
    QByteArray bytes;
    for (const Line &line : m_lines)
        bytes += line.text.toLatin1() + LineEnd;
    return bytes;
}

WriteResult IniFile::save(const QString &path, bool ownerOnly) const
{
    return ReplaceFile(path, toBytes(), ownerOnly ? FileAccess::OwnerOnly : FileAccess::Keep);
}

QString ReadIni(const QString &section, const QString &key, const QString &file)
{
    return IniFile::load(programFile(file)).value(section, key);
}

int WriteIni(const QString &section, const QString &key, const QString &value, const QString &file)
{
    const QString path = programFile(file);
    IniFile ini = IniFile::load(path);
    if (QFile::exists(path) && !QFileInfo(path).isReadable())
        return 0;
    return ini.setValue(section, key, value) && ini.save(path).ok() ? 1 : 0;
}

} // namespace quillon
