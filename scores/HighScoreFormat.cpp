#include "scores/HighScoreFormat.h"

#include "platform/Cp932.h"

#include <QStringView>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
bool isSeparator(char c) { return c == ',' || isLineEnd(c); }

// A byte that begins a two-byte character. Its second byte is never a comma,
// a double quote, a space, a tab, CR or LF, so fields are found in the bytes
// before they are decoded.
bool isLeadByte(char c)
{
    const uchar b = uchar(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
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

// Where the first character that does not decode begins; bytes.size() when
// every one does. Each distinct character is judged once in a thread's life,
// so a long text is walked in linear time.
qsizetype firstBadCharacter(QByteArrayView bytes)
{
    if (decode(bytes))
        return bytes.size();
    thread_local std::vector<qint8> verdicts(0x10000);   // by the character's bytes: 1 decodes, -1 does not
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = std::min<qsizetype>(isLeadByte(bytes[i]) ? 2 : 1, bytes.size() - i);
        const int key = length == 2 ? uchar(bytes[i]) << 8 | uchar(bytes[i + 1]) : uchar(bytes[i]);
        if (verdicts[key] == 0)
            verdicts[key] = decode(bytes.sliced(i, length)) ? 1 : -1;
        if (verdicts[key] < 0)
            return i;
        i += length;
    }
    return bytes.size();
}

struct Field {
    QString text;
    bool quoted = false;
    int line = 0;   // where the field begins, or where reading it failed
};

// The fields of bytes, one after the other. The text is the bytes up to the
// read limit (a CR LF across it belongs to it), and up to the first
// character that is not cp932; where it stops before the bytes end, stop_
// says why.
class Reader {
public:
    Reader(QByteArrayView bytes, bool readFailed, qsizetype limit)
        : bytes_(bytes), end_(bytes.size()), stop_(readFailed ? HighScoreProblem::Unreadable : HighScoreProblem::None)
    {
        if (end_ > limit) {
            const bool lineEndAcross = bytes_[limit - 1] == '\r' && bytes_[limit] == '\n';
            end_ = lineEndAcross ? limit + 1 : limit;
            if (!lineEndAcross || bytes_.size() > end_)
                stop_ = HighScoreProblem::TooLong;
        }
        // Where the bytes were cut short, a character cut in two is not
        // text. The byte before the run of lead bytes at the end is no lead
        // byte, so the run pairs up from its start: an odd run leaves its
        // last byte alone.
        if (stop_ != HighScoreProblem::None) {
            qsizetype leads = 0;
            while (leads < end_ && isLeadByte(bytes_[end_ - 1 - leads]))
                ++leads;
            end_ -= leads % 2;
        }
        if (const qsizetype bad = firstBadCharacter(bytes_.first(end_)); bad < end_) {
            end_ = bad;
            stop_ = HighScoreProblem::NotCp932;
        }
    }

    // Reads one field and the separator after it, or says why there is none.
    HighScoreProblem readField(Field& field)
    {
        const bool stopped = stop_ != HighScoreProblem::None;
        // A line end straight after a comma ends an empty field; any other
        // line end here closes a blank line.
        for (skipSpaces(); !afterComma_ && !atEnd() && isLineEnd(bytes_[pos_]); skipSpaces())
            skipLineEnd();
        if (atEnd() && (stopped || !afterComma_))
            return ended(field);
        field.line = line_;
        field.quoted = !atEnd() && bytes_[pos_] == '"';
        if (field.quoted) {
            const qsizetype close = bytes_.first(end_).indexOf('"', pos_ + 1);
            if (close < 0)
                return stopped ? ended(field) : HighScoreProblem::UnclosedQuote;
            const QByteArrayView text = bytes_.sliced(pos_ + 1, close - pos_ - 1);
            field.text = *decode(text);
            line_ += lineEndsIn(text);
            pos_ = close + 1;
            skipSpaces();
        } else {
            const qsizetype start = pos_;
            while (!atEnd() && !isSeparator(bytes_[pos_]))
                ++pos_;
            qsizetype length = pos_;
            while (length > start && isSpace(bytes_[length - 1]))
                --length;
            field.text = *decode(bytes_.sliced(start, length - start));
        }
        if (atEnd() && stopped)
            return ended(field);
        if (!atEnd() && !isSeparator(bytes_[pos_]))
            return HighScoreProblem::TextAfterQuote;
        afterComma_ = !atEnd() && bytes_[pos_] == ',';
        if (afterComma_)
            ++pos_;
        else if (!atEnd())
            skipLineEnd();
        return HighScoreProblem::None;
    }

private:
    bool atEnd() const { return pos_ >= end_; }

    void skipSpaces()
    {
        while (!atEnd() && isSpace(bytes_[pos_]))
            ++pos_;
    }

    void skipLineEnd()
    {
        pos_ += bytes_[pos_] == '\r' && pos_ + 1 < end_ && bytes_[pos_ + 1] == '\n' ? 2 : 1;
        ++line_;
    }

    // A field needs text past where the text ends: why it ends there, at
    // its last line, or too few fields.
    HighScoreProblem ended(Field& field) const
    {
        field.line = stop_ == HighScoreProblem::None ? line_ : 1 + lineEndsIn(bytes_.first(end_));
        return stop_ == HighScoreProblem::None ? HighScoreProblem::TooFewFields : stop_;
    }

    QByteArrayView bytes_;
    qsizetype end_;
    HighScoreProblem stop_;   // None when the text ends where the bytes do
    qsizetype pos_ = 0;
    int line_ = 1;
    bool afterComma_ = false;
};

// The score in a field; nullopt, with the fault, when it holds none.
std::optional<qint16> parseScore(const Field& field, HighScoreFault& fault)
{
    QStringView digits(field.text);
    if (digits.startsWith(u'-'))
        digits = digits.sliced(1);
    const bool whole = !field.quoted && !digits.isEmpty()
        && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    bool fits = false;
    const qlonglong value = whole ? QStringView(field.text).toLongLong(&fits) : 0;
    if (fits && value >= -32768 && value <= 32767)
        return qint16(value);
    fault.kind = HighScoreProblem::BadScore;
    fault.line = field.line;
    fault.score = field.quoted ? u'"' + field.text + u'"' : field.text;
    fault.outOfRange = whole;
    return std::nullopt;
}

// The field between double quotes, and the line end.
QString quotedLine(QString field)
{
    return u'"' + field.replace(u'"', QChar(0xFF02)) + QLatin1String("\"\r\n");
}

} // namespace

