#include "scores/HighScoreTable.h"

HighScoreTable::HighScoreTable()
{
    HighScore[0] = 0;
    for (int row = 1; row <= Rows; ++row)
        SetDefaultRow(row);
}

void HighScoreTable::SetDefaultRow(int row)
{
    Q_ASSERT(row >= 1 && row <= Rows);
    HighScore[row] = DefaultScore;
    HighLevel[row] = QStringLiteral("易しい");
    HighName[row] = QStringLiteral("名無しの権兵衛");
}

int HighScoreTable::RankBelow(qint32 score) const
{
    int rank = Rows;
    for (int i = 1; i <= Rows - 1; ++i) {
        if (HighScore[i + 1] < score && HighScore[i] >= score)
            rank = i;
    }
    return rank;
}

bool HighScoreTable::IsNewBest(qint32 score) const
{
    return HighScore[1] < score;
}

void HighScoreTable::ShiftDown(int rank)
{
    Q_ASSERT(rank >= 0 && rank <= Rows);
    for (int i = Rows - 1; i >= rank + 1; --i) {
        HighScore[i + 1] = HighScore[i];
        HighName[i + 1] = HighName[i];
        HighLevel[i + 1] = HighLevel[i];
    }
}

QString LevelLabel(int tickInterval)
{
    switch (tickInterval) {
    case 500: return QStringLiteral("難しい");
    case 750: return QStringLiteral("普通");
    case 1000: return QStringLiteral("易しい");
    default: return QString();
    }
}
