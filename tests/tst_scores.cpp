#include "platform/CheckedMath.h"
#include "platform/Cp932.h"
#include "scores/DamagedCopy.h"
#include "scores/DataPath.h"
#include "scores/FileMessages.h"
#include "scores/HighScoreFile.h"
#include "scores/HighScoreTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(HighScoreTable)

namespace {

// The 35 bytes of one default row as written.
const QByteArray DefaultGroup("-9999\r\n"
                              "\"\x88\xd5\x82\xb5\x82\xa2\"\r\n"
                              "\"\x96\xbc\x96\xb3\x82\xb5\x82\xcc\x8c\xa0\x95\xba\x89\x71\"\r\n");

QStringList RowsOf(const HighScoreTable& table)
{
    QStringList rows;
    for (int row = 1; row <= HighScoreTable::Rows; ++row)
        rows << QStringLiteral("%1|%2|%3").arg(table.row(row).score).arg(table.row(row).level, table.row(row).name);
    return rows;
}

// Rows that can be told apart: label "L<row>", name "N<row>".
HighScoreTable TableOf(const QList<int>& scores)
{
    HighScoreTable table;
    for (int row = 1; row <= HighScoreTable::Rows; ++row)
        table.setRow(row, {qint16(scores.at(row - 1)), QStringLiteral("L%1").arg(row), QStringLiteral("N%1").arg(row)});
    return table;
}

// Extreme, zero and negative scores, an empty name, a name with a comma and spaces.
HighScoreTable Sample()
{
    HighScoreTable table;
    const int scores[] = {32767, 1200, 300, 30, 0, -5, -30, -9999, -9999, -32768};
    const QString levels[] = {QStringLiteral("難しい"), QStringLiteral("普通"), QStringLiteral("易しい")};
    const QString names[] = {QStringLiteral("ぴょこ"), QString(), QStringLiteral("a, b  c"), QStringLiteral("山田")};
    for (int row = 1; row <= HighScoreTable::Rows; ++row)
        table.setRow(row, {qint16(scores[row - 1]), levels[row % 3], names[row % 4]});
    return table;
}

// One row per application of rowFormat (%1 score, %2 label, %3 name).
QByteArray FileFrom(const HighScoreTable& table, const char* rowFormat, const QByteArray& tail = {})
{
    QString text;
    for (int row = 1; row <= HighScoreTable::Rows; ++row)
        text += QString::fromLatin1(rowFormat).arg(table.row(row).score).arg(table.row(row).level, table.row(row).name);
    return encodeCp932(text) + tail;
}

QByteArray SampleLines(int count)
{
    return writeHighScores(Sample()).split('\n').mid(0, count).join('\n') + '\n';
}

QByteArray SampleWithLine(int line, const QByteArray& replacement)
{
    QByteArrayList lines = writeHighScores(Sample()).split('\n');
    lines[line - 1] = replacement + '\r';
    return lines.join('\n');
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

struct stat LinkStat(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        info.st_mode = 0;
    return info;
}

// No Latin letters once the folder's path is taken out: the system's
// English texts stay out of the common messages.
bool JapaneseOnly(QString text, const QString& folder)
{
    text.remove(QDir::toNativeSeparators(folder));
    return !text.contains(QRegularExpression(QStringLiteral("[A-Za-z]")));
}

// Runs step as an ordinary user, to whom permissions apply: in a child
// process that gives up root first when the tests run as root. Returns the
// step's result.
bool AsOrdinaryUser(const std::function<bool()>& step)
{
    if (::geteuid() != 0)
        return step();
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && step() ? 0 : 1);
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

class TestScores : public QObject {
    Q_OBJECT

private slots:
    void encodeCp932_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QStringLiteral("Ab 1,") << QByteArray("Ab 1,");
        QTest::newRow("kana and kanji") << QStringLiteral("易しい") << QByteArray("\x88\xd5\x82\xb5\x82\xa2");
        QTest::newRow("half-width kana") << QStringLiteral("ｱｲ") << QByteArray("\xb1\xb2");
        QTest::newRow("wave dash") << QStringLiteral("\u301C") << QByteArray("\x81\x60");
        QTest::newRow("double vertical line") << QStringLiteral("\u2016") << QByteArray("\x81\x61");
        QTest::newRow("minus sign") << QStringLiteral("\u2212") << QByteArray("\x81\x7c");
        QTest::newRow("cent sign") << QStringLiteral("\u00A2") << QByteArray("\x81\x91");
        QTest::newRow("pound sign") << QStringLiteral("\u00A3") << QByteArray("\x81\x92");
        QTest::newRow("not sign") << QStringLiteral("\u00AC") << QByteArray("\x81\xca");
        QTest::newRow("em dash") << QStringLiteral("\u2014") << QByteArray("\x81\x5c");
        QTest::newRow("fullwidth tilde") << QStringLiteral("\uFF5E") << QByteArray("\x81\x60");
        QTest::newRow("fullwidth quote") << QStringLiteral("\uFF02") << QByteArray("\xfa\x57");
        QTest::newRow("unencodable") << QStringLiteral("a\u00E9b") << QByteArray("a?b");
        QTest::newRow("outside the BMP") << QStringLiteral("x\U0001F600y") << QByteArray("x?y");
        QTest::newRow("lone surrogate") << (QStringLiteral("x") + QChar(0xD83D)) << QByteArray("x?");
    }

    void encodeCp932()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(::encodeCp932(text), bytes);
    }

