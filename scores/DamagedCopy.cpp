#include "scores/DamagedCopy.h"

#include "platform/FileDescriptor.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr qint64 CompareBlockBytes = 64 * 1024;
constexpr int MostCopies = 10000;

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the regular file open as fd (described by info) holds the same
// bytes as another regular file at other. A second name of the very file is
// no copy: a rewrite in place changes it too.
bool sameBytes(int fd, const struct stat& info, const QByteArray& other)
{
    const FileDescriptor copy(openForReading(other));
    struct stat copyInfo {};
    if (!copy.isValid() || ::fstat(copy.get(), &copyInfo) != 0 || !S_ISREG(copyInfo.st_mode)
        || sameFile(copyInfo, info) || copyInfo.st_size != info.st_size)
        return false;
    for (qint64 at = 0;; at += CompareBlockBytes) {
        bool failed = false;
        const QByteArray a = readUpTo(fd, CompareBlockBytes, &failed, at);
        if (failed || a != readUpTo(copy.get(), CompareBlockBytes, &failed, at) || failed)
            return false;
        if (a.isEmpty())
            return true;
    }
}

} // namespace

QString keepDamagedCopy(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const FileDescriptor source(openForReading(name));
    struct stat info {};
    if (!source.isValid() || ::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return QString();
    const QString base = path + QStringLiteral(".damaged");
    for (int number = 0; number < MostCopies; ++number) {
        const QString candidate = number == 0 ? base : base + u'.' + QString::number(number);
        const QByteArray target = QFile::encodeName(candidate);
        struct stat taken {};
        if (::lstat(target.constData(), &taken) == 0) {
            if (S_ISREG(taken.st_mode) && sameBytes(source.get(), info, target))
                return candidate;
            continue;
        }
        // Renaming keeps the owner, the mode and every byte at no cost, and
        // happens whole or not at all, never over a name taken meanwhile. A
        // link at path moves as it is and still leads to the file, which no
        // save follows it to. Where the name cannot move (a read-only or
        // sticky folder), nothing is kept: a second name would be rewritten
        // in place with the file.
        if (errno != ENOENT)
            return QString();
        if (::renameat2(AT_FDCWD, name.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
            syncFolderOf(path);
            // If the name at path changed between the look and the move, the
            // file read is not the one kept.
            return ::stat(target.constData(), &taken) == 0 && sameFile(taken, info) ? candidate : QString();
        }
        if (errno != EEXIST)
            return QString();
    }
    return QString();
}
