#include "scores/HighScoreTail.h"

#include "platform/FileDescriptor.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <optional>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QByteArrayView Marker("\n#pyokopon-table ");

QByteArray checksum(QByteArrayView table)
{
    return QCryptographicHash::hash(table, QCryptographicHash::Sha256).toHex();
}

// The head, then the length, each flushed.
bool writeHead(int fd, QByteArrayView bytes)
{
    return writeAt(fd, bytes, 0) && ::fsync(fd) == 0 && ::ftruncate(fd, off_t(bytes.size())) == 0
        && ::fsync(fd) == 0;
}

// The table of the last whole tail in bytes; nullopt when none is.
std::optional<QByteArrayView> lastTail(QByteArrayView bytes)
{
    // A written table holds no line that begins with '#', so no whole tail
    // runs past the next marker: each byte is summed once at most.
    qsizetype end = bytes.size();
    for (qsizetype at = bytes.lastIndexOf(Marker); at >= 0; at = at == 0 ? -1 : bytes.lastIndexOf(Marker, at - 1)) {
        const QByteArrayView line = bytes.sliced(at + Marker.size()).first(
            std::min<qsizetype>(HighScoreTailMarkerMost, bytes.size() - at - Marker.size()));
        const qsizetype space = line.indexOf(' ');
        const qsizetype lineEnd = line.indexOf("\r\n");
        bool number = false;
        const qsizetype length = space > 0 ? line.first(space).toByteArray().toLongLong(&number) : -1;
        const qsizetype start = at + Marker.size() + lineEnd + 2;
        if (number && length > 0 && lineEnd > space && length <= end - start
            && line.sliced(space + 1, lineEnd - space - 1) == checksum(bytes.sliced(start, length)))
            return bytes.sliced(start, length);
        end = at;
    }
    return std::nullopt;
}

} // namespace

QByteArray tailBlock(QByteArrayView table, qint64 at)
{
    // The head's last byte may land on the LF before the marker: every
    // table ends in CR LF, so it stays an LF.
    const qint64 markerAt = std::max(at + 2, qint64(table.size()));
    QByteArray block = "\r" + QByteArray(qsizetype(markerAt - at - 1), '\n');
    block += Marker.sliced(1).toByteArray() + QByteArray::number(table.size()) + ' ' + checksum(table) + "\r\n";
    block += table.toByteArray();
    return block;
}

HighScoreText readStoredHighScores(QByteArrayView bytes, bool readFailed, QByteArray* tail)
{
    if (tail)
        tail->clear();
    if (const std::optional<QByteArrayView> kept = lastTail(bytes)) {
        HighScoreText text = readHighScores(*kept);
        if (text.fault.kind == HighScoreProblem::None) {
            if (tail)
                *tail = kept->toByteArray();
            return text;
        }
    }
    return readHighScores(bytes, readFailed);
}

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
