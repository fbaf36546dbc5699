#include "platform/FileLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int PollMilliseconds = 20;

} // namespace

FileLock::~FileLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FileLock::Result FileLock::lock(const QString& path, std::chrono::milliseconds wait)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (fd < 0)
        return Result::Unopenable;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Result::Unopenable;
    }
    // Polled rather than blocking, so that the wait has an end.
    const QDeadlineTimer deadline(wait);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            break;
        const int error = errno;
        if ((error != EWOULDBLOCK && error != EINTR) || deadline.hasExpired()) {
            ::close(fd);
            return error == EWOULDBLOCK || error == EINTR ? Result::Busy : Result::Unopenable;
        }
        QThread::msleep(PollMilliseconds);
    }
    fd_ = fd;
    return Result::Locked;
}
