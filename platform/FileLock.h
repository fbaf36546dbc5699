#pragma once

#include "platform/FileDescriptor.h"

#include <QString>

#include <chrono>

#include <sys/types.h>

// The one lock that keeps saves of a file from overlapping, seen by every
// process whatever it may write. It is flock, which the kernel releases when
// the holder closes it or dies: on path + ".lock", a file made once by
// whoever can and never deleted, and then on path itself; where the lock
// file is missing and cannot be made (a read-only folder) or is no regular
// file, on path alone. Whoever holds the lock file also locks path, so that
// a holder of path alone is waited for; and the lock on path is taken again
// until it is on the file that is at path, since a rename may replace it.
// No link is followed and nothing is opened in a way that can block.
class FileLock {
public:
    enum class Result {
        Locked,
        Busy,     // another process held it for the whole wait
        NoLock,   // something that is no regular file stands at the lock file's name, and path cannot be locked
    };

    Result lock(const QString& path, std::chrono::milliseconds wait);

    // After NoLock: what stands at the lock file's name (0 for nothing, as
    // lockMode) and why it could not be opened or made.
    mode_t lockMode() const { return lockMode_; }
    int lockError() const { return lockError_; }
    QString lockPath() const { return lockPath_; }

private:
    FileDescriptor lockFile_;
    FileDescriptor file_;
    QString lockPath_;
    mode_t lockMode_ = 0;
    int lockError_ = 0;
};
