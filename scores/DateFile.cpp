#include "scores/DateFile.h"

#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringView>

namespace {

constexpr int FieldsPerRow = 3;
constexpr int FieldCount = HighScoreTable::Rows * FieldsPerRow;

bool IsSpace(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool IsLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

bool IsSeparatorOrEnd(QStringView text, qsizetype pos)
{
    return pos >= text.size() || text[pos] == u',' || IsLineEnd(text[pos]);
}

// Physical lines: CR LF, LF and a lone CR each end one; the first line is 1.
struct Cursor {
    QStringView text;
    qsizetype pos = 0;
    int line = 1;
    bool afterComma = false;
};

void SkipSpaces(Cursor& c)
{
    while (c.pos < c.text.size() && IsSpace(c.text[c.pos]))
        ++c.pos;
}

void SkipLineEnd(Cursor& c)
{
    if (c.text[c.pos] == u'\r' && c.pos + 1 < c.text.size() && c.text[c.pos + 1] == u'\n')
        ++c.pos;
    ++c.pos;
    ++c.line;
}

int LineEndsIn(QStringView text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            ++count;
    }
    return count;
}

struct Field {
    QString text;
    bool quoted = false;
    int line = 0;   // where the field begins
};

enum class FieldResult { Read, EndOfData, UnclosedQuote, TextAfterQuote };

// Reads one field and the separator after it.
FieldResult ReadField(Cursor& c, Field& field)
{
    for (;;) {
        SkipSpaces(c);
        // A line end straight after a comma ends an empty field; any other
        // line end here closes a blank line.
        if (c.afterComma || c.pos >= c.text.size() || !IsLineEnd(c.text[c.pos]))
            break;
        SkipLineEnd(c);
    }
    if (c.pos >= c.text.size() && !c.afterComma)
        return FieldResult::EndOfData;

    field.line = c.line;
    field.quoted = c.pos < c.text.size() && c.text[c.pos] == u'"';
    if (field.quoted) {
        const qsizetype close = c.text.indexOf(u'"', c.pos + 1);
        if (close < 0)
            return FieldResult::UnclosedQuote;
        const QStringView value = c.text.sliced(c.pos + 1, close - c.pos - 1);
        field.text = value.toString();
        c.line += LineEndsIn(value);
        c.pos = close + 1;
        SkipSpaces(c);
        if (!IsSeparatorOrEnd(c.text, c.pos))
            return FieldResult::TextAfterQuote;
    } else {
        const qsizetype start = c.pos;
        while (!IsSeparatorOrEnd(c.text, c.pos))
            ++c.pos;
        qsizetype end = c.pos;
        while (end > start && IsSpace(c.text[end - 1]))
            --end;
        field.text = c.text.sliced(start, end - start).toString();
    }

    c.afterComma = c.pos < c.text.size() && c.text[c.pos] == u',';
    if (c.afterComma)
        ++c.pos;
    else if (c.pos < c.text.size())
        SkipLineEnd(c);
    return FieldResult::Read;
}

enum class ScoreResult { Valid, NotWholeNumber, OutOfRange };

ScoreResult ParseScore(const Field& field, qint16& score)
{
    if (field.quoted)
        return ScoreResult::NotWholeNumber;
    QStringView digits(field.text);
    if (digits.startsWith(u'-'))
        digits = digits.sliced(1);
    if (digits.isEmpty())
        return ScoreResult::NotWholeNumber;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return ScoreResult::NotWholeNumber;
    }
    bool fits = false;
    const qlonglong value = QStringView(field.text).toLongLong(&fits);
    if (!fits || value < -32768 || value > 32767)
        return ScoreResult::OutOfRange;
    score = qint16(value);
    return ScoreResult::Valid;
}

void SetProblem(HighScoreLoad& load, int line, const QString& sentence)
{
    load.damaged = true;
    load.problemLine = line;
    load.problem = sentence;
}

