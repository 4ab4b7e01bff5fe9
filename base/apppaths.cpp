#include "base/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace quillon {

namespace {

QString g_dir;
bool g_fallback = false;
QString g_dataDir;
bool g_dataDirSet = false;

QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QString executableDir()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

bool isWritableDir(const QString &dir)
{
    // QFileInfo::isWritable only reads permission bits; a real probe file
    // also catches read-only mounts.
    QTemporaryFile probe(withSlash(dir) + QStringLiteral(".quillon-probe-XXXXXX"));
    return probe.open();
}

// Relative to the executable, not an absolute prefix, so an installed tree
// unpacked anywhere (a test's temporary root, a relocated prefix) finds its
// own data and a build folder never picks up a copy installed on the machine.
QString installedDataDir()
{
    const QDir dir(withSlash(executableDir()) + QStringLiteral(QUILLON_DATA_FROM_BIN));
    return dir.exists() ? withSlash(dir.absolutePath()) : QString();
}

QString computeDir()
{
    const QString env = qEnvironmentVariable("QUILLON_APPDIR");
    if (!env.isEmpty()) {
        QDir().mkpath(env);
        return withSlash(QDir(env).absolutePath());
    }
    const QString exeDir = executableDir();
    if (AppPaths::dataDir().isEmpty() && isWritableDir(exeDir))
        return withSlash(exeDir);
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    data += QStringLiteral("/quillon");
    QDir().mkpath(data);
    g_fallback = true;
    return withSlash(data);
}

} // namespace

QString AppPaths::appDir()
{
    if (g_dir.isEmpty())
        g_dir = computeDir();
    return g_dir;
}

void AppPaths::setAppDir(const QString &dir)
{
    g_dir = dir.isEmpty() ? QString() : withSlash(dir);
    g_fallback = false;
}

bool AppPaths::usingFallback()
{
    appDir();
    return g_fallback;
}

QString AppPaths::file(const QString &name)
{
    return appDir() + name;
}

QString AppPaths::dataDir()
{
    if (!g_dataDirSet) {
        g_dataDir = installedDataDir();
        g_dataDirSet = true;
    }
    return g_dataDir;
}

void AppPaths::setDataDir(const QString &dir)
{
    g_dataDir = dir.isEmpty() ? QString() : withSlash(dir);
    g_dataDirSet = !dir.isEmpty();
}

QString AppPaths::shippedFile(const QString &name)
{
    const QString own = file(name);
    if (QFileInfo::exists(own))
        return own;
    const QString data = dataDir();
    if (!data.isEmpty() && QFileInfo::exists(data + name))
        return data + name;
    return own;
}

} // namespace quillon
