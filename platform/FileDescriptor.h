#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// A POSIX file descriptor, closed when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int get() const { return fd_; }
    bool isValid() const { return fd_ >= 0; }
    // Closes now, so that an error of the close itself can be seen.
    bool close();

private:
    int fd_;
};

// Opens name for reading without waiting: opening a FIFO with no writer or a
// device never blocks. -1 with errno set when it cannot be opened.
int openForReading(const QByteArray& name);

// Writes all of bytes; false with errno set when a write fails. Interrupted
// writes are taken up again.
bool writeAll(int fd, QByteArrayView bytes);

// Up to size bytes at offset, as pread, taken up again when interrupted.
qint64 readAt(int fd, char* data, qint64 size, qint64 offset);

// Reads from the descriptor's position until its end, but never more than
// most bytes. When a read fails, failed is set and the bytes read before it
// are returned.
QByteArray readUpTo(int fd, qint64 most, bool* failed);
