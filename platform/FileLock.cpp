#include "platform/FileLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>

namespace {

constexpr int PollMilliseconds = 20;

// Polled rather than blocking, so that the wait has an end.
bool waitFor(int fd, const QDeadlineTimer& deadline)
{
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired())
            return false;
        QThread::msleep(PollMilliseconds);
    }
}

} // namespace

FileLock::Result FileLock::lock(const QString& path, std::chrono::milliseconds wait)
{
    const QDeadlineTimer deadline(wait);
    lockPath_ = path + QStringLiteral(".lock");
    const QByteArray lockName = QFile::encodeName(lockPath_);
    lockFile_.reset(openRegularFile(lockName, O_RDONLY, &lockMode_));
    // Made without O_CREAT on a name that exists, which a sticky folder
    // refuses for another user's file.
    if (!lockFile_.isValid() && lockMode_ == 0) {
        lockFile_.reset(openRegularFile(lockName, O_RDONLY | O_CREAT | O_EXCL, &lockMode_, 0644));
        if (!lockFile_.isValid() && errno == EEXIST)
            lockFile_.reset(openRegularFile(lockName, O_RDONLY, &lockMode_));
    }
    lockError_ = lockFile_.isValid() ? 0 : errno;
    if (lockFile_.isValid() && !waitFor(lockFile_.get(), deadline))
        return Result::Busy;
    const QByteArray name = QFile::encodeName(path);
    for (;;) {
        file_.reset(openRegularFile(name, O_RDONLY));
        // With no file to lock and no lock file that could be made, no
        // other process can write here either: the save says why it cannot.
        if (!file_.isValid())
            return lockFile_.isValid() || lockMode_ == 0 ? Result::Locked : Result::NoLock;
        if (!waitFor(file_.get(), deadline))
            return Result::Busy;
        if (isAt(file_.get(), name))
            return Result::Locked;
    }
}
