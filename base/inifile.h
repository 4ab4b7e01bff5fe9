#pragma once

// Initialisation files: "[Section]" lines followed by "key=value" lines,
// section and key names matched without regard to case, single-byte text.

#include "base/safefile.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace quillon {

// The whole file in memory, so that many keys can be read or written with
// one read and one atomic rewrite. Lines the reader does not understand
// (comments, garbage, keys before the first section) are kept as they are.
class IniFile final
{
public:
    // Values are returned cut to this many characters.
    static constexpr int MaxValueLength = 254;

    // A missing or unreadable file gives an empty IniFile.
    static IniFile load(const QString &path);
    static IniFile parse(const QByteArray &bytes);

    // The first matching key wins; absent gives the empty text.
    QString value(const QString &section, const QString &key) const;
    bool contains(const QString &section, const QString &key) const;
    // Replaces the first matching key in place, or adds the key at the end of
    // the first matching section, or adds the section at the end of the file.
    // Line breaks in any of the three become blanks. Returns false (and
    // changes nothing) for an empty section or key, or a name that would not
    // read back ("]" in a section, "=" in a key, a key starting with "[" or
    // ";", a character outside Latin-1).
    bool setValue(const QString &section, const QString &key, const QString &value);

    // Every line, each ended by CR LF.
    QByteArray toBytes() const;
    // Atomic rewrite (ReplaceFile). ownerOnly leaves the file readable and
    // writable by its owner alone (it holds the router password).
    WriteResult save(const QString &path, bool ownerOnly = false) const;

private:
    enum class Kind { Other, Section, Key };
    struct Line
    {
        QString text;
        Kind kind{Kind::Other};
        QString section; // case-folded name of the section the line belongs to
        QString key;     // case-folded key name, for Kind::Key
    };

    static Line parseLine(const QString &text, const QString &section);
    qsizetype findKey(const QString &section, const QString &key) const;

    QList<Line> m_lines;
};

// Relative file names are taken in the program folder.
QString ReadIni(const QString &section, const QString &key, const QString &file);
// 1 on success, 0 on failure. The file keeps its permissions.
int WriteIni(const QString &section, const QString &key, const QString &value, const QString &file);

} // namespace quillon
