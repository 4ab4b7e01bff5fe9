#include "tests/support/testsupport.h"

#include "app/core/apppaths.h"

#include <QFile>

namespace quillon::test {

TempAppDir::TempAppDir()
{
    AppPaths::setAppDir(m_dir.path());
}

TempAppDir::~TempAppDir()
{
    AppPaths::setAppDir(QString());
}

QString TempAppDir::path() const
{
    return m_dir.path() + QLatin1Char('/');
}

QByteArray TempAppDir::read(const QString &name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void TempAppDir::write(const QString &name, const QByteArray &bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QString dataPath(const QString &relative)
{
    return QStringLiteral(QUILLON_TEST_DATA "/") + relative;
}

QByteArray readData(const QString &relative)
{
    QFile f(dataPath(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString binPath(const QString &relative)
{
    return QStringLiteral(QUILLON_BIN_DIR "/") + relative;
}

} // namespace quillon::test
