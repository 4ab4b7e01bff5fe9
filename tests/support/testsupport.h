#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace quillon::test {

// A scratch program folder for one test: AppPaths points at it while the
// object lives.
class TempAppDir final
{
public:
    TempAppDir();
    ~TempAppDir();
    TempAppDir(const TempAppDir &) = delete;
    TempAppDir &operator=(const TempAppDir &) = delete;

    QString path() const; // with trailing "/"
    QString file(const QString &name) const { return path() + name; }
    QByteArray read(const QString &name) const;
    void write(const QString &name, const QByteArray &bytes) const;

private:
    QTemporaryDir m_dir;
};

// tests/data/<relative>
QString dataPath(const QString &relative);
QByteArray readData(const QString &relative);
// A file built into the build tree (tools, helpers): <build>/<relative>
QString binPath(const QString &relative);

} // namespace quillon::test