    void decodeCp932_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("text");
        QTest::newRow("kanji") << QByteArray("\x96\xbc\x96\xb3") << true << QStringLiteral("名無");
        QTest::newRow("tilde") << QByteArray("\x81\x60") << true << QStringLiteral("\uFF5E");
        QTest::newRow("empty") << QByteArray() << true << QString();
        QTest::newRow("unassigned pair") << QByteArray("\x85\x40") << false << QString();
        QTest::newRow("lone 0x80") << QByteArray("a\x80") << false << QString();
        QTest::newRow("lone 0xFF") << QByteArray("\xff") << false << QString();
        QTest::newRow("lead byte cut off") << QByteArray("ab\x82") << false << QString();
        QTest::newRow("lead byte before line end") << QByteArray("\x82\r\n") << false << QString();
    }

    void decodeCp932()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QFETCH(QString, text);
        const std::optional<QString> decoded = ::decodeCp932(bytes);
        QCOMPARE(decoded.has_value(), valid);
        if (valid)
            QCOMPARE(*decoded, text);
    }

    void defaultTable()
    {
        const QString row = QStringLiteral("-9999|易しい|名無しの権兵衛");
        QCOMPARE(RowsOf(HighScoreTable()), QStringList(10, row));
    }

    void place_data()
    {
        QTest::addColumn<QList<int>>("scores");
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("row");                 // 0: not placed
        QTest::addColumn<QList<int>>("sourceRows");   // where each row's content came from; the new row's is its own
        const QList<int> worked{900, 800, 700, 600, 500, 400, 300, 200, 100, 0};
        const QList<int> same{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        QTest::newRow("worked example") << worked << 650 << 4 << QList<int>{1, 2, 3, 4, 4, 5, 6, 7, 8, 9};
        QTest::newRow("new best") << worked << 1000 << 1 << QList<int>{1, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("equal to row 1 is no new best") << worked << 900 << 2 << QList<int>{1, 2, 2, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("equal goes below") << worked << 700 << 4 << QList<int>{1, 2, 3, 4, 4, 5, 6, 7, 8, 9};
        QTest::newRow("row 9 moves one row") << worked << 150 << 9 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 9};
        QTest::newRow("row 10 moves nothing") << worked << 1 << 10 << same;
        QTest::newRow("equal to row 10") << worked << 0 << 0 << same;
        QTest::newRow("below row 10") << worked << -5 << 0 << same;
        QTest::newRow("below several equal rows")
            << QList<int>{900, 800, 800, 800, 500, 400, 300, 200, 100, 0} << 800 << 5
            << QList<int>{1, 2, 3, 4, 5, 5, 6, 7, 8, 9};
        QTest::newRow("unordered, largest i decides")
            << QList<int>{100, 0, 100, 0, 100, 0, 100, 0, 100, 0} << 50 << 10 << same;
        QTest::newRow("unordered, low score placed")
            << QList<int>{900, 800, 700, 600, 500, 400, 300, 10, 5, 100} << 8 << 9
            << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 9};
        QTest::newRow("default table, score above") << QList<int>(10, -9999) << -9998 << 1
            << QList<int>{1, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("default table, equal score") << QList<int>(10, -9999) << -9999 << 0 << same;
        QTest::newRow("32-bit score above the 16-bit range") << worked << 40000 << 1
            << QList<int>{1, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    }

    void place()
    {
        QFETCH(QList<int>, scores);
        QFETCH(int, score);
        QFETCH(int, row);
        QFETCH(QList<int>, sourceRows);
        const HighScoreTable before = TableOf(scores);
        QCOMPARE(before.rankOf(score).value_or(0), row);
        const std::optional<qint16> narrow = tryNarrow16(score);
        if (!narrow)
            return;   // such a score never reaches a row: the game ends in a run-time error first
        HighScoreTable table = before;
        const HighScoreRow entry{*narrow, QStringLiteral("普通"), QStringLiteral("新人")};
        QCOMPARE(table.insert(entry).value_or(0), row);
        QStringList expected;
        for (int source : sourceRows)
            expected << RowsOf(before).at(source - 1);
        if (row != 0)
            expected[row - 1] = QStringLiteral("%1|普通|新人").arg(score);
        QCOMPARE(RowsOf(table), expected);
    }

    void levelLabel()
    {
        QCOMPARE(::levelLabel(500), QStringLiteral("難しい"));
        QCOMPARE(::levelLabel(750), QStringLiteral("普通"));
        QCOMPARE(::levelLabel(1000), QStringLiteral("易しい"));
        QCOMPARE(::levelLabel(600), QString());
    }

    void defaultFile()
    {
        const QByteArray bytes = writeHighScores(HighScoreTable());
        QCOMPARE(bytes.size(), 350);
        QCOMPARE(bytes, DefaultGroup.repeated(10));
    }

    void writtenForm()
    {
        HighScoreTable table;
        table.setRow(1, {120, QStringLiteral("普通"), QStringLiteral("a, b c")});
        table.setRow(2, {0, QString(), QString()});
        table.setRow(3, {-5, QStringLiteral("x"), QStringLiteral("\u301C\u00E9")});
        const QByteArray expected = QByteArray("120\r\n\"\x95\x81\x92\xca\"\r\n\"a, b c\"\r\n"
                                               "0\r\n\"\"\r\n\"\"\r\n"
                                               "-5\r\n\"x\"\r\n\"\x81\x60?\"\r\n")
            + DefaultGroup.repeated(7);
        QCOMPARE(writeHighScores(table), expected);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("default file") << DefaultGroup.repeated(10);
        QTest::newRow("sample table") << writeHighScores(Sample());
        QTest::newRow("half-width kana and a kanji label")
            << QByteArray("1200\r\n\"\x93\xef\x82\xb5\x82\xa2\"\r\n\"\xb1\xb2\"\r\n") + DefaultGroup.repeated(9);
        QTest::newRow("two-byte name as long as a name may be")
            << QByteArray("1\r\n\"x\"\r\n\"") + QByteArray("\x82\xa0").repeated(HighScoreFieldLimit) + "\"\r\n"
                + DefaultGroup.repeated(9);
        // Every character two bytes, every score six.
        HighScoreTable largest;
        for (int row = 1; row <= HighScoreTable::Rows; ++row)
            largest.setRow(row, {-32768, QString(HighScoreFieldLimit, QChar(0xFF02)), QString(HighScoreFieldLimit, u'"')});
        QTest::newRow("the largest table the game writes") << writeHighScores(largest);
    }

    void roundTrip()
    {
        QFETCH(QByteArray, bytes);
        const HighScoreText text = readHighScores(bytes);
        QCOMPARE(text.fault.kind, HighScoreProblem::None);
        QCOMPARE(text.rowsRead, 10);
        QCOMPARE(writeHighScores(text.table), bytes);
        QVERIFY(bytes.size() <= HighScoreLargestWritten);
    }

    void tolerantReader_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<HighScoreTable>("expected");
        const HighScoreTable sample = Sample();
        QTest::newRow("one row per line with commas") << FileFrom(sample, "%1,\"%2\",\"%3\"\r\n") << sample;
        QTest::newRow("LF line ends") << FileFrom(sample, "%1\n\"%2\"\n\"%3\"\n") << sample;
        QTest::newRow("lone CR line ends") << FileFrom(sample, "%1\r\"%2\"\r\"%3\"\r") << sample;
        QTest::newRow("spaces around fields") << FileFrom(sample, "  %1 \r\n \"%2\"\t\r\n\"%3\"  \r\n") << sample;
        QTest::newRow("blank lines") << FileFrom(sample, "\r\n%1\r\n\r\n\"%2\"\r\n \r\n\"%3\"\r\n", "\r\n\r\n") << sample;
        QTest::newRow("no line end at the end") << writeHighScores(sample).chopped(2) << sample;
        QTest::newRow("more than 30 fields") << writeHighScores(sample) + "5\r\n\"x\"\r\n\"y\"\r\n" << sample;
        QTest::newRow("bad bytes past the 30th field") << writeHighScores(sample) + "\xff\r\nabc" << sample;
        QTest::newRow("bad bytes on the line of the 30th field, after it")
            << FileFrom(sample, "%1,\"%2\",\"%3\"\r\n").chopped(2) + ",\xff\x85\x40\r\n" << sample;

        HighScoreTable plain = TableOf({9, 8, 7, 6, 5, 4, 3, 2, 1, -1});
        for (int row = 1; row <= HighScoreTable::Rows; ++row)
            plain.setRow(row, {plain.row(row).score, plain.row(row).level, QString()});
        QTest::newRow("unquoted fields, empty last field") << FileFrom(plain, "%1, %2 ,%3\r\n") << plain;
        QTest::newRow("leading zeros")
            << QByteArray("009\r\nL1\r\n\"\"\r\n08,L2,\r\n") + FileFrom(plain, "%1,%2,%3\n").mid(12).replace("-1,", "-01,")
            << plain;

        // Fields past the limit are cut, and the rows kept.
        HighScoreTable longer, cut;
        longer.setRow(1, {1, QString(HighScoreFieldLimit + 1, u'易'), QStringLiteral("x")});
        cut.setRow(1, {1, QString(HighScoreFieldLimit, u'易'), QStringLiteral("x")});
        QTest::newRow("a quoted label past the field limit") << writeHighScores(longer) << cut;
        cut.setRow(1, {1, QStringLiteral("L"), u'x' + QString(HighScoreFieldLimit - 1, u'"')});
        QTest::newRow("an unquoted name of double quotes past the field limit")
            << "1,L,x" + QByteArray(HighScoreFieldLimit, '"') + "\r\n" + DefaultGroup.repeated(9) << cut;
    }

    void tolerantReader()
    {
        QFETCH(QByteArray, file);
        QFETCH(HighScoreTable, expected);
        const HighScoreText text = readHighScores(file);
        QCOMPARE(text.fault.kind, HighScoreProblem::None);
        QCOMPARE(RowsOf(text.table), RowsOf(expected));
        QCOMPARE(writeHighScores(text.table), writeHighScores(expected));
    }

    // A file with tables kept after its 30th field: the last whole one that
    // reads as a table wins, else the first 30 fields.
    void storedTable_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("first");   // the score of row 1 read
        const QByteArray head = writeHighScores(TableOf({1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        const QByteArray two = writeHighScores(TableOf({2, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        const QByteArray three = writeHighScores(TableOf({3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        const QByteArray tail = tailBlock(two, head.size());
        QTest::newRow("tail cut by a byte") << head + tail.chopped(1) << 1;
        QTest::newRow("tail with a wrong byte") << head + QByteArray(tail).replace("N10", "N1x") << 1;
        QTest::newRow("two whole tails: the last") << head + tail + tailBlock(three, head.size() + tail.size()) << 3;
        QTest::newRow("a whole tail, then one cut") << head + tail + tailBlock(three, head.size() + tail.size()).chopped(5)
                                                   << 2;
        QTest::newRow("a length past the end") << head + "\r\n#pyokopon-table 9223372036854775807 " + QByteArray(64, 'a')
                + "\r\n" << 1;
        const QByteArray notTable("1\r\n");
        QTest::newRow("a whole tail that is no table") << head + tailBlock(notTable, head.size()) << 1;
    }

    void storedTable()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, first);
        const HighScoreLoad text = readStoredHighScores(file, false);
        QCOMPARE(text.fault.kind, HighScoreProblem::None);
        QCOMPARE(int(text.table.row(1).score), first);
    }

    void damagedFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("rowsRead");
        QTest::addColumn<QString>("problem");
        QTest::newRow("empty file") << QByteArray() << 1 << 0 << QStringLiteral("ファイルが空です");
        QTest::newRow("29 lines") << SampleLines(29) << 30 << 9
                                  << QStringLiteral("30 行目でファイルが終わっています。30 個の項目が必要ですが、29 個");
        QTest::newRow("14 lines") << SampleLines(14) << 15 << 4 << QStringLiteral("15 行目でファイルが終わって");
        QTest::newRow("score not a number") << SampleWithLine(10, "abc") << 10 << 3
                                            << QStringLiteral("10 行目の得点「abc」が整数ではありません");
        QTest::newRow("fractional score") << SampleWithLine(4, "12.0") << 4 << 1 << QStringLiteral("「12.0」が整数では");
        QTest::newRow("plus sign") << SampleWithLine(1, "+5") << 1 << 0 << QStringLiteral("1 行目の得点「+5」が整数では");
        QTest::newRow("quoted score") << SampleWithLine(7, "\"30\"") << 7 << 2 << QStringLiteral("「\"30\"」が整数では");
        QTest::newRow("blank score line shifts the fields") << SampleWithLine(28, "") << 29 << 9
                                                            << QStringLiteral("29 行目の得点");
        QTest::newRow("score above range") << SampleWithLine(13, "32768") << 13 << 4
                                           << QStringLiteral("13 行目の得点「32768」が -32768 から 32767 の範囲を外れています");
        QTest::newRow("score below range") << SampleWithLine(16, "-32769") << 16 << 5 << QStringLiteral("「-32769」が -32768");
        QTest::newRow("score beyond 64 bits") << SampleWithLine(19, "99999999999999999999") << 19 << 6
                                              << QStringLiteral("範囲を外れています");
        QTest::newRow("invalid bytes") << SampleWithLine(17, "\"\x85\x40\"") << 17 << 5
                                       << QStringLiteral("17 行目に、Shift_JIS (cp932) の文字として読めないバイト");
        QTest::newRow("two-byte character cut off") << SampleLines(29) + "\"\x82" << 30 << 9
                                                    << QStringLiteral("30 行目に、Shift_JIS");
        QTest::newRow("bad score before invalid bytes")
            << SampleWithLine(20, "\xff").replace("\r\n-5\r\n", "\r\nx\r\n") << 16 << 5 << QStringLiteral("16 行目の得点「x」");
        QTest::newRow("unclosed quote") << SampleLines(29) + "\"abc\r\n" << 30 << 9
                                        << QStringLiteral("30 行目の二重引用符 (\") が閉じられていません");
        QTest::newRow("bad score quoted in part")
            << SampleWithLine(1, QByteArray(100, 'a')) << 1 << 0
            << QStringLiteral("1 行目の得点「%1…」が整数ではありません").arg(QString(40, u'a'));
        QTest::newRow("bad bytes after a long name")
            << SampleLines(29) + QByteArray(100 * 1024, 'x') + "\x85\x40\r\n" << 30 << 9
            << QStringLiteral("30 行目に、Shift_JIS");
        QTest::newRow("unclosed quote past the size limit")
            << SampleLines(29) + '"' + QByteArray(2 * HighScoreReadLimit, 'x') << 30 << 9
            << QStringLiteral("先頭から 1 MiB (30 行目) まで読んでも、30 個の項目がそろいません");
        const QByteArray head = SampleLines(27);
        QTest::newRow("blank lines past the size limit")
            << head + QByteArray(HighScoreReadLimit, '\n') + writeHighScores(Sample()).mid(head.size())
            << int(27 + HighScoreReadLimit - head.size() + 1) << 9 << QStringLiteral("MiB");
        const QByteArray toLimit(HighScoreReadLimit - 1, 'x');
        QTest::newRow("two-byte character across the size limit") << toLimit + "\x82\xa0\r\n" << 1 << 0
                                                                  << QStringLiteral("先頭から 1 MiB (1 行目)");
        QTest::newRow("bad byte at the size limit") << toLimit + "\xff\r\n" << 1 << 0
                                                    << QStringLiteral("1 行目に、Shift_JIS");
        QTest::newRow("CR LF across the size limit, then the end")
            << "1\r\n" + toLimit.first(toLimit.size() - 3) + "\r\n" << 3 << 0
            << QStringLiteral("3 行目でファイルが終わっています。30 個の項目が必要ですが、2 個");
        QTest::newRow("text after the closing quote") << SampleWithLine(6, "\"ab\"cd\"") << 6 << 1
                                                      << QStringLiteral("6 行目で、二重引用符 (\") で囲まれた値の後に余分な文字");
    }

    void damagedFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, line);
        QFETCH(int, rowsRead);
        QFETCH(QString, problem);
        const HighScoreText text = readHighScores(file);
        const QString sentence = problemSentence(text.fault);
        QVERIFY2(sentence.contains(problem), qPrintable(sentence));
        QCOMPARE(text.fault.line, line);
        QCOMPARE(text.rowsRead, rowsRead);
        QCOMPARE(RowsOf(text.table).mid(0, rowsRead), RowsOf(Sample()).mid(0, rowsRead));
        QCOMPARE(RowsOf(text.table).mid(rowsRead), RowsOf(HighScoreTable()).mid(rowsRead));
    }

    void readFailure_data()
    {
        QTest::addColumn<QByteArray>("bytes");   // read before the failure
        QTest::addColumn<int>("line");           // 0: not damaged
        QTest::addColumn<int>("rowsRead");
        QTest::newRow("before the 30th field") << SampleLines(14) << 15 << 4;
        QTest::newRow("after the 30th field") << writeHighScores(Sample()) << 0 << 10;
    }

    void readFailure()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(int, rowsRead);
        const HighScoreText text = readHighScores(bytes, true);
        QCOMPARE(text.fault.kind, line ? HighScoreProblem::Unreadable : HighScoreProblem::None);
        QCOMPARE(text.fault.line, line);
        QCOMPARE(text.rowsRead, rowsRead);
        const QString sentence = QStringLiteral("%1 行目のあたりで、ファイルの読み込みに失敗しました。").arg(line);
        QCOMPARE(problemSentence(text.fault), line ? sentence : QString());
    }

    void doubleQuoteInName()
    {
        HighScoreTable table = Sample();
        table.setRow(2, {table.row(2).score, table.row(2).level, QStringLiteral("say \"hi\", \"")});
        table.setRow(3, {table.row(3).score, QStringLiteral("\""), table.row(3).name});
        const QByteArray bytes = writeHighScores(table);
        QVERIFY(bytes.contains("\r\n\"say \xfa\x57hi\xfa\x57, \xfa\x57\"\r\n"));
        QVERIFY(bytes.contains("\r\n\"\xfa\x57\"\r\n"));

        const HighScoreText text = readHighScores(bytes);
        QCOMPARE(text.fault.kind, HighScoreProblem::None);
        table.setRow(2, {table.row(2).score, table.row(2).level, QStringLiteral("say ＂hi＂, ＂")});
        table.setRow(3, {table.row(3).score, QStringLiteral("＂"), table.row(3).name});
        QCOMPARE(RowsOf(text.table), RowsOf(table));
    }

    void lineBreakInQuotes()
    {
        QByteArray file = SampleWithLine(3, "\"two\r\nlines\"");
        file.replace("\r\n-5\r\n", "\r\nx\r\n");   // the score of row 6, line 16 before the break
        const HighScoreText text = readHighScores(file);
        QCOMPARE(text.table.row(1).name, QStringLiteral("two\r\nlines"));
        QCOMPARE(text.rowsRead, 5);
        QCOMPARE(text.fault.line, 17);
    }

    void loadFile_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("existed");
        QTest::addColumn<bool>("sample");      // rows of Sample(), else default rows
        QTest::addColumn<QString>("problem");  // empty: not damaged
        QTest::newRow("no file") << QString() << false << false << QString();
        QTest::newRow("written file") << "file" << true << true << QString();
        QTest::newRow("link to a written file") << "link" << true << true << QString();
        QTest::newRow("link to nothing") << "dangling" << false << false << QString();
        QTest::newRow("folder") << "folder" << true << false << QStringLiteral("ファイルではなくフォルダです。");
        QTest::newRow("FIFO") << "fifo" << true << false << QStringLiteral("ファイルではなく名前付きパイプ (FIFO)です。");
        QTest::newRow("link to a device") << "device" << true << false << QStringLiteral("ファイルではなくデバイスです。");
        QTest::newRow("socket") << "socket" << true << false << QStringLiteral("ファイルではなくソケットです。");
        const QString badLink = QStringLiteral("ファイルではなく、読めるファイルにつながっていないリンクです。");
        QTest::newRow("link loop") << "loop" << true << false << badLink;
        QTest::newRow("link to memory that cannot be read") << "mem" << true << false << badLink;
        QTest::newRow("file larger than memory") << "huge" << true << false
                                                 << QStringLiteral("先頭から 1 MiB (1 行目) まで読んでも、30 個の項目がそろいません。");
    }

    void loadFile()
    {
        QFETCH(QString, setup);
        QFETCH(bool, existed);
        QFETCH(bool, sample);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("date.dat"));
        const QByteArray name = QFile::encodeName(path);
        int socketFd = -1;
        if (setup == "file") {
            QVERIFY(WriteAll(path, writeHighScores(Sample())));
        } else if (setup == "link") {
            QVERIFY(WriteAll(dir.filePath(QStringLiteral("elsewhere")), writeHighScores(Sample())));
            QVERIFY(QFile::link(QStringLiteral("elsewhere"), path));
        } else if (setup == "dangling") {
            QVERIFY(QFile::link(QStringLiteral("elsewhere"), path));
        } else if (setup == "folder") {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("date.dat")));
        } else if (setup == "fifo") {
            QCOMPARE(::mkfifo(name.constData(), 0644), 0);
        } else if (setup == "loop") {
            QVERIFY(QFile::link(QStringLiteral("date.dat"), path));
        } else if (setup == "mem") {
            QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), path));
        } else if (setup == "device") {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        } else if (setup == "huge") {
            QFile huge(path);
            QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(64) << 30));
        } else if (setup == "socket") {
            socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            qstrncpy(address.sun_path, name.constData(), sizeof address.sun_path);
            QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        }
        const QStringList before = Entries(dir.path());

        const HighScoreLoad load = loadHighScoresFile(path);
        QCOMPARE(load.existed, existed);
        QCOMPARE(problemSentence(load.fault), problem);
        QCOMPARE(load.damaged(), !problem.isEmpty());
        QCOMPARE(RowsOf(load.table), RowsOf(sample ? Sample() : HighScoreTable()));
        // The store keeps nothing of these; the memory link leads to a regular file.
        if (load.fault.kind == HighScoreProblem::NotAFile) {
            QCOMPARE(keepDamagedCopy(path), QString());
            QCOMPARE(Entries(dir.path()), before);
        }
        if (socketFd >= 0)
            ::close(socketFd);
    }

    void damagedCopy()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("date.dat"));
        const QByteArray damaged = SampleLines(14) + "\"\x85\x40";
        QVERIFY(WriteAll(path, damaged));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0600), 0);
        const ino_t inode = LinkStat(path).st_ino;

        // The file itself moves: same inode, same mode, nothing left at path.
        const QString first = path + QStringLiteral(".damaged");
        QCOMPARE(keepDamagedCopy(path), first);
        QCOMPARE(LinkStat(first).st_ino, inode);
        QCOMPARE(LinkStat(first).st_mode & 07777, mode_t(0600));
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(keepDamagedCopy(path), QString());
        QCOMPARE(ReadAll(first), damaged);

        // A file damaged again is kept under the next free name.
        QByteArray other = damaged;
        other[0] = 'X';
        QVERIFY(WriteAll(path, other));
        const QString second = path + QStringLiteral(".damaged.1");
        QCOMPARE(keepDamagedCopy(path), second);
        QCOMPARE(ReadAll(second), other);
        QCOMPARE(ReadAll(first), damaged);
        QCOMPARE(Entries(dir.path()), (QStringList{QStringLiteral("date.dat.damaged"), QStringLiteral("date.dat.damaged.1")}));
        QCOMPARE(keepDamagedCopy(dir.filePath(QStringLiteral("missing.dat"))), QString());
    }

    void saveReplacesWholeFile_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("old bytes") << "old bytes";
        QTest::newRow("read-only file keeps its mode") << "read-only";
        QTest::newRow("link to a file is replaced, not followed") << "link";
        QTest::newRow("link to nothing is replaced") << "dangling";
        QTest::newRow("temporary file left by a killed save") << "leftover";
    }

    void saveReplacesWholeFile()
    {
        QFETCH(QString, before);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("date.dat"));
        const QString target = dir.filePath(QStringLiteral("elsewhere"));
        QStringList expected{QStringLiteral("date.dat")};
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode_t mode = 0666 & ~mask;
        if (before == "link" || before == "dangling") {
            QVERIFY(QFile::link(QStringLiteral("elsewhere"), path));
            if (before == "link") {
                QVERIFY(WriteAll(target, "target"));
                expected << QStringLiteral("elsewhere");
            }
        } else {
            QVERIFY(WriteAll(path, QByteArray(1000, 'x')));
            if (before == "leftover")
                QVERIFY(WriteAll(path + QStringLiteral(".tmp"), "half"));
            if (before == "read-only") {
                mode = 0444;
                QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
            }
        }

        QVERIFY(saveHighScoresFile(path, Sample()).succeeded());
        QCOMPARE(ReadAll(path), writeHighScores(Sample()));
        QVERIFY(S_ISREG(LinkStat(path).st_mode));
        QCOMPARE(LinkStat(path).st_mode & 07777, mode);
        if (before == "link")
            QCOMPARE(ReadAll(target), QByteArray("target"));
        QCOMPARE(Entries(dir.path()), expected);
    }

    void saveIntoReadOnlyFolder_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("saved");
        QTest::newRow("writable file is written in place") << "writable" << true;
        QTest::newRow("read-only file") << "read-only" << false;
        QTest::newRow("file with a second name is written in place too") << "second name" << true;
        QTest::newRow("link to a writable file") << "link" << false;
        QTest::newRow("sticky folder that refuses the rename: written in place") << "sticky" << true;
    }

    void saveIntoReadOnlyFolder()
    {
        QFETCH(QString, before);
        QFETCH(bool, saved);
        if (before == "sticky" && ::geteuid() != 0)
            QSKIP("Needs a file of another user than the one who saves");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        const QString folder = dir.filePath(QStringLiteral("game"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("game")));
        const QString path = folder + QStringLiteral("/date.dat");
        const QString file = before == "link" ? dir.filePath(QStringLiteral("elsewhere")) : path;
        const QByteArray old = writeHighScores(TableOf({9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
        QVERIFY(WriteAll(file, old));
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), before == "read-only" ? 0444 : 0666), 0);
        if (before == "link")
            QVERIFY(QFile::link(file, path));
        if (before == "second name")
            QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(path + QStringLiteral(".other")).constData()), 0);
        const QStringList entries = Entries(folder);
        const ino_t inode = LinkStat(file).st_ino;
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), before == "sticky" ? 01777 : 0555), 0);

        const bool asExpected = AsOrdinaryUser([&] {
            const FileOutcome write = saveHighScoresFile(path, Sample());
            const QString reason = writeFailureReason(path, write);
            return write.succeeded() == saved
                && (saved || (reason.contains(QStringLiteral("権限がありません")) && JapaneseOnly(reason, folder)));
        });
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
        QVERIFY(asExpected);
        QCOMPARE(ReadAll(file), saved ? writeHighScores(Sample()) : old);
        QCOMPARE(LinkStat(file).st_ino, inode);
        QCOMPARE(Entries(folder), entries);
        if (before == "second name")
            QCOMPARE(ReadAll(path + QStringLiteral(".other")), writeHighScores(Sample()));
    }

    void saveStopsOnFullDisk_data()
    {
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<QByteArray>("previous");
        const QByteArray sample = writeHighScores(Sample());
        QTest::newRow("new file") << true << sample;
        // The new table kept past the end finds no room: no byte of the old one changes.
        QTest::newRow("in place, longer") << false << sample;
        QTest::newRow("in place, shorter") << false << sample.repeated(2);
    }

    void saveStopsOnFullDisk()
    {
#ifndef Q_OS_UNIX
        QSKIP("The full disk is simulated with a file size limit");
#else
        QFETCH(bool, folderWritable);
        QFETCH(QByteArray, previous);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("date.dat"));
        QVERIFY(WriteAll(path, previous));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0666), 0);
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), folderWritable ? 0777 : 0555), 0);

        // Writes past 100 bytes fail as on a full disk (EFBIG instead of ENOSPC).
        const bool asExpected = AsOrdinaryUser([&] {
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit oldLimit{};
            getrlimit(RLIMIT_FSIZE, &oldLimit);
            rlimit small = oldLimit;
            small.rlim_cur = 100;
            QString reason;
            bool saved = setrlimit(RLIMIT_FSIZE, &small) != 0;
            if (!saved) {
                const FileOutcome write = saveHighScoresFile(path, HighScoreTable());
                saved = write.succeeded();
                reason = writeFailureReason(path, write);
            }
            setrlimit(RLIMIT_FSIZE, &oldLimit);
            std::signal(SIGXFSZ, oldHandler);
            return !saved && reason == QStringLiteral("書き込みの途中で失敗しました（ファイルが大きすぎます）。\n"
                                                      "前に保存したファイルは変更していません。");
        });
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0700), 0);
        QVERIFY(asExpected);
        QCOMPARE(ReadAll(path), previous);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("date.dat")});
