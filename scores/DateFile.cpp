#include "scores/DateFile.h"

#include "platform/Cp932.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringView>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int FieldsPerRow = 3;
constexpr int FieldCount = HighScoreTable::Rows * FieldsPerRow;
constexpr qsizetype CopyBlockBytes = 64 * 1024;
constexpr qsizetype QuotedChars = 40;   // of a bad field, in a message

bool IsSpace(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool IsLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

bool IsLeadByte(char c)
{
    const uchar b = uchar(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

int LineEndsIn(QByteArrayView bytes)
{
    int count = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++count;
    }
    return count;
}

// Offsets just past each character of bytes, which begin with a character.
std::vector<qsizetype> CharacterEndsOf(QByteArrayView bytes)
{
    std::vector<qsizetype> ends;
    for (qsizetype i = 0; i < bytes.size(); i += IsLeadByte(bytes[i]) ? 2 : 1)
        ends.push_back(std::min(i + (IsLeadByte(bytes[i]) ? 2 : 1), bytes.size()));
    return ends;
}

// The device's text, decoded a piece at a time as the parser asks for it.
// A piece ends at a line end where the next pieceBytes hold one (never
// between CR and LF, and CR and LF are never part of a two-byte character),
// else between two characters. A piece that is not cp932 is handed over up
// to its first bad character; nothing comes after it. So what is handed
// over does not depend on the size of the pieces.
class TextSource {
public:
    enum class Stop { None, End, NotCp932, TooLong, ReadError };

    TextSource(QIODevice& device, qsizetype pieceBytes)
        : device_(device), pieceBytes_(std::max<qsizetype>(pieceBytes, 2))
    {
    }

    // Appends the next piece to text; false when there is none, and stop()
    // says why.
    bool Append(QString& text);
    Stop stop() const { return stop_; }
    bool nothingRead() const { return delivered_ == 0; }
    int badLine() const { return linesDone_ + 1; }   // where the stop is

private:
    bool fill(qsizetype wanted);

    QIODevice& device_;
    const qsizetype pieceBytes_;
    QByteArray buffer_;           // read but not handed over yet
    bool ended_ = false;
    qint64 delivered_ = 0;        // bytes handed over
    int linesDone_ = 0;           // line ends handed over
    Stop stop_ = Stop::None;
};

bool TextSource::fill(qsizetype wanted)
{
    while (buffer_.size() < wanted && !ended_) {
        const qsizetype had = buffer_.size();
        buffer_.resize(wanted);
        const qint64 got = device_.read(buffer_.data() + had, wanted - had);
        buffer_.resize(had + std::max<qint64>(got, 0));
        if (got < 0)
            return false;
        ended_ = got == 0;
    }
    return true;
}

bool TextSource::Append(QString& text)
{
    if (stop_ != Stop::None)
        return false;
    if (!fill(pieceBytes_ + 1)) {
        stop_ = Stop::ReadError;
        return false;
    }
    if (buffer_.isEmpty()) {
        stop_ = Stop::End;
        return false;
    }
    const qint64 allowed = HighScoreReadLimit - delivered_;
    const qsizetype window = qsizetype(std::min<qint64>({buffer_.size(), pieceBytes_, allowed}));
    const char* bytes = buffer_.constData();
    qsizetype cut = window;
    if (window < buffer_.size()) {
        qsizetype last = window - 1;
        while (last >= 0 && bytes[last] != '\r' && bytes[last] != '\n')
            --last;
        if (last >= 0) {
            cut = last + 1;
            if (bytes[last] == '\r' && bytes[cut] == '\n')
                ++cut;
        } else {
            cut = 0;
            for (qsizetype next = 0; next <= window; next += IsLeadByte(bytes[next]) ? 2 : 1)
                cut = next;
        }
    }
    if (cut <= 0) {
        stop_ = Stop::TooLong;
        return false;
    }

    const QByteArrayView piece(bytes, cut);
    std::optional<QString> decoded = decodeCp932(piece.toByteArray());
    qsizetype good = cut;
    if (!decoded) {
        // The longest run of characters that decodes: a run is valid exactly
        // when each of its characters is.
        const std::vector<qsizetype> ends = CharacterEndsOf(piece);
        std::size_t low = 0, high = ends.size();   // characters 1..low are good; character high + 1 is bad
        while (low < high) {
            const std::size_t mid = (low + high + 1) / 2;
            if (decodeCp932(piece.first(ends[mid - 1]).toByteArray()))
                low = mid;
            else
                high = mid - 1;
        }
        good = low == 0 ? 0 : ends[low - 1];
        decoded = decodeCp932(piece.first(good).toByteArray());
        stop_ = Stop::NotCp932;
    }
    linesDone_ += LineEndsIn(piece.first(good));
    delivered_ += good;
    buffer_.remove(0, good);
    if (good == 0)
        return false;
    text += *decoded;
    return true;
}

// Physical lines: CR LF, LF and a lone CR each end one; the first line is 1.
struct Cursor {
    TextSource& source;
    QString text;   // all that was handed over so far
    qsizetype pos = 0;
    int line = 1;
    bool afterComma = false;
};

// Whether the text reaches pos, asking for more when needed.
bool Has(Cursor& c, qsizetype pos)
{
    while (pos >= c.text.size()) {
        if (!c.source.Append(c.text))
            return false;
    }
    return true;
}

bool AtEnd(Cursor& c)
{
    return !Has(c, c.pos);
}

// At the end of the text, whether it ends because reading stopped early.
bool CutShort(const Cursor& c)
{
    return c.source.stop() != TextSource::Stop::End;
}

void SkipSpaces(Cursor& c)
{
    while (Has(c, c.pos) && IsSpace(c.text[c.pos]))
        ++c.pos;
}

// A piece never ends between CR and LF, so a CR at the end of the text is a
// line end on its own and nothing more is read to tell.
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

// CutShort: reading stopped (bad bytes, the size limit, an error) before the
// field was whole, so it is not trusted.
enum class FieldResult { Read, EndOfData, UnclosedQuote, TextAfterQuote, CutShort };

// Reads one field and the separator after it.
FieldResult ReadField(Cursor& c, Field& field)
{
    for (;;) {
        SkipSpaces(c);
        // A line end straight after a comma ends an empty field; any other
        // line end here closes a blank line.
        if (c.afterComma || AtEnd(c) || !IsLineEnd(c.text[c.pos]))
            break;
        SkipLineEnd(c);
    }
    if (AtEnd(c)) {
        if (CutShort(c))
            return FieldResult::CutShort;
        if (!c.afterComma)
            return FieldResult::EndOfData;
    }

    field.line = c.line;
    field.quoted = c.pos < c.text.size() && c.text[c.pos] == u'"';
    if (field.quoted) {
        qsizetype close = -1;
        for (qsizetype from = c.pos + 1; (close = c.text.indexOf(u'"', from)) < 0;) {
            from = c.text.size();
            if (!c.source.Append(c.text))
                return CutShort(c) ? FieldResult::CutShort : FieldResult::UnclosedQuote;
        }
        const QStringView value = QStringView(c.text).sliced(c.pos + 1, close - c.pos - 1);
        field.text = value.toString();
        c.line += LineEndsIn(value);
        c.pos = close + 1;
        SkipSpaces(c);
        if (AtEnd(c)) {
            if (CutShort(c))
                return FieldResult::CutShort;
        } else if (c.text[c.pos] != u',' && !IsLineEnd(c.text[c.pos])) {
            return FieldResult::TextAfterQuote;
        }
    } else {
        const qsizetype start = c.pos;
        while (!AtEnd(c) && c.text[c.pos] != u',' && !IsLineEnd(c.text[c.pos]))
            ++c.pos;
        if (c.pos >= c.text.size() && CutShort(c))
            return FieldResult::CutShort;
        qsizetype end = c.pos;
        while (end > start && IsSpace(c.text[end - 1]))
            --end;
        field.text = c.text.sliced(start, end - start);
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

// A field as a message shows it: at most QuotedChars characters, then "…".
QString Excerpt(const QString& text)
{
    if (text.size() <= QuotedChars)
        return text;
    const qsizetype keep = text.at(QuotedChars - 1).isHighSurrogate() ? QuotedChars - 1 : QuotedChars;
    return text.first(keep) + QChar(0x2026);
}

void SetProblem(HighScoreLoad& load, HighScoreProblem kind, int line, const QString& sentence)
{
    load.damaged = true;
    load.problemKind = kind;
    load.problemLine = line;
    load.problem = sentence;
}

void SetCutShort(HighScoreLoad& load, const TextSource& source)
{
    const int line = source.badLine();
    switch (source.stop()) {
    case TextSource::Stop::NotCp932:
        SetProblem(load, HighScoreProblem::NotCp932, line,
                   QStringLiteral("%1 行目に、Shift_JIS (cp932) の文字として読めないバイトがあります。").arg(line));
        break;
    case TextSource::Stop::TooLong:
        SetProblem(load, HighScoreProblem::TooLong, line,
                   QStringLiteral("先頭から %1 MiB (%2 行目) まで読んでも、%3 個の項目がそろいません。")
                       .arg(HighScoreReadLimit / (1024 * 1024)).arg(line).arg(FieldCount));
        break;
    default:
        SetProblem(load, HighScoreProblem::Unreadable, line,
                   QStringLiteral("%1 行目のあたりで、ファイルの読み込みに失敗しました。").arg(line));
        break;
    }
}

// Rows are filled only once all three of their fields are valid, so every
// row from the first problem on keeps its default content.
HighScoreLoad Parse(TextSource& source)
{
    HighScoreLoad load;
    load.existed = true;
    Cursor cursor{source, QString(), 0, 1, false};
    Field fields[FieldsPerRow];

    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        qint16 score = 0;
        for (int k = 0; k < FieldsPerRow; ++k) {
            Field& field = fields[k];
            switch (ReadField(cursor, field)) {
            case FieldResult::Read:
                break;
            case FieldResult::EndOfData:
                if (source.nothingRead()) {
                    SetProblem(load, HighScoreProblem::Empty, 1, QStringLiteral("ファイルが空です (0 バイト)。"));
                    return load;
                }
                SetProblem(load, HighScoreProblem::TooFewFields, cursor.line,
                           QStringLiteral("%1 行目でファイルが終わっています。%2 個の項目が必要ですが、%3 個しかありません。")
                               .arg(cursor.line).arg(FieldCount).arg((row - 1) * FieldsPerRow + k));
                return load;
            case FieldResult::UnclosedQuote:
                SetProblem(load, HighScoreProblem::UnclosedQuote, field.line,
                           QStringLiteral("%1 行目の二重引用符 (\") が閉じられていません。").arg(field.line));
                return load;
            case FieldResult::TextAfterQuote:
                SetProblem(load, HighScoreProblem::TextAfterQuote, field.line,
                           QStringLiteral("%1 行目で、二重引用符 (\") で囲まれた値の後に余分な文字があります。")
                               .arg(field.line));
                return load;
            case FieldResult::CutShort:
                SetCutShort(load, source);
                return load;
            }
            if (k != 0)
                continue;
            switch (ParseScore(field, score)) {
            case ScoreResult::Valid:
                break;
            case ScoreResult::NotWholeNumber: {
                const QString shown = Excerpt(field.text);
                SetProblem(load, HighScoreProblem::BadScore, field.line,
                           QStringLiteral("%1 行目の得点「%2」が整数ではありません。")
                               .arg(field.line).arg(field.quoted ? u'"' + shown + u'"' : shown));
                return load;
            }
            case ScoreResult::OutOfRange:
                SetProblem(load, HighScoreProblem::BadScore, field.line,
                           QStringLiteral("%1 行目の得点「%2」が -32768 から 32767 の範囲を外れています。")
                               .arg(field.line).arg(Excerpt(field.text)));
                return load;
            }
        }
        load.table.setRow(row, HighScoreRow{score, fields[1].text, fields[2].text});
        load.rowsRead = row;
    }
    return load;
}

QString Quoted(const QString& text)
{
    QString value = text;
    value.replace(u'"', QChar(0xFF02));
    return u'"' + value + u'"';
}

// A descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, so that an error of the close itself can be seen.
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// Opens for reading without waiting: opening a FIFO with no writer or a
// device must never block start-up.
int OpenForReading(const QByteArray& name)
{
    return ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

// The common causes in the player's words, the system's own text otherwise.
QString ErrorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("権限がありません");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空きが足りません");
    case ENOENT:
        return QStringLiteral("見つかりません");
    case EROFS:
        return QStringLiteral("読み取り専用のディスクです");
    default:
        return qt_error_string(error);
    }
}

QString NotAFileSentence(mode_t mode)
{
    QString what = QStringLiteral("特殊なファイル");
    if (S_ISDIR(mode))
        what = QStringLiteral("フォルダ");
    else if (S_ISFIFO(mode))
        what = QStringLiteral("名前付きパイプ (FIFO)");
    else if (S_ISCHR(mode) || S_ISBLK(mode))
        what = QStringLiteral("デバイス");
    else if (S_ISSOCK(mode))
        what = QStringLiteral("ソケット");
    return QStringLiteral("ファイルではなく%1です。").arg(what);
}

bool WriteAllTo(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

qint64 ReadSome(int fd, char* data, qint64 size, off_t at)
{
    for (;;) {
        const ssize_t got = ::pread(fd, data, size_t(size), at);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

// Whether the regular file open as fd (described by info) holds the same
// bytes as the regular file at other.
bool SameBytes(int fd, const struct stat& info, const QByteArray& other)
{
    const Descriptor copy(OpenForReading(other));
    struct stat copyInfo {};
    if (!copy.valid() || ::fstat(copy.get(), &copyInfo) != 0 || !S_ISREG(copyInfo.st_mode))
        return false;
    if (copyInfo.st_dev == info.st_dev && copyInfo.st_ino == info.st_ino)
        return true;
    if (copyInfo.st_size != info.st_size)
        return false;
    QByteArray a(CopyBlockBytes, Qt::Uninitialized), b(CopyBlockBytes, Qt::Uninitialized);
    for (off_t at = 0;; at += CopyBlockBytes) {
        const qint64 gotA = ReadSome(fd, a.data(), CopyBlockBytes, at);
        const qint64 gotB = ReadSome(copy.get(), b.data(), CopyBlockBytes, at);
        if (gotA != gotB || gotA < 0 || std::memcmp(a.constData(), b.constData(), size_t(gotA)) != 0)
            return false;
        if (gotA == 0)
            return true;
    }
}

// A copy of the file open as fd at the free name target, byte by byte.
bool CopyBytes(int fd, const QByteArray& target)
{
    Descriptor out(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!out.valid())
        return false;
    QByteArray block(CopyBlockBytes, Qt::Uninitialized);
    bool copied = true;
    for (off_t at = 0;; at += CopyBlockBytes) {
        const qint64 got = ReadSome(fd, block.data(), CopyBlockBytes, at);
        if (got < 0 || (got > 0 && !WriteAllTo(out.get(), block.constData(), got))) {
            copied = false;
            break;
        }
        if (got == 0)
            break;
    }
    copied = copied && ::fsync(out.get()) == 0;
    copied = out.Close() && copied;
    if (!copied)
        ::unlink(target.constData());
    return copied;
}

QString FolderOf(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absolutePath());
}

// Flushes the folder's list of names, so a rename in it lasts a power cut.
void SyncFolder(const QString& path)
{
    const Descriptor folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());
}

// Temporary files are named after the file they replace:
// "date.dat.<12 hexadecimal digits>.tmp".
QString TemporaryName(const QString& path)
{
    const quint64 random = QRandomGenerator::system()->generate64() & 0xFFFFFFFFFFFFull;
    return path + u'.' + QStringLiteral("%1").arg(random, 12, 16, QLatin1Char('0')) + QStringLiteral(".tmp");
}

// Removes what saves that were killed left behind. Saves of one file are
// serialised by the caller, so any such file here is a leftover.
void RemoveLeftovers(const QString& path)
{
    const QFileInfo target(path);
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(target.fileName()) + QStringLiteral("\\.[0-9a-f]{12}\\.tmp")));
    const QDir folder = target.absoluteDir();
    for (const QString& name : folder.entryList({target.fileName() + QStringLiteral(".*.tmp")},
                                                QDir::Files | QDir::Hidden | QDir::System)) {
        struct stat info {};
        const QByteArray leftover = QFile::encodeName(folder.filePath(name));
        if (pattern.match(name).hasMatch() && ::lstat(leftover.constData(), &info) == 0 && S_ISREG(info.st_mode))
            ::unlink(leftover.constData());
    }
}

// The reason a temporary file could not be made in the folder.
QString CreateFailure(const QString& path, int error)
{
    const QString folder = FolderOf(path);
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("保存先のフォルダ %1 に書き込む権限がありません。").arg(folder);
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("保存先のフォルダ %1 が見つかりません。").arg(folder);
    case EROFS:
        return QStringLiteral("保存先のフォルダ %1 は読み取り専用のディスクにあります。").arg(folder);
    default:
        return QStringLiteral("保存先のフォルダ %1 にファイルを作れませんでした（%2）。").arg(folder, ErrorText(error));
    }
}

