#include "scores/HighScoreFile.h"

#include "platform/FileDescriptor.h"
#include "platform/FileReplacement.h"
#include "scores/FileMessages.h"

#include <QFile>

#include <cerrno>

#include <sys/stat.h>

namespace {

HighScoreLoad damagedLoad(HighScoreProblem kind, const QString& sentence)
{
    HighScoreLoad load;
    load.existed = true;
    load.damaged = true;
    load.problemKind = kind;
    load.problem = sentence;
    return load;
}

HighScoreLoad loadOf(const HighScoreText& text)
{
    HighScoreLoad load;
    load.table = text.table;
    load.existed = true;
    load.damaged = text.fault.kind != HighScoreProblem::None;
    load.problemKind = text.fault.kind;
    load.problem = problemSentence(text.fault);
    load.problemLine = text.fault.line;
    load.rowsRead = text.rowsRead;
    return load;
}

} // namespace

HighScoreLoad loadHighScoresFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    // Looked at before opening, so that no device is opened at all; looked
    // at again once open, in case the name changed in between.
    struct stat info {};
    // A link that leads to nothing readable (a loop, another user's private
    // file, /proc/self/mem) holds no table of the player's: like a FIFO, it
    // is replaced by the next save, which never follows a link.
    const bool link = ::lstat(name.constData(), &info) == 0 && S_ISLNK(info.st_mode);
    const HighScoreLoad badLink = damagedLoad(HighScoreProblem::NotAFile, unreadableLinkSentence());
    if (::stat(name.constData(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return HighScoreLoad{};
        return link ? badLink : damagedLoad(HighScoreProblem::Unreadable, inspectFailedSentence(error));
    }
    const FileDescriptor file(S_ISREG(info.st_mode) ? openForReading(name) : -1);
    if (S_ISREG(info.st_mode) && !file.isValid())
        return link ? badLink : damagedLoad(HighScoreProblem::Unreadable, openFailedSentence(errno));
    if (!S_ISREG(info.st_mode) || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return damagedLoad(HighScoreProblem::NotAFile, notAFileSentence(info.st_mode));
    bool failed = false;
    const QByteArray bytes = readUpTo(file.get(), HighScoreBytesLooked, &failed);
    return link && failed ? badLink : loadOf(readHighScores(bytes, failed));
}

bool saveHighScoresFile(const QString& path, const HighScoreTable& table, QString* reason)
{
    const ReplaceOutcome outcome = replaceFile(path, writeHighScores(table));
    if (!outcome.succeeded() && reason)
        *reason = replaceFailedReason(path, outcome);
    return outcome.succeeded();
}