QString cutToFieldLimit(const QString& text)
{
    if (text.size() <= HighScoreFieldLimit)
        return text;
    const qsizetype length = text.at(HighScoreFieldLimit - 1).isHighSurrogate() ? HighScoreFieldLimit - 1
                                                                                : HighScoreFieldLimit;
    return text.first(length);
}

// Rows are filled only once all three of their fields are valid, so every
// row from the first problem on keeps its default content.
HighScoreText readHighScores(QByteArrayView bytes, bool readFailed, qint64 readLimit)
{
    Q_ASSERT(readLimit >= 1 && readLimit <= HighScoreReadLimit);
    HighScoreText result;
    Reader reader(bytes.first(std::min<qsizetype>(bytes.size(), readLimit + 2)), readFailed, qsizetype(readLimit));
    Field fields[3];
    std::optional<qint16> score;
    for (int read = 0; read < HighScoreFields; ++read) {
        Field& field = fields[read % 3];
        const HighScoreProblem problem = reader.readField(field);
        if (problem != HighScoreProblem::None) {
            const bool empty = problem == HighScoreProblem::TooFewFields && bytes.isEmpty();
            result.fault.kind = empty ? HighScoreProblem::Empty : problem;
            result.fault.line = field.line;
            result.fault.fieldsRead = problem == HighScoreProblem::TooFewFields ? read : 0;
            return result;
        }
        if (read % 3 == 0 && !(score = parseScore(field, result.fault)))
            return result;
        if (read % 3 == 2) {
            result.rowsRead = read / 3 + 1;
            result.table.setRow(result.rowsRead, {*score, cutToFieldLimit(fields[1].text), cutToFieldLimit(fields[2].text)});
        }
    }
    return result;
}

QByteArray writeHighScores(const HighScoreTable& table)
{
    QString text;
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        const HighScoreRow& content = table.row(row);
        text += QString::number(content.score) + QLatin1String("\r\n") + quotedLine(content.level) + quotedLine(content.name);
    }
    return encodeCp932(text);
}
