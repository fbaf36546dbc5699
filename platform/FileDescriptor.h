#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <utility>

#include <sys/types.h>
#include <unistd.h>

// A POSIX file descriptor, closed when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    bool isValid() const { return fd_ >= 0; }
    void reset(int fd = -1) { close(); fd_ = fd; }
    // Closes now, so that an error of the close itself can be seen.
    bool close() { return fd_ < 0 || ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

// Where locking or writing a file stopped.
enum class FileStep {
    Done,
    Busy,       // another process held the lock for the whole wait
    LockName,   // what stands at the lock file's name is no regular file, or cannot be opened
    Folder,     // the folder took no new file
    Write,      // writing or flushing failed
    Rename,     // the new file could not take the old one's name
    Open,       // the file itself could not be opened for writing
};

struct FileOutcome {
    FileStep step = FileStep::Done;
    int error = 0;     // errno of that step
    mode_t mode = 0;   // LockName: what stands there (S_IFMT bits)

    bool succeeded() const { return step == FileStep::Done; }
};

// Opens the regular file at name with flags (O_NOFOLLOW among them where a
// link must not be followed), after looking at what stands there, so that
// nothing else is opened at all and no FIFO or device can make it wait.
// -1 otherwise, with errno set and *mode (when given) the type of what
// stands there: S_IFLNK for a link not followed, 0 for nothing.
int openRegularFile(const QByteArray& name, int flags, mode_t* mode = nullptr, mode_t create = 0);

// All of bytes at offset, as pwrite; false with errno set when a write fails.
bool writeAt(int fd, QByteArrayView bytes, qint64 offset);

// Reads from the start, no more than most bytes. When a read fails, failed
// is set and the bytes read before it are returned.
QByteArray readUpTo(int fd, qint64 most, bool* failed);

// Flushes the names of the folder that holds path, so that a name made or
// moved there lasts a power cut.
void syncFolderOf(const QString& path);