#endif
    }

    void saveFails_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<QString>("reason");
        QTest::newRow("date.dat is a folder") << QStringLiteral("date.dat") << QStringLiteral("同じ名前のフォルダがある");
        QTest::newRow("folder missing") << QStringLiteral("gone/date.dat") << QStringLiteral("gone が見つかりません");
        QTest::newRow("parent is a file") << QStringLiteral("plain/date.dat") << QStringLiteral("plain が見つかりません");
    }

    void saveFails()
    {
        QFETCH(QString, relativePath);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("date.dat")));
        const QString inner = dir.filePath(QStringLiteral("date.dat/keep"));
        QVERIFY(WriteAll(inner, "kept"));
        QVERIFY(WriteAll(dir.filePath(QStringLiteral("plain")), "plain file"));

        const FileOutcome write = saveHighScoresFile(dir.filePath(relativePath), Sample());
        QVERIFY(!write.succeeded());
        const QString why = writeFailureReason(dir.filePath(relativePath), write);
        QVERIFY2(why.contains(reason), qPrintable(why));
        QVERIFY2(JapaneseOnly(why, QFileInfo(dir.filePath(relativePath)).path()), qPrintable(why));
        QCOMPARE(ReadAll(inner), QByteArray("kept"));
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("plain"))), QByteArray("plain file"));
        QCOMPARE(Entries(dir.path()).size(), 2);
    }

    void messages()
    {
        const QString path = QStringLiteral("/games/pyokopon/date.dat");
        HighScoreFault fault;
        fault.kind = HighScoreProblem::BadScore;
        fault.line = 10;
        fault.score = QStringLiteral("abc");
        const QString problem = QStringLiteral("10 行目の得点「abc」が整数ではありません。");
        const QString damaged = damageMessage(path, {fault, path + QStringLiteral(".damaged.1")});
        QVERIFY(damaged.contains(QDir::toNativeSeparators(path) + u'\n'));
        QVERIFY(damaged.contains(problem));
        QVERIFY(damaged.contains(QDir::toNativeSeparators(path + QStringLiteral(".damaged.1"))));
        const QString noCopy = damageMessage(path, {fault, QString()});
        QVERIFY(noCopy.contains(QStringLiteral("控えを作れませんでした")));
        QVERIFY(!noCopy.contains(QStringLiteral(".damaged")));

        const QString failed = saveFailedMessage(path, QStringLiteral("理由の文"));
        QVERIFY(failed.contains(QDir::toNativeSeparators(path)));
        QVERIFY(failed.contains(QStringLiteral("理由の文")));
        QVERIFY(failed.contains(QStringLiteral("「再試行」")));
        QVERIFY(failed.contains(QStringLiteral("「キャンセル」")));
    }

    void dataPathFor_data()
    {
        QTest::addColumn<QString>("exeFolder");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("writableFile");
        QTest::addColumn<QString>("expected");
        const QString appData = QStringLiteral("/home/p/.local/share/pyokopon");
        QTest::newRow("root folder") << QStringLiteral("/") << true << false << QStringLiteral("/date.dat");
        QTest::newRow("plain folder") << QStringLiteral("/opt/pyokopon") << true << false
                                      << QStringLiteral("/opt/pyokopon/date.dat");
        QTest::newRow("trailing separator") << QStringLiteral("/opt/pyokopon/") << true << true
                                            << QStringLiteral("/opt/pyokopon/date.dat");
        QTest::newRow("read-only folder with a writable file") << QStringLiteral("/opt/pyokopon") << false << true
                                                               << QStringLiteral("/opt/pyokopon/date.dat");
        QTest::newRow("read-only folder without a writable file") << QStringLiteral("/opt/pyokopon") << false << false
                                                                  << appData + QStringLiteral("/date.dat");
        QTest::newRow("read-only root") << QStringLiteral("/") << false << false << appData + QStringLiteral("/date.dat");
    }

    void dataPathFor()
    {
        QFETCH(QString, exeFolder);
        QFETCH(bool, writable);
        QFETCH(bool, writableFile);
        QFETCH(QString, expected);
        QCOMPARE(::dataPathFor(exeFolder, writable, writableFile, QStringLiteral("/home/p/.local/share/pyokopon")),
                 expected);
        QCOMPARE(::dataPathFor(exeFolder, writable, writableFile, QString()), ::dataPathFor(exeFolder, true, true, QString()));
    }

    // A date.dat that neither it nor its folder lets the player write: the
    // player's own file takes its place and starts from it, said once.
    void readOnlySharedFile()
    {
        QTemporaryDir dir;
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
        const QString game = dir.filePath(QStringLiteral("game"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("game")));
        const QString shared = game + QStringLiteral("/date.dat");
        QVERIFY(WriteAll(shared, writeHighScores(Sample())));
        QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 0444), 0);
        QCOMPARE(::chmod(QFile::encodeName(game).constData(), 0555), 0);
        const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
        const bool asExpected = AsOrdinaryUser([&] {
            qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("share"))));
            QString notice, seed, again;
            const QString path = dataPath(game, &notice, &seed);
            const bool first = path.startsWith(dir.filePath(QStringLiteral("share/"))) && seed == shared
                && notice.contains(QDir::toNativeSeparators(shared)) && notice.contains(QDir::toNativeSeparators(path));
            const bool saved = WriteAll(path, writeHighScores(Sample()));
            return first && saved && dataPath(game, &again) == path && again.isEmpty();
        });
        oldDataHome.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", oldDataHome);
        QCOMPARE(::chmod(QFile::encodeName(game).constData(), 0755), 0);
        QVERIFY(asExpected);
    }

    // The XDG rules: a relative or empty path counts as unset.
    void userDataFolder_data()
    {
        QTest::addColumn<QByteArray>("dataHome");   // XDG_DATA_HOME; null: unset
        QTest::addColumn<QByteArray>("home");       // HOME; null: unset
        QTest::addColumn<QString>("expected");      // before the program's name; null: none
        QTest::newRow("XDG_DATA_HOME") << QByteArray("/x/share") << QByteArray("/home/p") << QStringLiteral("/x/share");
        QTest::newRow("relative XDG_DATA_HOME ignored")
            << QByteArray("x/share") << QByteArray("/home/p") << QStringLiteral("/home/p/.local/share");
        QTest::newRow("HOME unset") << QByteArray() << QByteArray() << QString();
        QTest::newRow("both relative") << QByteArray("x/share") << QByteArray("home") << QString();
    }

    void userDataFolder()
    {
        QFETCH(QByteArray, dataHome);
        QFETCH(QByteArray, home);
        QFETCH(QString, expected);
        const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME"), oldHome = qgetenv("HOME");
        const auto set = [](const char* name, const QByteArray& value) {
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
        };
        set("XDG_DATA_HOME", dataHome);
        set("HOME", home);
        const QString folder = ::userDataFolder();
        // Where no per-user folder is found, the player is told so.
        QString notice;
        QTemporaryDir dir;
        const QString path = expected.isNull() ? dataPath(dir.filePath(QStringLiteral("no-such-folder")), &notice)
                                               : QString();
        set("XDG_DATA_HOME", oldDataHome);
        set("HOME", oldHome);
        QCOMPARE(folder, expected.isNull() ? QString() : expected + u'/' + QCoreApplication::applicationName());
        if (expected.isNull()) {
            QCOMPARE(path, dir.filePath(QStringLiteral("no-such-folder/date.dat")));
            QVERIFY2(notice.contains(QStringLiteral("保存できません")), qPrintable(notice));
            QVERIFY(!QFileInfo::exists(QStringLiteral("home")) && !QFileInfo::exists(QStringLiteral("x")));
        }
    }

    void dataPathOnDisk()
    {
    #if !defined(Q_OS_UNIX) || defined(Q_OS_DARWIN)
        QSKIP("The per-user data folder is steered through XDG_DATA_HOME");
    #endif
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QCOMPARE(dataPath(dir.path()), dir.filePath(QStringLiteral("date.dat")));

        const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("share"))));
        const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        const QString path = dataPath(dir.filePath(QStringLiteral("no-such-folder")));
        qputenv("XDG_DATA_HOME", oldDataHome);
        QVERIFY(appData.startsWith(dir.path()));
        QCOMPARE(path, appData + QStringLiteral("/date.dat"));
        QVERIFY(QFileInfo(appData).isDir());
    }
};

QTEST_GUILESS_MAIN(TestScores)
#include "tst_scores.moc"
