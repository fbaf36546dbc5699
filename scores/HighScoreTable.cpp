#include "scores/HighScoreTable.h"

namespace {

// The number of rows that stay above an entry that is not placed.
constexpr int NotPlaced = HighScoreTable::Rows;

} // namespace

const HighScoreRow& HighScoreTable::row(int row) const
{
    Q_ASSERT(row >= 1 && row <= Rows);
    return rows_[row - 1];
}

void HighScoreTable::setRow(int row, const HighScoreRow& content)
{
    Q_ASSERT(row >= 1 && row <= Rows);
    rows_[row - 1] = content;
}

std::optional<int> HighScoreTable::rankOf(qint32 score) const
{
    int rank = NotPlaced; // rows that stay above the new entry
    for (int i = 1; i <= Rows - 1; ++i) {
        if (row(i + 1).score < score && row(i).score >= score)
            rank = i;
    }
    if (row(1).score < score)
        rank = 0;
    if (rank == NotPlaced)
        return std::nullopt;
    return rank + 1;
}

std::optional<int> HighScoreTable::insert(const HighScoreRow& content)
{
    const std::optional<int> place = rankOf(content.score);
    if (!place)
        return std::nullopt;
    for (int i = Rows - 1; i >= *place; --i)
        rows_[i] = rows_[i - 1];
    setRow(*place, content);
    return place;
}

QString levelLabel(int tickInterval)
{
    switch (tickInterval) {
    case 500: return QStringLiteral("難しい");
    case 750: return QStringLiteral("普通");
    case 1000: return QStringLiteral("易しい");
    default: return QString();
    }
}
