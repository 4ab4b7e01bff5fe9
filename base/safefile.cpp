#include "base/safefile.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

// QSaveFile is not used: in its buffered mode a flush that fails for lack of
// space is not reported by commit(), which then renames an empty file over
// the old one.

namespace {

using Step = ScopedWriteFault::Step;

Step g_faultStep = Step::Open;
int g_faultError = 0;

// The error the seam injects at this step, or 0.
int injected(Step step)
{
    return g_faultError != 0 && g_faultStep == step ? g_faultError : 0;
}

WriteResult failure(const QString &what, const QString &path, int error)
{
    return {what + QLatin1Char(' ') + path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error))};
}

// Writes everything or returns the error number; partial writes go on where
// they stopped.
int writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    if (const int error = injected(Step::Write)) {
        // A disk fills in the middle of a write, not before it.
        const qsizetype half = left / 2;
        if (half > 0 && ::write(fd, data, size_t(half)) < 0)
            return errno;
        return error;
    }
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        data += n;
        left -= n;
    }
    return 0;
}

int syncFile(int fd)
{
    if (const int error = injected(Step::Sync))
        return error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

int closeFile(int fd)
{
    const int result = ::close(fd);
    if (const int error = injected(Step::Close))
        return error;
    // After EINTR the descriptor is gone on Linux; the data was synced already.
    return result == 0 || errno == EINTR ? 0 : errno;
}

QString targetOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.symLinkTarget();
    return target.isEmpty() ? path : target;
}

QString tempNameFor(const QString &path)
{
    return path + QStringLiteral(".tmp") + QString::number(QRandomGenerator::global()->generate(), 36);
}

} // namespace

ScopedWriteFault::ScopedWriteFault(Step step, int errorNumber)
    : m_previousStep(g_faultStep), m_previousError(g_faultError)
{
    g_faultStep = step;
    g_faultError = errorNumber;
}

ScopedWriteFault::~ScopedWriteFault()
{
    g_faultStep = m_previousStep;
    g_faultError = m_previousError;
}

WriteResult ReplaceFile(const QString &path, const QByteArray &bytes, FileAccess access)
{
    const QString target = targetOf(path);
    const QByteArray targetName = QFile::encodeName(target);
    struct stat old{};
    const bool exists = ::stat(targetName.constData(), &old) == 0;

    QByteArray tempName;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        tempName = QFile::encodeName(tempNameFor(target));
        if (const int error = injected(Step::Open))
            return failure(QStringLiteral("Cannot write"), target, error);
        const mode_t mode = access == FileAccess::OwnerOnly ? 0600 : 0666;
        fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST)
            return failure(QStringLiteral("Cannot write"), target, errno);
    }
    if (fd < 0)
        return failure(QStringLiteral("Cannot write"), target, EEXIST);

    const auto abandon = [&](const QString &what, int error, bool open) {
        if (open)
            ::close(fd);
        ::unlink(tempName.constData());
        return failure(what, target, error);
    };
    // Keeps the old file's mode (the settings file is its owner's alone).
    if (access == FileAccess::OwnerOnly) {
        if (::fchmod(fd, 0600) != 0)
            return abandon(QStringLiteral("Cannot write"), errno, true);
    } else if (exists && ::fchmod(fd, old.st_mode & 07777) != 0) {
        return abandon(QStringLiteral("Cannot write"), errno, true);
    }
    if (const int error = writeAll(fd, bytes))
        return abandon(QStringLiteral("Cannot write"), error, true);
    if (const int error = syncFile(fd))
        return abandon(QStringLiteral("Cannot write"), error, true);
    if (const int error = closeFile(fd))
        return abandon(QStringLiteral("Cannot write"), error, false);
    int renameError = injected(Step::Rename);
    if (renameError == 0 && ::rename(tempName.constData(), targetName.constData()) != 0)
        renameError = errno;
    if (renameError != 0) {
        ::unlink(tempName.constData());
        return failure(QStringLiteral("Cannot replace"), target, renameError);
    }
    // The rename itself reaches the disk with the folder; where the file
    // system cannot sync a folder the file is in place all the same.
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

WriteResult AppendToFile(const QString &path, const QByteArray &bytes)
{
    const QByteArray name = QFile::encodeName(path);
    if (const int error = injected(Step::Open))
        return failure(QStringLiteral("Cannot append to"), path, error);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return failure(QStringLiteral("Cannot append to"), path, errno);
    struct stat before{};
    const bool sized = ::fstat(fd, &before) == 0;
    int error = writeAll(fd, bytes);
    if (error == 0)
        error = syncFile(fd);
    if (error != 0) {
        // Half a record would glue itself to the next one.
        if (sized && ::ftruncate(fd, before.st_size) == 0)
            ::fsync(fd);
        ::close(fd);
        return failure(QStringLiteral("Cannot append to"), path, error);
    }
    if (const int closeError = closeFile(fd))
        return failure(QStringLiteral("Cannot append to"), path, closeError);
    return {};
}

} // namespace quillon
