#include "scores/InPlaceRewrite.h"

#include "platform/FileDescriptor.h"
#include "scores/HighScoreTail.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The head, then the length, each flushed.
bool writeHead(int fd, QByteArrayView bytes)
{
    return writeAt(fd, bytes, 0) && ::fsync(fd) == 0 && ::ftruncate(fd, off_t(bytes.size())) == 0
        && ::fsync(fd) == 0;
}

} // namespace

RewriteOutcome rewriteInPlace(const QString& path, QByteArrayView bytes, QByteArrayView currentTail)
{
    const FileDescriptor file(openRegularFile(QFile::encodeName(path), O_WRONLY));
    struct stat info {};
    if (!file.isValid() || ::fstat(file.get(), &info) != 0)
        return {RewriteStep::Open, errno};
    qint64 size = info.st_size;
    if (!currentTail.isEmpty()) {
        if (!writeHead(file.get(), currentTail))
            return {RewriteStep::Finish, errno};
        size = currentTail.size();
    }
    // Bytes that far in are looked at by no reader: the tail may go over them.
    const qint64 at = std::min(size, HighScoreBytesLooked);
    if (!writeAt(file.get(), tailBlock(bytes, at), at) || ::fsync(file.get()) != 0) {
        const int error = errno;
        // A tail not known to be on disk is taken back.
        if (::ftruncate(file.get(), off_t(size)) == 0)
            ::fsync(file.get());
        return {RewriteStep::Tail, error};
    }
    if (!writeHead(file.get(), bytes))
        return {RewriteStep::Head, errno};
    return {};
}
