#include "base/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace quillon {

namespace {

QString g_dir;
bool g_fallback = false;

QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

bool isWritableDir(const QString &dir)
{
    // QFileInfo::isWritable only reads permission bits; a real probe file
    // also catches read-only mounts.
    QTemporaryFile probe(withSlash(dir) + QStringLiteral(".quillon-probe-XXXXXX"));
    return probe.open();
}

QString computeDir()
{
    const QString env = qEnvironmentVariable("QUILLON_APPDIR");
    if (!env.isEmpty()) {
        QDir().mkpath(env);
        return withSlash(QDir(env).absolutePath());
    }
    const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                        : QDir::currentPath();
    if (isWritableDir(exeDir))
        return withSlash(exeDir);
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    data += QStringLiteral("/quillon");
    QDir().mkpath(data);
    // Tables shipped beside the program are read from the program folder:
    // give the per-user folder its own copy on first use.
    for (const char *shipped : {"vendors.txt"}) {
        const QString name = QString::fromLatin1(shipped);
        const QString target = withSlash(data) + name;
        if (!QFileInfo::exists(target))
            QFile::copy(withSlash(exeDir) + name, target);
    }
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

} // namespace quillon
