// libFuzzer target for the date.dat reader: any bytes at all must be read
// without a crash, a hang or a sanitizer report, with a sentence for every
// fault and default rows after the rows read; and whatever the reader
// accepts must come back unchanged from a write and a second read (but for
// the double quotes, which the writer turns into full-width ones). Works on
// bytes in memory only.
//
// So that short inputs reach the read limit, an input that begins with FF
// (no table does) stands for a long one: FF, a repeat count n (two bytes,
// little-endian), the lengths a and b of a head and a piece, the head, the
// piece and a tail (the rest). The bytes read are the head, the piece 32 n
// times and the tail, with fewer repeats where that would pass the limit by
// more than a few KiB.

#include "scores/FileMessages.h"
#include "scores/HighScoreFormat.h"

#include <QByteArray>

#include <algorithm>
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

// The bytes an input stands for; expanded is where a long one is made.
QByteArrayView bytesOf(const std::uint8_t* data, std::size_t size, QByteArray& expanded)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (input.size() < 5 || std::uint8_t(input[0]) != 0xFF)
        return input;
    const qsizetype headLength = std::min<qsizetype>(std::uint8_t(input[3]), input.size() - 5);
    const qsizetype pieceLength = std::min<qsizetype>(std::uint8_t(input[4]), input.size() - 5 - headLength);
    const QByteArrayView head = input.sliced(5, headLength);
    const QByteArrayView piece = input.sliced(5 + headLength, pieceLength);
    const QByteArrayView tail = input.sliced(5 + headLength + pieceLength);
    qsizetype repeats = 32 * (std::uint8_t(input[1]) | std::uint8_t(input[2]) << 8);
    if (pieceLength > 0)
        repeats = std::min(repeats, (HighScoreBytesLooked + 4096) / pieceLength);
    expanded = head.toByteArray() + piece.toByteArray().repeated(repeats) + tail.toByteArray();
    return expanded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    thread_local QByteArray expanded;
    const QByteArrayView bytes = bytesOf(data, size, expanded);
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
