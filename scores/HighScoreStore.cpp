#include "scores/HighScoreStore.h"

#include "scores/DamagedCopy.h"
#include "scores/FileMessages.h"
#include "scores/OneLineText.h"

#include "platform/FileDescriptor.h"
#include "platform/FileLock.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

bool sameDamage(const HighScoreLoad& a, const HighScoreLoad& b)
{
    return a.problem == b.problem && a.problemLine == b.problemLine && a.rowsRead == b.rowsRead
        && a.table == b.table;
}

// The file could not be opened or read (no permission, a read error): what
// it holds is unknown, so it is never written over. A FIFO or a device in
// its place holds no table, and a save replaces it with a file.
bool unreadable(const HighScoreLoad& load)
{
    return load.problemKind == HighScoreProblem::Unreadable;
}

HighScoreRow oneLineRow(const HighScoreRow& row)
{
    return {row.score, cutToFieldLimit(oneLineText(row.level)), cutToFieldLimit(oneLineText(row.name))};
}

HighScoreTable oneLineTable(const HighScoreTable& table)
{
    HighScoreTable result;
    for (int row = 1; row <= HighScoreTable::Rows; ++row)
        result.setRow(row, oneLineRow(table.row(row)));
    return result;
}

} // namespace

HighScoreStore::HighScoreStore(const QString& path)
    : path_(path)
{
}

void HighScoreStore::setPath(const QString& path)
{
    path_ = path;
}

QString HighScoreStore::lockPath() const
{
    return path_ + QStringLiteral(".lock");
}

InPlaceBackup HighScoreStore::backup() const
{
    return InPlaceBackup(path_, previousFolder_.isNull()
                                    ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                                    : previousFolder_);
}

QString HighScoreStore::previousCopyPath() const
{
    return backup().previousPath();
}

HighScoreLoad HighScoreStore::readFile() const
{
    // A rewrite in place that a kill or a power cut cut short is read as
    // what the file held before it.
    const InPlaceBackup kept = backup();
    if (kept.isKept()) {
        const FileDescriptor file(openForReading(QFile::encodeName(path_)));
        bool failed = false;
        if (file.isValid() && kept.cutShort(readUpTo(file.get(), HighScoreBytesLooked, &failed)) && !failed) {
            HighScoreLoad before = loadHighScoresFile(kept.previousPath());
            before.existed = true;
            return before;
        }
    }
    return loadHighScoresFile(path_);
}

std::optional<HighScoreDamage> HighScoreStore::load()
{
    const HighScoreLoad load = readFile();
    table_ = oneLineTable(load.table);
    unsaved_.clear();
    reported_.reset();
    beforeFailure_.reset();
    keptPrevious_.clear();
    return noteDamage(load);
}

std::optional<HighScoreDamage> HighScoreStore::noteDamage(const HighScoreLoad& load)
{
    if (!load.damaged || (reported_ && sameDamage(*reported_, load)))
        return std::nullopt;
    reported_ = load;
    if (load.problemKind == HighScoreProblem::NotAFile)
        return HighScoreDamage{load.problem, QString(), true};
    if (unreadable(load))
        return HighScoreDamage{load.problem, QString(), false, true};
    return HighScoreDamage{load.problem, keepDamagedCopy(path_)};
}

void HighScoreStore::record(const HighScoreRow& row)
{
    const HighScoreRow oneLine = oneLineRow(row);
    table_.insert(oneLine);
    unsaved_.append(oneLine);
}

HighScoreSave HighScoreStore::save(std::chrono::milliseconds lockWait)
{
    HighScoreSave result;
    // A folder at the lock's name is no other copy at work: waiting for it
    // would not help.
    if (QFileInfo(lockPath()).isDir()) {
        result.reason = lockIsFolderReason(lockPath());
        return result;
    }
    QLockFile lock(lockPath());
    FileLock fileLock;
    // A lock left by a copy that died is taken over at once (QLockFile sees
    // that its process is gone); one that a live copy holds is waited for.
    // A folder where no lock file can be made is one where no other copy
    // can make one either: the copies take turns by a lock on the file
    // itself, and the file layer says whether the file can be written.
    if (!lock.tryLock(lockWait)) {
        if (lock.error() != QLockFile::PermissionError) {
            result.reason = lockFailureReason(lockPath(), lock.error());
            return result;
        }
        if (fileLock.lock(path_, lockWait) == FileLock::Result::Busy) {
            result.reason = sharedFileBusyReason(path_);
            return result;
        }
    }

    const HighScoreLoad load = readFile();
    if (unreadable(load)) {
        result.reason = load.problem;
        return result;
    }
    // After a rewrite in place that failed part way, the file may hold this
    // copy's own rows, whole or in part: they are placed again on the table
    // read before that attempt, never on what it left.
    if (!beforeFailure_)
        result.damage = noteDamage(load);
    // A damaged file this copy moved aside leaves no file: the rows read
    // before the problem are what the file held.
    const bool movedAside = !load.existed && reported_;
    const HighScoreTable base = beforeFailure_ ? *beforeFailure_
                                               : oneLineTable(movedAside ? reported_->table : load.table);

    HighScoreTable merged = base;
    for (const HighScoreRow& row : std::as_const(unsaved_))
        merged.insert(row);
    const QByteArray bytes = writeHighScores(merged);
    const InPlaceBackup kept = backup();
    // A rewrite in place goes ahead only once what the file holds (as far
    // as the reader looks) is kept where the player can write, so that one
    // cut short can be undone. With no such folder at all (see
    // previousCopyPath) it goes ahead unkept: it is the only way to save.
    const auto keepPrevious = [&](int fd, qint64 size) {
        if (kept.previousPath().isEmpty())
            return true;
        QByteArray previous(qsizetype(std::min(size, HighScoreBytesLooked)), Qt::Uninitialized);
        if (readAt(fd, previous.data(), previous.size(), 0) != previous.size() || !kept.keep(previous, bytes))
            return false;
        keptPrevious_ = kept.previousPath();
        return true;
    };
    const ReplaceOutcome outcome = replaceFile(path_, bytes, keepPrevious);
    if (!outcome.succeeded()) {
        if (outcome.failed == ReplaceStep::WriteInPlace && !beforeFailure_)
            beforeFailure_ = base;
        if (outcome.failed == ReplaceStep::Declined)
            result.reason = previousNotKeptReason(path_, kept.previousPath(), beforeFailure_.has_value());
        else
            result.reason = beforeFailure_ ? partlyWrittenReason(path_, outcome, keptPrevious_)
                                           : replaceFailedReason(path_, outcome);
        return result;
    }
    // The file is whole again: the table kept for a torn one is not needed.
    if (!keptPrevious_.isEmpty())
        kept.remove();

    result.saved = true;
    table_ = merged;
    unsaved_.clear();
    reported_.reset();
    beforeFailure_.reset();
    keptPrevious_.clear();
    return result;
}