QString WriteFailure(int error)
{
    return QStringLiteral("書き込みの途中で失敗しました（%1）。").arg(ErrorText(error));
}

const QString Unchanged = QStringLiteral("\n前に保存したファイルは変更していません。");

// Rewrites the regular file at path where it is, for a folder that cannot
// take a new file. Only a file with one name: writing into it changes every
// name it has, such as a kept damaged copy. The new bytes go over the old
// ones before the length is cut, so that no step needs room the file did not
// already have when the new table is no longer than the old.
bool SaveInPlace(const QByteArray& name, const QByteArray& bytes, QString* why)
{
    Descriptor file(::open(name.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1)
        return false;
    const bool saved = WriteAllTo(file.get(), bytes.constData(), bytes.size())
        && ::ftruncate(file.get(), off_t(bytes.size())) == 0 && ::fsync(file.get()) == 0;
    const int error = errno;
    if (!file.Close() || !saved) {
        *why = WriteFailure(saved ? errno : error)
            + QStringLiteral("\nファイルは途中まで書き換わっているおそれがあります。");
        return false;
    }
    return true;
}

bool save(const QString& path, const QByteArray& bytes, QString* why)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat old {};
    const bool exists = ::lstat(name.constData(), &old) == 0;
    const bool replacesFile = exists && S_ISREG(old.st_mode);
    if (exists && S_ISDIR(old.st_mode)) {
        *why = QStringLiteral("同じ名前のフォルダがあるため、ファイルを書けません。") + Unchanged;
        return false;
    }

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 10 && fd < 0; ++attempt) {
        temporary = QFile::encodeName(TemporaryName(path));
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    Descriptor file(fd);
    if (!file.valid()) {
        const int error = errno;
        if ((error == EACCES || error == EPERM) && replacesFile) {
            QString inPlace;
            if (SaveInPlace(name, bytes, &inPlace))
                return true;
            if (!inPlace.isEmpty()) {
                *why = inPlace;
                return false;
            }
        }
        *why = CreateFailure(path, error) + Unchanged;
        return false;
    }

    if (replacesFile) {
        // Root saving a player's file leaves it the player's; others cannot
        // give a file away, and the new file is then theirs.
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            && ::fchown(file.get(), old.st_uid, old.st_gid) != 0) {
            // Not allowed to give it away: the new file stays the saver's.
        }
    }
    bool written = WriteAllTo(file.get(), bytes.constData(), bytes.size())
        && (!replacesFile || ::fchmod(file.get(), old.st_mode & 07777) == 0) && ::fsync(file.get()) == 0;
    int error = errno;
    if (!file.Close() && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.constData());
        *why = WriteFailure(error) + Unchanged;
        return false;
    }
    if (::rename(temporary.constData(), name.constData()) != 0) {
        error = errno;
        ::unlink(temporary.constData());
        *why = (error == EISDIR ? QStringLiteral("同じ名前のフォルダがあるため、ファイルを書けません。")
                                : QStringLiteral("ファイルを置き換えられませんでした（%1）。").arg(ErrorText(error)))
            + Unchanged;
        return false;
    }
    SyncFolder(path);
    RemoveLeftovers(path);
    return true;
}

} // namespace

