#include "scores/DamagedCopy.h"

#include "platform/FileDescriptor.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 CompareBlockBytes = 64 * 1024;
constexpr int MostCopies = 10000;

// Whether the regular file open as fd (described by info) holds the same
// bytes as the regular file at other.
bool sameBytes(int fd, const struct stat& info, const QByteArray& other)
{
    const FileDescriptor copy(openForReading(other));
    struct stat copyInfo {};
    if (!copy.isValid() || ::fstat(copy.get(), &copyInfo) != 0 || !S_ISREG(copyInfo.st_mode))
        return false;
    // A second name of the very file is no copy: a rewrite in place changes it too.
    if (copyInfo.st_dev == info.st_dev && copyInfo.st_ino == info.st_ino)
        return false;
    if (copyInfo.st_size != info.st_size)
        return false;
    QByteArray a(CompareBlockBytes, Qt::Uninitialized), b(CompareBlockBytes, Qt::Uninitialized);
    for (qint64 at = 0;; at += CompareBlockBytes) {
        const qint64 gotA = readAt(fd, a.data(), CompareBlockBytes, at);
        const qint64 gotB = readAt(copy.get(), b.data(), CompareBlockBytes, at);
        if (gotA != gotB || gotA < 0 || std::memcmp(a.constData(), b.constData(), size_t(gotA)) != 0)
            return false;
        if (gotA == 0)
            return true;
    }
}

// Whether the name target leads to the file open as fd (described by info).
bool leadsTo(const QByteArray& target, const struct stat& info)
{
    struct stat now {};
    return ::stat(target.constData(), &now) == 0 && now.st_dev == info.st_dev && now.st_ino == info.st_ino;
}

// Flushes the folder's list of names, so that the kept name lasts a power cut.
void syncFolderOf(const QString& path)
{
    const FileDescriptor folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                                       O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.isValid())
        ::fsync(folder.get());
}

// The name at source moves to the free name target, never over a file that
// took that name meanwhile. 0, or the errno of the failure.
int moveName(const QByteArray& source, const QByteArray& target)
{
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno;
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
        if (errno != ENOENT)
            return QString();
        // Renaming keeps the owner, the mode and every byte at no cost, and
        // happens whole or not at all. A link at path moves as it is and
        // still leads to the file, which no save follows it to.
        const int error = moveName(name, target);
        if (error == 0) {
            syncFolderOf(path);
            // The name at path changed between the look and the move: the
            // file read is not the one kept.
            return leadsTo(target, info) ? candidate : QString();
        }
        // Where the name cannot move (a read-only or sticky folder), nothing
        // is kept: a second name would be written over by a rewrite in place.
        if (error != EEXIST)
            return QString();
    }
    return QString();
}