// Rows are filled only once all three of their fields are valid, so every
// row from the first problem on keeps its default content. ranOut tells
// whether the problem is that the text ended (inside a quoted field or
// before the 30th field).
HighScoreLoad ParseText(QStringView text, bool* ranOut)
{
    HighScoreLoad load;
    load.existed = true;
    Cursor cursor{text};
    Field fields[FieldsPerRow];
    *ranOut = false;

    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        qint16 score = 0;
        for (int k = 0; k < FieldsPerRow; ++k) {
            Field& field = fields[k];
            switch (ReadField(cursor, field)) {
            case FieldResult::Read:
                break;
            case FieldResult::EndOfData:
                *ranOut = true;
                SetProblem(load, cursor.line,
                           QStringLiteral("%1 行目でファイルが終わっています。%2 個の項目が必要ですが、%3 個しかありません。")
                               .arg(cursor.line).arg(FieldCount).arg((row - 1) * FieldsPerRow + k));
                return load;
            case FieldResult::UnclosedQuote:
                *ranOut = true;
                SetProblem(load, field.line,
                           QStringLiteral("%1 行目の二重引用符 (\") が閉じられていません。").arg(field.line));
                return load;
            case FieldResult::TextAfterQuote:
                SetProblem(load, field.line,
                           QStringLiteral("%1 行目で、二重引用符 (\") で囲まれた値の後に余分な文字があります。")
                               .arg(field.line));
                return load;
            }
            if (k != 0)
                continue;
            switch (ParseScore(field, score)) {
            case ScoreResult::Valid:
                break;
            case ScoreResult::NotWholeNumber:
                SetProblem(load, field.line,
                           QStringLiteral("%1 行目の得点「%2」が整数ではありません。")
                               .arg(field.line).arg(field.quoted ? u'"' + field.text + u'"' : field.text));
                return load;
            case ScoreResult::OutOfRange:
                SetProblem(load, field.line,
                           QStringLiteral("%1 行目の得点「%2」が -32768 から 32767 の範囲を外れています。")
                               .arg(field.line).arg(field.text));
                return load;
            }
        }
        load.table.SetRow(row, HighScoreRow{score, fields[1].text, fields[2].text});
        load.rowsRead = row;
    }
    return load;
}

// The byte offset where the first line that is not valid cp932 begins, and
// its number. Lines split at CR and LF, which are never part of a two-byte
// character.
qsizetype FirstUndecodableLine(const QByteArray& bytes, int* line)
{
    qsizetype start = 0;
    for (*line = 1; start < bytes.size(); ++*line) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        if (!DecodeCp932(bytes.sliced(start, end - start)))
            return start;
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    *line = 1;
    return 0;
}

QString Quoted(const QString& text)
{
    QString value = text;
    value.replace(u'"', QChar(0xFF02));
    return u'"' + value + u'"';
}

QString SaveFailureReason(const QString& path, const QSaveFile& file, bool opened)
{
    const QFileInfo target(path);
    QString reason;
    if (target.isDir()) {
        reason = QStringLiteral("同じ名前のフォルダがあるため、ファイルを書けません。");
    } else if (!QFileInfo(target.absolutePath()).isDir()) {
        reason = QStringLiteral("保存先のフォルダ %1 が見つかりません。")
                     .arg(QDir::toNativeSeparators(target.absolutePath()));
    } else if (!opened) {
        reason = QStringLiteral("保存先のフォルダかファイルが読み取り専用で、書き込めません。");
    } else {
        reason = QStringLiteral("書き込みの途中で失敗しました。ディスクの空きが足りないおそれがあります。");
    }
    if (!file.errorString().isEmpty())
        reason += QStringLiteral("（%1）").arg(file.errorString());
    return reason;
}

} // namespace

