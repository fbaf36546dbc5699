#include "scores/HighScoreFile.h"

#include "platform/FileDescriptor.h"
#include "scores/HighScoreTail.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>

namespace {

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
    // Looked at before opening, so that no device is opened at all; looked
    // at again once open, in case the name changed in between. A link that
    // leads to nothing readable (a loop, another user's private file,
    // /proc/self/mem) holds no table of the player's: the next save
    // replaces it, never following it.
    struct stat info {};
    const bool link = ::lstat(name.constData(), &info) == 0 && S_ISLNK(info.st_mode);
    if (::stat(name.constData(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return HighScoreLoad{};
        return damaged(link ? HighScoreProblem::BadLink : HighScoreProblem::Unreadable, error);
    }
    if (!S_ISREG(info.st_mode))
        return damaged(HighScoreProblem::NotAFile, 0, info.st_mode & S_IFMT);
    const FileDescriptor file(openForReading(name));
    if (!file.isValid())
        return damaged(link ? HighScoreProblem::BadLink : HighScoreProblem::Unreadable, errno);
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return damaged(HighScoreProblem::NotAFile, 0, info.st_mode & S_IFMT);
    bool failed = false;
    HighScoreLoad load;
    load.existed = true;
    const QByteArray bytes = readUpTo(file.get(), HighScoreFileBytesLooked, &failed);
    if (link && failed)
        return damaged(HighScoreProblem::BadLink);
    const HighScoreText text = readStoredHighScores(bytes, failed, &load.tail);
    load.table = text.table;
    load.rowsRead = text.rowsRead;
    load.fault = text.fault;
    return load;
}

HighScoreWrite saveHighScoresFile(const QString& path, const HighScoreTable& table, QByteArrayView currentTail)
{
    const QByteArray bytes = writeHighScores(table);
    HighScoreWrite write{replaceFile(path, bytes), std::nullopt};
    const QFileInfo info(path);
    if (write.replace.refused() && info.isFile() && !info.isSymLink())
        write.inPlace = rewriteInPlace(path, bytes, currentTail);
    return write;
}