HighScoreLoad ReadHighScores(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadHighScores(buffer);
}

HighScoreLoad ReadHighScores(QIODevice& device, qsizetype pieceBytes)
{
    TextSource source(device, pieceBytes);
    return Parse(source);
}

QByteArray WriteHighScores(const HighScoreTable& table)
{
    const QLatin1String lineEnd("\r\n");
    QString text;
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        const HighScoreRow& content = table.row(row);
        text += QString::number(content.score) + lineEnd;
        text += Quoted(content.level) + lineEnd;
        text += Quoted(content.name) + lineEnd;
    }
    return encodeCp932(text);
}

HighScoreLoad LoadHighScoresFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    HighScoreLoad load;
    load.existed = true;
    // Looked at before opening, so that no device is opened at all; looked
    // at again once open, in case the name changed in between.
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return HighScoreLoad{};
        SetProblem(load, HighScoreProblem::Unreadable, 0,
                   QStringLiteral("ファイルを調べられませんでした（%1）。").arg(ErrorText(errno)));
        return load;
    }
    Descriptor fd(S_ISREG(info.st_mode) ? OpenForReading(name) : -1);
    if (S_ISREG(info.st_mode) && !fd.valid()) {
        SetProblem(load, HighScoreProblem::Unreadable, 0,
                   QStringLiteral("ファイルを開けませんでした（%1）。").arg(ErrorText(errno)));
        return load;
    }
    if (!S_ISREG(info.st_mode) || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        SetProblem(load, HighScoreProblem::NotAFile, 0, NotAFileSentence(info.st_mode));
        return load;
    }
    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly)) {
        SetProblem(load, HighScoreProblem::Unreadable, 0, QStringLiteral("ファイルを開けませんでした。"));
        return load;
    }
    return ReadHighScores(file);
}