HighScoreLoad ReadHighScores(const QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        HighScoreLoad load;
        load.existed = true;
        SetProblem(load, 1, QStringLiteral("ファイルが空です (0 バイト)。"));
        return load;
    }

    bool ranOut = false;
    if (const std::optional<QString> text = DecodeCp932(bytes))
        return ParseText(*text, &ranOut);

    // Read what comes before the first bad line. Bad bytes past the 30th
    // field are never looked at, like any text there; a problem found
    // earlier in the text is the one to report.
    int badLine = 1;
    const QByteArray readable = bytes.left(FirstUndecodableLine(bytes, &badLine));
    HighScoreLoad load = ParseText(DecodeCp932(readable).value_or(QString()), &ranOut);
    if (ranOut) {
        SetProblem(load, badLine,
                   QStringLiteral("%1 行目に、Shift_JIS (cp932) の文字として読めないバイトがあります。").arg(badLine));
    }
    return load;
}

QByteArray WriteHighScores(const HighScoreTable& table)
{
    const QLatin1String lineEnd("\r\n");
    QString text;
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        const HighScoreRow& content = table.Row(row);
        text += QString::number(content.score) + lineEnd;
        text += Quoted(content.level) + lineEnd;
        text += Quoted(content.name) + lineEnd;
    }
    return EncodeCp932(text);
}

HighScoreLoad LoadHighScoresFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return HighScoreLoad{};

    HighScoreLoad load;
    load.existed = true;
    if (info.isDir()) {
        SetProblem(load, 0, QStringLiteral("ファイルではなくフォルダです。"));
        return load;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SetProblem(load, 0, QStringLiteral("ファイルを開けませんでした（%1）。").arg(file.errorString()));
        return load;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        SetProblem(load, 0, QStringLiteral("ファイルを読み込めませんでした（%1）。").arg(file.errorString()));
        return load;
    }
    return ReadHighScores(bytes);
}

QString KeepDamagedCopy(const QString& path)
{
    const QString base = path + QStringLiteral(".damaged");
    for (int number = 0; number < 10000; ++number) {
        const QString candidate = number == 0 ? base : base + u'.' + QString::number(number);
        const QFileInfo taken(candidate);
        if (taken.exists() || taken.isSymLink())
            continue;
        return QFile::copy(path, candidate) ? candidate : QString();
    }
    return QString();
}

bool SaveHighScoresFile(const QString& path, const HighScoreTable& table, QString* reason)
{
    const QByteArray bytes = WriteHighScores(table);
    QSaveFile file(path);
    // Without the direct-write fallback a file that cannot be replaced by a
    // rename is reported instead of being rewritten in place.
    file.setDirectWriteFallback(false);
    const bool opened = file.open(QIODevice::WriteOnly);
    // The explicit flush matters: Qt 6.4's commit() does not notice a write
    // error that only shows when its buffer is flushed (a full disk), and
    // would rename the short temporary file over the previous one.
    const bool saved = opened && file.write(bytes) == bytes.size() && file.flush() && file.commit();
    if (!saved && reason)
        *reason = SaveFailureReason(path, file, opened);
    if (!saved && opened)
        file.cancelWriting();
    return saved;
}

QString DamagedFileMessage(const QString& path, const QString& problem, const QString& copyPath)
{
    QString text = QStringLiteral("ハイスコアのファイルを最後まで読めませんでした。\n%1\n%2\n\n"
                                  "読めた順位の記録はそのまま使い、残りの順位は初期の記録にしました。\n")
                       .arg(QDir::toNativeSeparators(path), problem);
    if (copyPath.isEmpty()) {
        text += QStringLiteral("元のファイルの控えを作れませんでした。ゲームを終了すると上書きされるので、"
                               "必要なら先にこのファイルを別の場所へ写してください。");
    } else {
        text += QStringLiteral("元のファイルは次の名前で残してあります。\n%1").arg(QDir::toNativeSeparators(copyPath));
    }
    return text;
}

QString SaveFailedMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("ハイスコアを保存できませんでした。\n%1\n%2\n\n"
                          "前に保存したファイルは変更していません。\n"
                          "「再試行」でもう一度保存します。「キャンセル」を選ぶと、今回の記録は保存されません。")
        .arg(QDir::toNativeSeparators(path), reason);
}
