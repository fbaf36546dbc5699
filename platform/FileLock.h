#pragma once

#include "platform/FileDescriptor.h"

#include <QString>

#include <chrono>

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
    // Done, Busy, or LockName when something other than a regular file
    // stands at the lock file's name and path cannot be locked either.
    FileOutcome lock(const QString& path, std::chrono::milliseconds wait);

private:
    FileDescriptor lockFile_;
    FileDescriptor file_;
};
