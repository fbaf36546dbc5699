#include "scores/HighScoreStore.h"

#include "platform/FileLock.h"
#include "scores/DamagedCopy.h"
#include "scores/OneLineText.h"

namespace {

// Only line ends would break three lines a row; a tab or any other
// character read from the file is written back as it was.
HighScoreTable withoutLineBreaks(HighScoreTable table)
{
    const auto oneLine = [](QString text) {
        return text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
    };
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        const HighScoreRow content = table.row(row);
        table.setRow(row, {content.score, oneLine(content.level), oneLine(content.name)});
    }
    return table;
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
    const bool locked = load.damaged() && lock.lock(path_, lockWait).succeeded();
    if (locked)
        load = read();
    table_ = withoutLineBreaks(load.table);
    unsaved_.clear();
    reported_.reset();
    return noteDamage(load, locked);
}

std::optional<HighScoreDamage> HighScoreStore::noteDamage(const HighScoreLoad& load, bool locked)
{
    const bool reported = reported_ && reported_->fault == load.fault && reported_->table == load.table;
    if (!load.damaged() || reported)
        return std::nullopt;
    reported_ = load;
    // What is no file of rows, or could not be read, is not moved aside.
    const HighScoreProblem kind = load.fault.kind;
    const bool keep = locked && kind != HighScoreProblem::NotAFile && kind != HighScoreProblem::BadLink
        && kind != HighScoreProblem::Unreadable;
    return HighScoreDamage{load.fault, keep ? keepDamagedCopy(path_) : QString()};
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
    result.outcome = lock.lock(path_, lockWait);
    if (!result.outcome.succeeded())
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
    result.outcome = saveHighScoresFile(path_, merged, load.tail);
    result.saved = result.outcome.succeeded();
    if (result.saved) {
        table_ = merged;
        unsaved_.clear();
        reported_.reset();
    }
    return result;
}
