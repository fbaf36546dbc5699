#include "scores/HighScoreStore.h"

#include "scores/DamagedCopy.h"
#include "scores/OneLineText.h"

namespace {

bool sameDamage(const HighScoreLoad& a, const HighScoreLoad& b)
{
    return a.fault == b.fault && a.rowsRead == b.rowsRead && a.table == b.table;
}

// Only line ends would break three lines a row; a tab or any other
// character read from the file is written back as it was.
QString withoutLineBreaks(const QString& text)
{
    return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
}

HighScoreTable withoutLineBreaks(const HighScoreTable& table)
{
    HighScoreTable result;
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        const HighScoreRow& content = table.row(row);
        result.setRow(row, {content.score, withoutLineBreaks(content.level), withoutLineBreaks(content.name)});
    }
    return result;
}

} // namespace

HighScoreLoad HighScoreStore::read() const
{
    const HighScoreLoad load = loadHighScoresFile(path_);
    return load.existed || seed_.isEmpty() ? load : loadHighScoresFile(seed_);
}

std::optional<HighScoreDamage> HighScoreStore::load(std::chrono::milliseconds lockWait)
{
    HighScoreLoad load = read();
    FileLock lock;
    // Read again under the lock: no other copy is rewriting it then.
    const bool locked = load.damaged() && lock.lock(path_, lockWait) == FileLock::Result::Locked;
    if (locked)
        load = read();
    table_ = withoutLineBreaks(load.table);
    unsaved_.clear();
    reported_.reset();
    return noteDamage(load, locked);
}

std::optional<HighScoreDamage> HighScoreStore::noteDamage(const HighScoreLoad& load, bool locked)
{
    if (!load.damaged() || (reported_ && sameDamage(*reported_, load)))
        return std::nullopt;
    reported_ = load;
    HighScoreDamage damage{load.fault, QString()};
    const HighScoreProblem kind = load.fault.kind;
    if (locked && kind != HighScoreProblem::NotAFile && kind != HighScoreProblem::BadLink
        && kind != HighScoreProblem::Unreadable)
        damage.copyPath = keepDamagedCopy(path_);
    return damage;
}

void HighScoreStore::record(const HighScoreRow& row)
{
    const HighScoreRow oneLine{row.score, cutToFieldLimit(oneLineText(row.level)), cutToFieldLimit(oneLineText(row.name))};
    table_.insert(oneLine);
    unsaved_.append(oneLine);
}

HighScoreSave HighScoreStore::save(std::chrono::milliseconds lockWait)
{
    HighScoreSave result;
    FileLock lock;
    result.lock = lock.lock(path_, lockWait);
    result.lockMode = lock.lockMode();
    result.lockError = lock.lockError();
    if (result.lock != FileLock::Result::Locked)
        return result;
    const HighScoreLoad load = read();
    if (load.fault.kind == HighScoreProblem::Unreadable) {
        result.unreadable = load.fault;
        return result;
    }
    result.damage = noteDamage(load, true);
    // A damaged file this copy moved aside leaves no file: the rows read
    // before the problem are what the file held.
    const bool movedAside = !load.existed && reported_;
    HighScoreTable merged = withoutLineBreaks(movedAside ? reported_->table : load.table);
    for (const HighScoreRow& row : std::as_const(unsaved_))
        merged.insert(row);
    result.write = saveHighScoresFile(path_, merged, load.tail);
    if (!result.write.reachedFile())
        return result;
    result.saved = true;
    table_ = merged;
    unsaved_.clear();
    reported_.reset();
    return result;
}
