#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <sys/types.h>

// A POSIX file descriptor, closed when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int get() const { return fd_; }
    bool isValid() const { return fd_ >= 0; }
    // Closes the one held, if any, and holds fd instead.
    void reset(int fd = -1);
    // Closes now, so that an error of the close itself can be seen.
    bool close();

private:
    int fd_;
};

// Opens name with flags and O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, so that no
// link is followed and no FIFO or device makes it wait, and keeps it only
// when it is a regular file. -1 otherwise, with errno set, and *mode (when
// given) the type of what stands there (S_IFLNK for a link, 0 for nothing).
int openRegularFile(const QByteArray& name, int flags, mode_t* mode = nullptr, mode_t create = 0);

// Opens name for reading without waiting: opening a FIFO with no writer or a
// device never blocks. -1 with errno set when it cannot be opened.
int openForReading(const QByteArray& name);

// Writes all of bytes at offset, as pwrite; false with errno set when a
// write fails. Interrupted writes are taken up again.
bool writeAt(int fd, QByteArrayView bytes, qint64 offset);

// Reads from offset until the end, but never more than most bytes. When a
// read fails, failed is set and the bytes read before it are returned.
QByteArray readUpTo(int fd, qint64 most, bool* failed, qint64 offset = 0);

// Whether fd is the file at name, not one that took the name since.
bool isAt(int fd, const QByteArray& name);

// Flushes the list of names of the folder that holds path, so that a name
// made or moved there lasts a power cut.
void syncFolderOf(const QString& path);
