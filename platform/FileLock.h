#pragma once

#include <QString>

#include <chrono>

// A lock on a file itself, for a folder where no lock file can be made:
// flock on an open descriptor of the file, shared by every process that
// opens the same file, and released when the holder closes it or dies.
class FileLock {
public:
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    enum class Result {
        Locked,
        Busy,        // another holder kept it for the whole wait
        Unopenable,  // the file cannot be opened: there is nothing to lock
    };

    // Waits up to wait for the lock on the file at path, never following a
    // link at the last name and never blocking on a FIFO or a device.
    Result lock(const QString& path, std::chrono::milliseconds wait);

private:
    int fd_ = -1;
};
