#include "scores/HighScoreFile.h"

#include "platform/FileReplacement.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QByteArrayView Marker("\n#pyokopon-table ");
// The longest marker line: the line end before it, LENGTH, SHA256, CR LF.
constexpr qint64 MarkerMost = 1 + Marker.size() + 8 + 64 + 2;
// How far a reader looks: the 30 fields, then a tail written at their end.
constexpr qint64 FileBytesLooked = HighScoreBytesLooked + MarkerMost + HighScoreLargestWritten;

QByteArray checksum(QByteArrayView table)
{
    return QCryptographicHash::hash(table, QCryptographicHash::Sha256).toHex();
}

// The table of the last whole tail in bytes; empty when none is.
QByteArrayView lastTail(QByteArrayView bytes)
{
    // A written table holds no line that begins with '#', so no whole tail
    // runs past the next marker: each byte is summed once at most.
    qsizetype end = bytes.size();
    for (qsizetype at = bytes.lastIndexOf(Marker); at >= 0; end = at, at = at ? bytes.lastIndexOf(Marker, at - 1) : -1) {
        const QByteArrayView line = bytes.sliced(at + Marker.size()).first(
            std::min<qsizetype>(MarkerMost, bytes.size() - at - Marker.size()));
        const qsizetype space = line.indexOf(' ');
        const qsizetype lineEnd = line.indexOf("\r\n");
        bool number = false;
        const qsizetype length = space > 0 ? line.first(space).toByteArray().toLongLong(&number) : -1;
        const qsizetype start = at + Marker.size() + lineEnd + 2;
        if (number && length > 0 && lineEnd > space && length <= end - start
            && line.sliced(space + 1, lineEnd - space - 1) == checksum(bytes.sliced(start, length)))
            return bytes.sliced(start, length);
    }
    return {};
}

// The table at the start, then the length, each flushed.
bool writeHead(int fd, QByteArrayView bytes)
{
    return writeAt(fd, bytes, 0) && ::fsync(fd) == 0 && ::ftruncate(fd, off_t(bytes.size())) == 0
        && ::fsync(fd) == 0;
}

// A rewrite a crash cut short (currentTail) is finished first, so that a
// file holds no more than one tail that counts, and never grows past what
// readers look at. Fails at Open or Write; once the tail is on disk, every
// reader finds the new table, and the next save finishes what is left.
FileOutcome rewriteInPlace(const QString& path, QByteArrayView bytes, QByteArrayView currentTail)
{
    const FileDescriptor file(openRegularFile(QFile::encodeName(path), O_WRONLY | O_NOFOLLOW));
    struct stat info {};
    if (!file.isValid() || ::fstat(file.get(), &info) != 0)
        return {FileStep::Open, errno};
    if (!currentTail.isEmpty() && !writeHead(file.get(), currentTail))
        return {FileStep::Write, errno};
    const qint64 size = currentTail.isEmpty() ? info.st_size : currentTail.size();
    // Bytes that far in are looked at by no reader: the tail may go over them.
    const qint64 at = std::min(size, HighScoreBytesLooked);
    if (!writeAt(file.get(), tailBlock(bytes, at), at) || ::fsync(file.get()) != 0) {
        const FileOutcome failed{FileStep::Write, errno};
        // A tail not known to be on disk is taken back.
        if (::ftruncate(file.get(), off_t(size)) == 0)
            ::fsync(file.get());
        return failed;
    }
    writeHead(file.get(), bytes);
    return {};
}

HighScoreLoad damaged(HighScoreProblem kind, int error = 0, mode_t mode = 0)
{
    HighScoreLoad load;
    load.existed = true;
    load.fault.kind = kind;
    load.fault.error = error;
    load.fault.mode = mode;
    return load;
}

} // namespace

HighScoreLoad loadHighScoresFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    // A link that leads to nothing readable (a loop, another user's private
    // file, /proc/self/mem) holds no table of the player's: the next save
    // replaces it, never following it.
    struct stat info {};
    const bool link = ::lstat(name.constData(), &info) == 0 && S_ISLNK(info.st_mode);
    mode_t mode = 0;
    const FileDescriptor file(openRegularFile(name, O_RDONLY, &mode));
    if (!file.isValid()) {
        if (mode != 0 && mode != S_IFREG)
            return damaged(HighScoreProblem::NotAFile, 0, mode);
        if ((errno == ENOENT || errno == ENOTDIR) && mode == 0)
            return HighScoreLoad{};
        return damaged(link ? HighScoreProblem::BadLink : HighScoreProblem::Unreadable, errno);
    }
    bool failed = false;
    const QByteArray bytes = readUpTo(file.get(), FileBytesLooked, &failed);
    if (link && failed)
        return damaged(HighScoreProblem::BadLink);
    HighScoreLoad load = readStoredHighScores(bytes, failed);
    load.existed = true;
    return load;
}

FileOutcome saveHighScoresFile(const QString& path, const HighScoreTable& table, QByteArrayView currentTail)
{
    const QByteArray bytes = writeHighScores(table);
    const FileOutcome replaced = replaceFile(path, bytes);
    struct stat info {};
    if (refusedByFolder(replaced) && ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode))
        return rewriteInPlace(path, bytes, currentTail);
    return replaced;
}

QByteArray tailBlock(QByteArrayView table, qint64 at)
{
    // The head's last byte may land on the LF before the marker: every
    // table ends in CR LF, so it stays an LF.
    const qint64 markerAt = std::max(at + 2, qint64(table.size()));
    QByteArray block = "\r" + QByteArray(qsizetype(markerAt - at - 1), '\n');
    block += Marker.sliced(1).toByteArray() + QByteArray::number(table.size()) + ' ' + checksum(table) + "\r\n";
    return block + table.toByteArray();
}

HighScoreLoad readStoredHighScores(QByteArrayView bytes, bool readFailed)
{
    HighScoreLoad load;
    const QByteArrayView tail = lastTail(bytes);
    static_cast<HighScoreText&>(load) = readHighScores(tail);
    if (!tail.isEmpty() && !load.damaged())
        load.tail = tail.toByteArray();
    else
        static_cast<HighScoreText&>(load) = readHighScores(bytes, readFailed);
    return load;
}
