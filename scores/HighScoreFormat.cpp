#include "scores/HighScoreFormat.h"

#include "platform/Cp932.h"

#include <QStringView>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr int FieldsPerRow = HighScoreFields / HighScoreTable::Rows;

bool isSpace(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

bool isSeparator(char c)
{
    return c == ',' || isLineEnd(c);
}

// A byte that begins a two-byte character. Its second byte is never a comma,
// a double quote, a space, a tab, CR or LF, so fields can be found in the
// bytes before they are decoded.
bool isLeadByte(char c)
{
    const uchar b = uchar(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

qsizetype characterLength(QByteArrayView bytes, qsizetype at)
{
    return std::min<qsizetype>(isLeadByte(bytes[at]) ? 2 : 1, bytes.size() - at);
}

// Each LF ends a line, and each CR that no LF follows.
int lineEndsIn(QByteArrayView bytes)
{
    return int(bytes.count('\n') + bytes.count('\r') - bytes.count("\r\n"));
}

std::optional<QString> decode(QByteArrayView bytes)
{
    return decodeCp932(QByteArray::fromRawData(bytes.data(), bytes.size()));
}

// Where the first character that does not decode begins; -1 when there is
// none. Each distinct character is judged once in a thread's life, so a
// long field is walked in linear time.
qsizetype firstBadCharacter(QByteArrayView bytes)
{
    if (decode(bytes))
        return -1;
    thread_local std::vector<qint8> verdicts;   // by the character's bytes: 1 decodes, -1 does not
    verdicts.resize(0x10000);
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = characterLength(bytes, i);
        const QByteArrayView character = bytes.sliced(i, length);
        const int key = length == 2 ? uchar(character[0]) << 8 | uchar(character[1]) : uchar(character[0]);
        if (verdicts[key] == 0)
            verdicts[key] = decode(character) ? 1 : -1;
        if (verdicts[key] < 0)
            return i;
        i += length;
    }
    return bytes.size();   // refused as a whole: bad at its end at the latest
}

// Why the text ends where it does.
enum class TextEnd { Whole, NotCp932, TooLong, ReadFailed };

struct Field {
    QString text;
    bool quoted = false;
    int line = 0;   // where the field begins
};

// Stopped: a field needs text past where the text ends.
enum class FieldResult { Read, EndOfData, UnclosedQuote, TextAfterQuote, Stopped };

class Reader {
public:
    Reader(QByteArrayView bytes, bool readFailed, qsizetype limit);

    FieldResult readField(Field& field);
    int line() const { return line_; }
    bool empty() const { return bytes_.isEmpty(); }
    TextEnd stop() const { return stop_; }
    // The line where the text ends, after Stopped.
    int stopLine() const { return 1 + lineEndsIn(bytes_.first(stopAt_)); }

private:
    void skipSpaces();
    void skipLineEnd();
    void stopBefore(qsizetype badAt);
    bool reachesEnd(qsizetype from);
    qsizetype nextSeparator();
    std::optional<QString> decodeOrStop(qsizetype from, qsizetype to);

    // Where a separator byte was last found, so that each one is searched
    // for once per occurrence: a text of many short fields, or of one line
    // with no LF at all, is still scanned once whatever the field lengths.
    struct Found {
        char byte;
        qsizetype at;   // its first place at or after where it was searched for
    };

    QByteArrayView bytes_;
    qsizetype end_;    // the text is bytes_.first(end_), as far as it is cp932
    TextEnd stop_;     // why the text ends at end_: Whole when the bytes do
    qsizetype stopAt_ = 0;
    qsizetype pos_ = 0;
    int line_ = 1;
    bool afterComma_ = false;
    Found separators_[3] = {{',', -1}, {'\r', -1}, {'\n', -1}};
};

// Looks at no byte past limit + 2, as HighScoreBytesLooked says.
Reader::Reader(QByteArrayView bytes, bool readFailed, qsizetype limit)
    : bytes_(bytes.first(std::min<qsizetype>(bytes.size(), limit + 2))),
      end_(bytes_.size()),
      stop_(readFailed ? TextEnd::ReadFailed : TextEnd::Whole)
{
    // A CR LF that straddles the limit is one line end, and belongs to it.
    if (end_ > limit) {
        const bool lineEndAcross = bytes_[limit - 1] == '\r' && bytes_[limit] == '\n';
        end_ = lineEndAcross ? limit + 1 : limit;
        if (!lineEndAcross || bytes_.size() > end_)
            stop_ = TextEnd::TooLong;
    }
    // Where the bytes were cut short, a character cut in two is not text.
    if (stop_ != TextEnd::Whole) {
        // The byte before the run of lead bytes at the end is no lead byte,
        // so a character ends there, and the run pairs up from its start:
        // an odd run leaves its last byte without its second one.
        qsizetype leads = 0;
        while (leads < end_ && isLeadByte(bytes_[end_ - 1 - leads]))
            ++leads;
        if (leads % 2 == 1)
            --end_;
    }
}

void Reader::skipSpaces()
{
    while (pos_ < end_ && isSpace(bytes_[pos_]))
        ++pos_;
}

void Reader::skipLineEnd()
{
    if (bytes_[pos_] == '\r' && pos_ + 1 < end_ && bytes_[pos_ + 1] == '\n')
        ++pos_;
    ++pos_;
    ++line_;
}

void Reader::stopBefore(qsizetype badAt)
{
    stop_ = TextEnd::NotCp932;
    stopAt_ = badAt;
}

// Whether the text from `from` runs to the end of the bytes. Otherwise
// reading stops where the text ends: before a character that is not cp932,
// or where the bytes were cut short.
bool Reader::reachesEnd(qsizetype from)
{
    const qsizetype bad = firstBadCharacter(bytes_.sliced(from, end_ - from));
    if (bad >= 0) {
        stopBefore(from + bad);
        return false;
    }
    stopAt_ = end_;
    return stop_ == TextEnd::Whole;
}

// The first comma or line end at or after pos_; end_ when there is none.
qsizetype Reader::nextSeparator()
{
    qsizetype next = end_;
    for (Found& separator : separators_) {
        if (separator.at < pos_) {
            separator.at = bytes_.first(end_).indexOf(separator.byte, pos_);
            if (separator.at < 0)
                separator.at = end_;
        }
        next = std::min(next, separator.at);
    }
    return next;
}

std::optional<QString> Reader::decodeOrStop(qsizetype from, qsizetype to)
{
    const QByteArrayView bytes = bytes_.sliced(from, to - from);
    std::optional<QString> text = decode(bytes);
    if (!text)
        stopBefore(from + firstBadCharacter(bytes));
    return text;
}

// Reads one field and the separator after it.
FieldResult Reader::readField(Field& field)
{
    for (;;) {
        skipSpaces();
        // A line end straight after a comma ends an empty field; any other
        // line end here closes a blank line.
        if (afterComma_ || pos_ >= end_ || !isLineEnd(bytes_[pos_]))
            break;
        skipLineEnd();
    }
    if (pos_ >= end_) {
        if (!reachesEnd(pos_))
            return FieldResult::Stopped;
        if (!afterComma_)
            return FieldResult::EndOfData;
    }

    field.line = line_;
    field.quoted = pos_ < end_ && bytes_[pos_] == '"';
    if (field.quoted) {
        const qsizetype open = pos_ + 1;
        const qsizetype close = bytes_.first(end_).indexOf('"', open);
        if (close < 0)
            return reachesEnd(open) ? FieldResult::UnclosedQuote : FieldResult::Stopped;
        std::optional<QString> text = decodeOrStop(open, close);
        if (!text)
            return FieldResult::Stopped;
        field.text = std::move(*text);
        line_ += lineEndsIn(bytes_.sliced(open, close - open));
        pos_ = close + 1;
        skipSpaces();
        if (pos_ >= end_) {
            if (!reachesEnd(pos_))
                return FieldResult::Stopped;
        } else if (!isSeparator(bytes_[pos_])) {
            // Text, unless the text ends there.
            if (firstBadCharacter(bytes_.sliced(pos_, characterLength(bytes_.first(end_), pos_))) < 0)
                return FieldResult::TextAfterQuote;
            stopBefore(pos_);
            return FieldResult::Stopped;
        }
    } else {
        const qsizetype start = pos_;
        pos_ = nextSeparator();
        // Decoded once, even when it runs to the end of the text: a field
        // that ends there is judged on the same bytes as reachesEnd would.
        std::optional<QString> text = decodeOrStop(start, pos_);
        if (!text)
            return FieldResult::Stopped;
        if (pos_ >= end_) {
            stopAt_ = end_;
            if (stop_ != TextEnd::Whole)
                return FieldResult::Stopped;
        }
        qsizetype length = text->size();
        while (length > 0 && (text->at(length - 1) == u' ' || text->at(length - 1) == u'\t'))
            --length;
        field.text = std::move(*text);
        field.text.truncate(length);
    }

    afterComma_ = pos_ < end_ && bytes_[pos_] == ',';
    if (afterComma_)
        ++pos_;
    else if (pos_ < end_)
        skipLineEnd();
    return FieldResult::Read;
}

HighScoreFault faultAt(HighScoreProblem kind, int line)
{
    HighScoreFault fault;
    fault.kind = kind;
    fault.line = line;
    return fault;
}

// The score in a field, or the fault it is.
std::optional<qint16> parseScore(const Field& field, HighScoreFault& fault)
{
    fault = faultAt(HighScoreProblem::BadScore, field.line);
    fault.score = field.text;
    fault.quoted = field.quoted;
    if (field.quoted)
        return std::nullopt;
    QStringView digits(field.text);
    if (digits.startsWith(u'-'))
        digits = digits.sliced(1);
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    bool fits = false;
    const qlonglong value = QStringView(field.text).toLongLong(&fits);
    fault.outOfRange = !fits || value < -32768 || value > 32767;
    if (fault.outOfRange)
        return std::nullopt;
    fault = HighScoreFault{};
    return qint16(value);
}

HighScoreFault stopFault(const Reader& reader)
{
    switch (reader.stop()) {
    case TextEnd::NotCp932:
        return faultAt(HighScoreProblem::NotCp932, reader.stopLine());
    case TextEnd::TooLong:
        return faultAt(HighScoreProblem::TooLong, reader.stopLine());
    case TextEnd::Whole:
    case TextEnd::ReadFailed:
        break;
    }
    return faultAt(HighScoreProblem::Unreadable, reader.stopLine());
}

// Appends the field between double quotes, and the line end.
void appendQuoted(QString& text, const QString& field)
{
    text += u'"';
    if (field.contains(u'"'))
        text += QString(field).replace(u'"', QChar(0xFF02));
    else
        text += field;
    text += QLatin1String("\"\r\n");
}

} // namespace

QString cutToFieldLimit(const QString& text)
{
    if (text.size() <= HighScoreFieldLimit)
        return text;
    qsizetype length = HighScoreFieldLimit;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.first(length);
}

// Rows are filled only once all three of their fields are valid, so every
// row from the first problem on keeps its default content.
HighScoreText readHighScores(QByteArrayView bytes, bool readFailed, qint64 readLimit)
{
    Q_ASSERT(readLimit >= 1 && readLimit <= HighScoreReadLimit);
    HighScoreText result;
    Reader reader(bytes, readFailed, qsizetype(readLimit));
    Field fields[FieldsPerRow];
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        qint16 score = 0;
        for (int k = 0; k < FieldsPerRow; ++k) {
            HighScoreFault& fault = result.fault;
            switch (reader.readField(fields[k])) {
            case FieldResult::Read:
                break;
            case FieldResult::EndOfData:
                if (reader.empty())
                    fault = faultAt(HighScoreProblem::Empty, 1);
                else
                    fault = faultAt(HighScoreProblem::TooFewFields, reader.line());
                fault.fieldsRead = (row - 1) * FieldsPerRow + k;
                return result;
            case FieldResult::UnclosedQuote:
                fault = faultAt(HighScoreProblem::UnclosedQuote, fields[k].line);
                return result;
            case FieldResult::TextAfterQuote:
                fault = faultAt(HighScoreProblem::TextAfterQuote, fields[k].line);
                return result;
            case FieldResult::Stopped:
                fault = stopFault(reader);
                return result;
            }
            if (k == 0) {
                const std::optional<qint16> parsed = parseScore(fields[0], fault);
                if (!parsed)
                    return result;
                score = *parsed;
            }
        }
        result.table.setRow(row, HighScoreRow{score, cutToFieldLimit(fields[1].text), cutToFieldLimit(fields[2].text)});
        result.rowsRead = row;
    }
    return result;
}

QByteArray writeHighScores(const HighScoreTable& table)
{
    // Built in one buffer: a score takes at most 8 characters with its line
    // end, and each field 4 more than its text.
    qsizetype length = 0;
    for (int row = 1; row <= HighScoreTable::Rows; ++row)
        length += 8 + 4 + table.row(row).level.size() + 4 + table.row(row).name.size();
    QString text;
    text.reserve(length);
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        const HighScoreRow& content = table.row(row);
        text += QString::number(content.score);
        text += QLatin1String("\r\n");
        appendQuoted(text, content.level);
        appendQuoted(text, content.name);
    }
    return encodeCp932(text);
}
