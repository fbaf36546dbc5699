// libFuzzer target for the date.dat reader: any bytes at all must be read
// without a crash, a hang or a sanitizer report; decoding them in small
// pieces must give the very same result as in the usual large ones; and
// whatever the reader accepts must come back unchanged from a write and a
// second read (but for the double quotes, which the writer turns into
// full-width ones). Works on bytes in memory only.

#include "scores/DateFile.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool holds)
{
    if (!holds)
        std::abort();
}

HighScoreTable AsWritten(HighScoreTable table)
{
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        HighScoreRow content = table.row(row);
        content.level.replace(u'"', QChar(0xFF02));
        content.name.replace(u'"', QChar(0xFF02));
        table.setRow(row, content);
    }
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const HighScoreLoad load = ReadHighScores(bytes);
    Require(load.existed);
    Require(load.damaged == !load.problem.isEmpty());
    Require(load.damaged == (load.problemKind != HighScoreProblem::None));
    Require(load.damaged ? load.rowsRead >= 0 && load.rowsRead < HighScoreTable::Rows
                         : load.rowsRead == HighScoreTable::Rows);
    for (int row = load.rowsRead + 1; row <= HighScoreTable::Rows; ++row)
        Require(load.table.row(row) == HighScoreRow{});

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const HighScoreLoad inPieces = ReadHighScores(buffer, 2 + qsizetype(size % 13));
    Require(inPieces.table == load.table && inPieces.damaged == load.damaged
            && inPieces.problemKind == load.problemKind && inPieces.problem == load.problem
            && inPieces.problemLine == load.problemLine && inPieces.rowsRead == load.rowsRead);

    if (!load.damaged) {
        const HighScoreLoad again = ReadHighScores(WriteHighScores(load.table));
        Require(!again.damaged);
        Require(again.table == AsWritten(load.table));
    }
    return 0;
}
