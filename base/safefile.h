#pragma once

// The two ways the program writes a file: replacing it whole, or appending to
// it. Both check every step and say why they failed, so that a full disk
// never passes for a saved file.

#include <QByteArray>
#include <QString>

namespace quillon {

// Empty error: the write reached the disk.
struct WriteResult
{
    QString error; // "Cannot write <path>: <reason>"
    bool ok() const { return error.isEmpty(); }
    explicit operator bool() const { return ok(); }
};

enum class FileAccess { Keep, OwnerOnly };

// Writes bytes to a new file beside path, flushes it to the disk and only
// then renames it over path. On any failure the new file is removed and the
// old one stays as it was. An existing file keeps its permissions unless
// OwnerOnly asks for read and write by the owner alone. A symbolic link is
// followed, so the file it names is replaced.
WriteResult ReplaceFile(const QString &path, const QByteArray &bytes, FileAccess access = FileAccess::Keep);

// Appends bytes and flushes them to the disk. A write that does not go
// through whole is taken back, so the file never ends in half a line.
WriteResult AppendToFile(const QString &path, const QByteArray &bytes);

// Test seam: while an object lives, the chosen step of every write fails
// with the given error number, as a full or broken disk makes it fail.
class ScopedWriteFault final
{
public:
    enum class Step { Open, Write, Sync, Close, Rename };
    explicit ScopedWriteFault(Step step, int errorNumber);
    ~ScopedWriteFault();
    ScopedWriteFault(const ScopedWriteFault &) = delete;
    ScopedWriteFault &operator=(const ScopedWriteFault &) = delete;

private:
    Step m_previousStep;
    int m_previousError;
};

} // namespace quillon