QString KeepDamagedCopy(const QString& path)
{
    const Descriptor source(OpenForReading(QFile::encodeName(path)));
    struct stat info {};
    if (!source.valid() || ::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return QString();
    const QByteArray opened = "/proc/self/fd/" + QByteArray::number(source.get());
    const QString base = path + QStringLiteral(".damaged");
    for (int number = 0; number < 10000; ++number) {
        const QString candidate = number == 0 ? base : base + u'.' + QString::number(number);
        const QByteArray target = QFile::encodeName(candidate);
        struct stat taken {};
        if (::lstat(target.constData(), &taken) == 0) {
            if (S_ISREG(taken.st_mode) && SameBytes(source.get(), info, target))
                return candidate;
            continue;
        }
        if (errno != ENOENT)
            return QString();
        // A second name for the very file that was opened, made through its
        // descriptor so that the name at path cannot change under it.
        if (::linkat(AT_FDCWD, opened.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) == 0)
            return candidate;
        if (errno == EEXIST)
            continue;
        return CopyBytes(source.get(), target) ? candidate : QString();
    }
    return QString();
}

bool SaveHighScoresFile(const QString& path, const HighScoreTable& table, QString* reason)
{
    QString why;
    const bool saved = save(path, WriteHighScores(table), &why);
    if (!saved && reason)
        *reason = why;
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

QString NotAFileMessage(const QString& path, const QString& problem)
{
    return QStringLiteral("ハイスコアのファイルを読めませんでした。\n%1\n%2\n\n"
                          "記録は初期の状態から始めます。保存するときに、この名前で新しいファイルを作ります。")
        .arg(QDir::toNativeSeparators(path), problem);
}

QString SaveFailedMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("ハイスコアを保存できませんでした。\n%1\n%2\n\n"
                          "「再試行」でもう一度保存します。「キャンセル」を選ぶと、今は保存しません。\n"
                          "ゲームの終了のときにキャンセルすると、今回の記録は保存されません。")
        .arg(QDir::toNativeSeparators(path), reason);
}
