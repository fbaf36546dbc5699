#include "scores/HighScoreStore.h"

#include "scores/DamagedCopy.h"
#include "scores/FileMessages.h"

#include <QLockFile>

namespace {

bool SameDamage(const HighScoreLoad& a, const HighScoreLoad& b)
{
    return a.problem == b.problem && a.problemLine == b.problemLine && a.rowsRead == b.rowsRead
        && a.table == b.table;
}

// The file could not be opened or read (no permission, a read error): what
// it holds is unknown, so it is never written over. A FIFO or a device in
// its place holds no table, and a save replaces it with a file.
bool Unreadable(const HighScoreLoad& load)
{
    return load.problemKind == HighScoreProblem::Unreadable;
}

HighScoreRow OneLineRow(const HighScoreRow& row)
{
    return {row.score, OneLineText(row.level), OneLineText(row.name)};
}

HighScoreTable OneLineTable(const HighScoreTable& table)
{
    HighScoreTable result;
    for (int row = 1; row <= HighScoreTable::Rows; ++row)
        result.SetRow(row, OneLineRow(table.Row(row)));
    return result;
}

} // namespace

HighScoreStore::HighScoreStore(const QString& path)
    : path_(path)
{
}

void HighScoreStore::SetPath(const QString& path)
{
    path_ = path;
}

QString HighScoreStore::LockPath() const
{
    return path_ + QStringLiteral(".lock");
}

std::optional<HighScoreDamage> HighScoreStore::Load()
{
    const HighScoreLoad load = loadHighScoresFile(path_);
    table_ = OneLineTable(load.table);
    unsaved_.clear();
    placing_.reset();
    reported_.reset();
    return noteDamage(load);
}

std::optional<HighScoreDamage> HighScoreStore::noteDamage(const HighScoreLoad& load)
{
    if (!load.damaged || (reported_ && SameDamage(*reported_, load)))
        return std::nullopt;
    reported_ = load;
    if (load.problemKind == HighScoreProblem::NotAFile)
        return HighScoreDamage{load.problem, QString(), true};
    return HighScoreDamage{load.problem, keepDamagedCopy(path_)};
}

std::optional<int> HighScoreStore::Place(qint32 score)
{
    const std::optional<int> row = table_.Place(score);
    if (row)
        placing_ = Placing{score, row};
    return row;
}

void HighScoreStore::Fill(const HighScoreRow& content)
{
    Q_ASSERT(placing_);
    if (!placing_)
        return;
    const HighScoreRow row = OneLineRow(content);
    if (placing_->row)
        table_.SetRow(*placing_->row, row);
    unsaved_.append(row);
    placing_.reset();
}

HighScoreSave HighScoreStore::Save(std::chrono::milliseconds lockWait)
{
    HighScoreSave result;
    QLockFile lock(LockPath());
    // A lock left by a copy that died is taken over at once (QLockFile sees
    // that its process is gone); one that a live copy holds is waited for.
    // A folder where no lock file can be made is one where no other copy
    // can make one either: the save goes on and the file layer says
    // whether the file itself can be written.
    if (!lock.tryLock(lockWait) && lock.error() != QLockFile::PermissionError) {
        result.reason = lockFailureReason(LockPath(), lock.error());
        return result;
    }

    const HighScoreLoad load = loadHighScoresFile(path_);
    if (Unreadable(load)) {
        result.reason = load.problem;
        return result;
    }
    result.damage = noteDamage(load);

    HighScoreTable merged = OneLineTable(load.table);
    for (const HighScoreRow& row : std::as_const(unsaved_)) {
        if (const std::optional<int> place = merged.Place(row.score))
            merged.SetRow(*place, row);
    }
    if (!saveHighScoresFile(path_, merged, &result.reason))
        return result;

    result.saved = true;
    table_ = merged;
    unsaved_.clear();
    reported_.reset();
    // A game whose name is still being entered gets its room again.
    if (placing_)
        placing_->row = table_.Place(placing_->score);
    return result;
}

QString OneLineText(const QString& text, int* cursor)
{
    QString result;
    result.reserve(text.size());
    int moved = cursor ? *cursor : 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            // CR LF is one line break: one space.
            if (cursor && i < *cursor)
                --moved;
            continue;
        }
        const bool breaksLine = c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator;
        result += breaksLine ? QChar(u' ') : c;
    }
    if (cursor)
        *cursor = moved;
    return result;
}
