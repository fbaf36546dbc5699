#include "platform/FileLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace {

// Polled rather than blocking, so that the wait has an end.
bool waitFor(int fd, const QDeadlineTimer& deadline)
{
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

// Whether fd is the file at name, not one that took the name since.
bool isAt(int fd, const QByteArray& name)
{
    struct stat opened {}, named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(name.constData(), &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino;
}

} // namespace

FileOutcome FileLock::lock(const QString& path, std::chrono::milliseconds wait)
{
    const QDeadlineTimer deadline(wait);
    const QByteArray lockName = QFile::encodeName(path + QStringLiteral(".lock"));
    FileOutcome noLock{FileStep::LockName, 0, 0};
    lockFile_.reset(openRegularFile(lockName, O_RDONLY | O_NOFOLLOW, &noLock.mode));
    // Made only where nothing stands, since a sticky folder refuses O_CREAT
    // on another user's file.
    if (!lockFile_.isValid() && noLock.mode == 0) {
        lockFile_.reset(openRegularFile(lockName, O_RDONLY | O_NOFOLLOW | O_CREAT | O_EXCL, &noLock.mode, 0644));
        if (!lockFile_.isValid() && errno == EEXIST)
            lockFile_.reset(openRegularFile(lockName, O_RDONLY | O_NOFOLLOW, &noLock.mode));
    }
    noLock.error = errno;
    if (lockFile_.isValid() && !waitFor(lockFile_.get(), deadline))
        return {FileStep::Busy};
    const QByteArray name = QFile::encodeName(path);
    for (;;) {
        file_.reset(openRegularFile(name, O_RDONLY | O_NOFOLLOW));
        // With no file to lock and no lock file that could be made, no
        // other process can write here either: the save says why it cannot.
        if (!file_.isValid())
            return lockFile_.isValid() || noLock.mode == 0 ? FileOutcome{} : noLock;
        if (!waitFor(file_.get(), deadline))
            return {FileStep::Busy};
        if (isAt(file_.get(), name))
            return {};
    }
}
