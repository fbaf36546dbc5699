#include "scores/DamagedCopy.h"

#include "platform/FileDescriptor.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 CopyBlockBytes = 64 * 1024;
constexpr int MostCopies = 10000;

// Whether the regular file open as fd (described by info) holds the same
// bytes as the regular file at other.
bool sameBytes(int fd, const struct stat& info, const QByteArray& other)
{
    const FileDescriptor copy(openForReading(other));
    struct stat copyInfo {};
    if (!copy.isValid() || ::fstat(copy.get(), &copyInfo) != 0 || !S_ISREG(copyInfo.st_mode))
        return false;
    if (copyInfo.st_dev == info.st_dev && copyInfo.st_ino == info.st_ino)
        return true;
    if (copyInfo.st_size != info.st_size)
        return false;
    QByteArray a(CopyBlockBytes, Qt::Uninitialized), b(CopyBlockBytes, Qt::Uninitialized);
    for (qint64 at = 0;; at += CopyBlockBytes) {
        const qint64 gotA = readAt(fd, a.data(), CopyBlockBytes, at);
        const qint64 gotB = readAt(copy.get(), b.data(), CopyBlockBytes, at);
        if (gotA != gotB || gotA < 0 || std::memcmp(a.constData(), b.constData(), size_t(gotA)) != 0)
            return false;
        if (gotA == 0)
            return true;
    }
}

// A copy of the file open as fd at the free name target, byte by byte.
bool copyBytes(int fd, const QByteArray& target)
{
    FileDescriptor out(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!out.isValid())
        return false;
    QByteArray block(CopyBlockBytes, Qt::Uninitialized);
    bool copied = true;
    for (qint64 at = 0;; at += CopyBlockBytes) {
        const qint64 got = readAt(fd, block.data(), CopyBlockBytes, at);
        if (got < 0 || (got > 0 && !writeAll(out.get(), QByteArrayView(block.constData(), got)))) {
            copied = false;
            break;
        }
        if (got == 0)
            break;
    }
    copied = copied && ::fsync(out.get()) == 0;
    copied = out.close() && copied;
    if (!copied)
        ::unlink(target.constData());
    return copied;
}

} // namespace

QString keepDamagedCopy(const QString& path)
{
    const FileDescriptor source(openForReading(QFile::encodeName(path)));
    struct stat info {};
    if (!source.isValid() || ::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return QString();
    const QByteArray opened = "/proc/self/fd/" + QByteArray::number(source.get());
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
        // A second name for the very file that was opened, made through its
        // descriptor so that the name at path cannot change under it.
        if (::linkat(AT_FDCWD, opened.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) == 0)
            return candidate;
        if (errno == EEXIST)
            continue;
        return copyBytes(source.get(), target) ? candidate : QString();
    }
    return QString();
}
