#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 ReadBlockBytes = 64 * 1024;

} // namespace

FileDescriptor::~FileDescriptor()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FileDescriptor::close()
{
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
}

int openForReading(const QByteArray& name)
{
    return ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

bool writeAll(int fd, QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype size = bytes.size();
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

qint64 readAt(int fd, char* data, qint64 size, qint64 offset)
{
    for (;;) {
        const ssize_t got = ::pread(fd, data, size_t(size), off_t(offset));
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

QByteArray readUpTo(int fd, qint64 most, bool* failed)
{
    // Grown a block at a time, so that a small file costs a small buffer.
    QByteArray bytes;
    qint64 size = 0;
    while (size < most) {
        bytes.resize(qsizetype(std::min(most, size + ReadBlockBytes)));
        const ssize_t got = ::read(fd, bytes.data() + size, size_t(bytes.size() - size));
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
