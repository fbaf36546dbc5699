// libFuzzer target for what the store writes: the bytes describe a table,
// its labels and names kept as the store keeps them (one line, cut at the
// field limit). Any such table must be written within HighScoreLargestWritten
// bytes and read back whole; the written bytes must read back to a table
// that writes the very same bytes; and fields that came from cp932 text, as
// every field read from date.dat does, must read back unchanged (but for
// the double quotes, which the writer turns into full-width ones). Written
// in place over the default table, every state of the rewrite reads as one
// of the two: its tail cut anywhere, or whole with the start of the file
// new up to any byte.

#include "platform/Cp932.h"
#include "scores/HighScoreFormat.h"
#include "scores/HighScoreFile.h"
#include "scores/OneLineText.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

void require(bool holds)
{
    if (!holds)
        std::abort();
}

// The input, taken from the front; zeros once it runs out.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), left_(size) {}

    std::uint8_t take()
    {
        if (left_ == 0)
            return 0;
        --left_;
        return *data_++;
    }

    QByteArrayView takeUpTo(std::size_t count)
    {
        count = std::min(count, left_);
        const QByteArrayView taken(reinterpret_cast<const char*>(data_), qsizetype(count));
        data_ += count;
        left_ -= count;
        return taken;
    }

private:
    const std::uint8_t* data_;
    std::size_t left_;
};

struct Text {
    QString text;
    bool fromCp932 = false;   // the code page holds every character
};

// A control byte, then a piece of text repeated 1..16 times, or up to 961
// times when the control byte says so, so that short inputs reach the field
// limit (rarely: a long field costs as much as a hundred short ones):
// cp932 bytes when they decode, UTF-16 code units otherwise (any at all:
// lone surrogates, characters the code page lacks, line breaks).
Text takeText(Bytes& in)
{
    const std::uint8_t control = in.take();
    const int repeats = 1 + (control & 0x0F) * ((control & 0x70) == 0x70 ? 64 : 1);
    const QByteArrayView piece = in.takeUpTo(in.take() % 16);
    if (control & 0x80) {
        if (const std::optional<QString> decoded = decodeCp932(piece.toByteArray()))
            return {decoded->repeated(repeats), true};
    }
    QString units;
    for (qsizetype i = 0; i + 1 < piece.size(); i += 2)
        units += QChar(char16_t(std::uint8_t(piece[i]) | std::uint8_t(piece[i + 1]) << 8));
    return {units.repeated(repeats), false};
}

QString storedField(const QString& text)
{
    return cutToFieldLimit(oneLineText(text));
}

QString asWritten(QString text)
{
    return text.replace(u'"', QChar(0xFF02));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Bytes in(data, size);
    HighScoreTable table;
    bool fromCp932[HighScoreTable::Rows][2];
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        const qint16 score = qint16(in.take() | in.take() << 8);
        const Text level = takeText(in);
        const Text name = takeText(in);
        table.setRow(row, {score, storedField(level.text), storedField(name.text)});
        fromCp932[row - 1][0] = level.fromCp932;
        fromCp932[row - 1][1] = name.fromCp932;
    }

    const QByteArray bytes = writeHighScores(table);
    require(bytes.size() <= HighScoreLargestWritten);
    const HighScoreText read = readHighScores(bytes);
    require(read.fault.kind == HighScoreProblem::None && read.rowsRead == HighScoreTable::Rows);
    require(writeHighScores(read.table) == bytes);
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        const HighScoreRow& written = table.row(row);
        const HighScoreRow& back = read.table.row(row);
        require(back.score == written.score);
        require(!fromCp932[row - 1][0] || back.level == asWritten(written.level));
        require(!fromCp932[row - 1][1] || back.name == asWritten(written.name));
    }

    const QByteArray old = writeHighScores(HighScoreTable());
    const QByteArray block = tailBlock(bytes, old.size());
    const qsizetype at = qsizetype(in.take() | in.take() << 8);
    QByteArray file = old + block.first(at % block.size());
    require(readStoredHighScores(file, false).table == HighScoreTable());
    file = old + block;
    file.replace(0, at % (bytes.size() + 1), bytes.first(at % (bytes.size() + 1)));
    require(readStoredHighScores(file, false).table == read.table);
    return 0;
}
