#include "scores/HighScoreStore.h"

#include "scores/DamagedCopy.h"
#include "scores/FileMessages.h"
#include "scores/OneLineText.h"

#include <QLockFile>

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

std::optional<HighScoreDamage> HighScoreStore::load()
{
    const HighScoreLoad load = loadHighScoresFile(path_);
    table_ = oneLineTable(load.table);
    unsaved_.clear();
    reported_.reset();
    return noteDamage(load);
}

std::optional<HighScoreDamage> HighScoreStore::noteDamage(const HighScoreLoad& load)
{
    if (!load.damaged || (reported_ && sameDamage(*reported_, load)))
        return std::nullopt;
    reported_ = load;
    if (load.problemKind == HighScoreProblem::NotAFile)
        return HighScoreDamage{load.problem, QString(), true};
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
    QLockFile lock(lockPath());
    // A lock left by a copy that died is taken over at once (QLockFile sees
    // that its process is gone); one that a live copy holds is waited for.
    // A folder where no lock file can be made is one where no other copy
    // can make one either: the save goes on and the file layer says
    // whether the file itself can be written.
    if (!lock.tryLock(lockWait) && lock.error() != QLockFile::PermissionError) {
        result.reason = lockFailureReason(lockPath(), lock.error());
        return result;
    }

    const HighScoreLoad load = loadHighScoresFile(path_);
    if (unreadable(load)) {
        result.reason = load.problem;
        return result;
    }
    result.damage = noteDamage(load);

    HighScoreTable merged = oneLineTable(load.table);
    for (const HighScoreRow& row : std::as_const(unsaved_))
        merged.insert(row);
    if (!saveHighScoresFile(path_, merged, &result.reason))
        return result;

    result.saved = true;
    table_ = merged;
    unsaved_.clear();
    reported_.reset();
    return result;
}
