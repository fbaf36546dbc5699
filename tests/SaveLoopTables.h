#pragma once

#include "scores/HighScoreTable.h"

// The two tables save_loop writes in turn. Their files differ in length and
// in every row, so that any mix of the two, or a part of one, shows.
inline HighScoreTable SaveLoopTable(int which)
{
    HighScoreTable table;
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        const QString name = which == 0 ? QStringLiteral("ぴょこ%1").arg(row) : QString(40 * row, u'x');
        table.setRow(row, {qint16(which == 0 ? 1000 - row : -row), levelLabel(which == 0 ? 500 : 1000), name});
    }
    return table;
}
