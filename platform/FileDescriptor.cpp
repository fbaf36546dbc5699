#include "platform/FileDescriptor.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int openRegularFile(const QByteArray& name, int flags, mode_t* mode, mode_t create)
{
    struct stat info {};
    const bool found = ((flags & O_NOFOLLOW) ? ::lstat(name.constData(), &info) : ::stat(name.constData(), &info)) == 0;
    if (mode)
        *mode = found ? info.st_mode & S_IFMT : 0;
    if (!found && errno != ENOENT)
        return -1;
    // Looked at again once open, in case the name changed in between.
    int fd = found && !S_ISREG(info.st_mode) ? -1 : ::open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC, create);
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        if (mode)
            *mode = info.st_mode & S_IFMT;
        ::close(std::exchange(fd, -1));
    }
    if (fd < 0 && mode && *mode != 0 && *mode != S_IFREG)
        errno = *mode == S_IFDIR ? EISDIR : EINVAL;
    return fd;
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

QByteArray readUpTo(int fd, qint64 most, bool* failed)
{
    // Grown a block at a time, so that a small file costs a small buffer.
    constexpr qint64 BlockBytes = 64 * 1024;
    QByteArray bytes;
    qint64 size = 0;
    while (size < most) {
        bytes.resize(qsizetype(std::min(most, size + BlockBytes)));
        const ssize_t got = ::pread(fd, bytes.data() + size, size_t(bytes.size() - size), off_t(size));
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

void syncFolderOf(const QString& path)
{
    const FileDescriptor folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                                       O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.isValid())
        ::fsync(folder.get());
}
