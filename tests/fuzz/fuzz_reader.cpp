// libFuzzer target for the date.dat reader: any bytes at all must be read
// without a crash, a hang or a sanitizer report, with a sentence for every
// fault and default rows after the rows read; and whatever the reader
// accepts must come back unchanged from a write and a second read (but for
// the double quotes, which the writer turns into full-width ones). Works on
// bytes in memory only.

#include "scores/FileMessages.h"
#include "scores/HighScoreFormat.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool holds)
{
    if (!holds)
        std::abort();
}

HighScoreTable asWritten(HighScoreTable table)
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
    const HighScoreText text = readHighScores(bytes);
    const bool damaged = text.fault.kind != HighScoreProblem::None;
    require(damaged == !problemSentence(text.fault).isEmpty());
    require(damaged == (text.fault.line > 0));
    require(damaged ? text.rowsRead >= 0 && text.rowsRead < HighScoreTable::Rows
                    : text.rowsRead == HighScoreTable::Rows);
    for (int row = text.rowsRead + 1; row <= HighScoreTable::Rows; ++row)
        require(text.table.row(row) == HighScoreRow{});

    if (!damaged) {
        const HighScoreText again = readHighScores(writeHighScores(text.table));
        require(again.fault.kind == HighScoreProblem::None);
        require(again.table == asWritten(text.table));
    }
    return 0;
}
