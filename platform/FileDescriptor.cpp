#include "platform/FileDescriptor.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 ReadBlockBytes = 64 * 1024;

} // namespace

FileDescriptor::~FileDescriptor()
{
    reset();
}

void FileDescriptor::reset(int fd)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

bool FileDescriptor::close()
{
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
}

int openRegularFile(const QByteArray& name, int flags, mode_t* mode, mode_t create)
{
    const int fd = ::open(name.constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, create);
    struct stat info {};
    if (fd < 0) {
        const int error = errno;
        if (mode)
            *mode = error == ELOOP ? S_IFLNK : ::lstat(name.constData(), &info) == 0 ? info.st_mode & S_IFMT : 0;
        errno = error;
        return -1;
    }
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (mode)
        *mode = info.st_mode & S_IFMT;
    if (regular)
        return fd;
    ::close(fd);
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return -1;
}

int openForReading(const QByteArray& name)
{
    return ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

bool writeAt(int fd, QByteArrayView bytes, qint64 offset)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::pwrite(fd, bytes.data() + done, size_t(bytes.size() - done), off_t(offset + done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

QByteArray readUpTo(int fd, qint64 most, bool* failed, qint64 offset)
{
    // Grown a block at a time, so that a small file costs a small buffer.
    QByteArray bytes;
    qint64 size = 0;
    while (size < most) {
        bytes.resize(qsizetype(std::min(most, size + ReadBlockBytes)));
        const ssize_t got = ::pread(fd, bytes.data() + size, size_t(bytes.size() - size), off_t(offset + size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            *failed = true;
        if (got <= 0)
            break;
        size += got;
    }
    bytes.resize(qsizetype(size));
    return bytes;
}

bool isAt(int fd, const QByteArray& name)
{
    struct stat opened {}, named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(name.constData(), &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino;
}

void syncFolderOf(const QString& path)
{
    const FileDescriptor folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                                       O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.isValid())
        ::fsync(folder.get());
}
