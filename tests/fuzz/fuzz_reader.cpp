// libFuzzer target for the date.dat reader: any bytes at all must be read
// without a crash, a hang or a sanitizer report, with a sentence for every
// fault and default rows after the rows read; and whatever the reader
// accepts must come back unchanged from a write and a second read (but for
// the double quotes, which the writer turns into full-width ones); a
// lowered limit changes nothing for bytes that fit in it. A whole tail after
// the 30th field (see HighScoreFile.h) is what the file reads as; one
// appended to a whole table is read, and cut anywhere it is not. Works on
// bytes in memory only.
//
// So that short inputs reach the read limit, an input that begins with FF
// (no table does) stands for a longer one at a limit of its choosing: FF, a
// limit m (two bytes, little-endian; 0 stands for the game's own), a repeat
// count n (two bytes), the lengths a and b of a head and a piece, the head,
// the piece and a tail (the rest). The head, the piece n times and the tail
// are read, with fewer repeats where that would pass the limit by more than
// a few KiB. A lowered limit meets every edge of the limit at the speed of
// a short input; the game's own is met too, at the cost of a megabyte.
// Any other input is read as it is.

#include "scores/FileMessages.h"
#include "scores/HighScoreFormat.h"
#include "scores/HighScoreFile.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

struct Reading {
    QByteArrayView bytes;
    qint64 limit = HighScoreReadLimit;
};

// What an input stands for; expanded is where a long one is made.
Reading readingOf(const std::uint8_t* data, std::size_t size, QByteArray& expanded)
{
    const auto* input = reinterpret_cast<const char*>(data);
    constexpr qsizetype Header = 7;
    if (qsizetype(size) < Header || data[0] != 0xFF)
        return {QByteArrayView(input, qsizetype(size))};
    const int limitCode = data[1] | data[2] << 8;
    const qint64 limit = limitCode == 0 ? HighScoreReadLimit : limitCode;
    const QByteArrayView rest(input + Header, qsizetype(size) - Header);
    const qsizetype headLength = std::min<qsizetype>(data[5], rest.size());
    const qsizetype pieceLength = std::min<qsizetype>(data[6], rest.size() - headLength);
    const QByteArrayView head = rest.first(headLength);
    const QByteArrayView piece = rest.sliced(headLength, pieceLength);
    const QByteArrayView tail = rest.sliced(headLength + pieceLength);
    qsizetype repeats = data[3] | data[4] << 8;
    if (pieceLength > 0)
        repeats = std::min<qsizetype>(repeats, (limit + 4096) / pieceLength);
    // Filled in place, the piece copied by doubling: the buffer is reused
    // from input to input, so a long input costs a few copies, not fresh
    // pages.
    const qsizetype repeatedLength = pieceLength * repeats;
    expanded.resize(headLength + repeatedLength + tail.size());
    char* out = expanded.data();
    std::memcpy(out, head.data(), size_t(headLength));
    out += headLength;
    if (repeatedLength > 0) {
        std::memcpy(out, piece.data(), size_t(pieceLength));
        for (qsizetype filled = pieceLength; filled < repeatedLength;) {
            const qsizetype copied = std::min(filled, repeatedLength - filled);
            std::memcpy(out + filled, out, size_t(copied));
            filled += copied;
        }
    }
    std::memcpy(out + repeatedLength, tail.data(), size_t(tail.size()));
    return {expanded, limit};
}

bool sameReading(const HighScoreText& a, const HighScoreText& b)
{
    return a.table == b.table && a.rowsRead == b.rowsRead && a.fault == b.fault;
}

// The stored reading of bytes, and of bytes with another table's tail
// appended whole and cut at a point chosen by cut.
void checkTails(QByteArrayView bytes, std::uint8_t cut)
{
    const HighScoreLoad stored = readStoredHighScores(bytes, false);
    if (stored.tail.isEmpty())
        require(sameReading(stored, readHighScores(bytes)));
    else
        require(stored.fault.kind == HighScoreProblem::None && stored.table == readHighScores(stored.tail).table);
    if (stored.fault.kind != HighScoreProblem::None)
        return;
    HighScoreTable other;
    if (stored.table == other)
        other.setRow(1, {1, QStringLiteral("x"), QStringLiteral("y")});
    QByteArray file = bytes.toByteArray();
    const QByteArray block = tailBlock(writeHighScores(other), file.size());
    file += block;
    require(readStoredHighScores(file, false).table == other);
    file.chop(1 + cut % block.size());
    require(sameReading(readStoredHighScores(file, false), stored));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    thread_local QByteArray expanded;
    const Reading reading = readingOf(data, size, expanded);
    const HighScoreText text = readHighScores(reading.bytes, false, reading.limit);
    if (reading.limit < HighScoreReadLimit && reading.bytes.size() <= reading.limit) {
        const HighScoreText atFullLimit = readHighScores(reading.bytes);
        require(atFullLimit.table == text.table && atFullLimit.rowsRead == text.rowsRead
                && atFullLimit.fault == text.fault);
    }
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
    checkTails(reading.bytes, size > 0 ? data[size - 1] : 0);
    return 0;
}
