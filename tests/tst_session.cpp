#include "scores/HighScoreFile.h"
#include "scores/ScoreSession.h"
#include "scores/ScoreSessionView.h"

#include <QDir>
#include <QFile>
#include <QQueue>
#include <QStringList>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Answers the session from queues and logs every call, in order.
class FakeView : public ScoreSessionView {
public:
    QQueue<QString> names;
    QQueue<bool> retries;
    QStringList log;
    QStringList told;   // the texts of tellAboutFile and askRetry

    QString askName() override
    {
        log << QStringLiteral("name");
        return names.isEmpty() ? QString() : names.dequeue();
    }
    bool askRetry(const QString& message) override
    {
        log << QStringLiteral("retry?");
        told << message;
        return !retries.isEmpty() && retries.dequeue();
    }
    void tellAboutFile(const QString& message) override
    {
        log << QStringLiteral("tell");
        told << message;
    }
    void showBestScore(qint32 score) override { log << QStringLiteral("best %1").arg(score); }
    void refreshTable(const HighScoreTable& table) override
    {
        log << QStringLiteral("refresh %1").arg(table.row(1).score);
    }
    void showTable(const HighScoreTable& table) override
    {
        log << QStringLiteral("show %1").arg(table.row(1).score);
    }
};

QByteArray fileOf(const QList<int>& scores)
{
    HighScoreTable table;
    for (int row = 1; row <= scores.size(); ++row)
        table.setRow(row, {qint16(scores.at(row - 1)), QStringLiteral("易しい"), QStringLiteral("N%1").arg(row)});
    return writeHighScores(table);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QList<int> scoresOf(const HighScoreTable& table)
{
    QList<int> scores;
    for (int row = 1; row <= HighScoreTable::Rows; ++row)
        scores << table.row(row).score;
    return scores;
}

const QList<int> Descending = {900, 800, 700, 600, 500, 400, 300, 200, 100, 0};

} // namespace

class SessionTest : public QObject {
    Q_OBJECT
private slots:
    void finishGame_data();
    void finishGame();
    void loadTellsAboutDamage_data();
    void loadTellsAboutDamage();
    void failedSaveAsksUntilCancelled_data();
    void failedSaveAsksUntilCancelled();
    void unreadableFileIsNotOverwritten();
    void signalReportsTheEndOnce_data();
    void signalReportsTheEndOnce();
};

void SessionTest::finishGame_data()
{
    QTest::addColumn<QList<int>>("table");
    QTest::addColumn<int>("score");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("row");   // 0: not placed
    QTest::addColumn<QStringList>("log");
    const QStringList loaded{QStringLiteral("best 900")};
    QTest::newRow("placed in the middle") << Descending << 640 << 1000 << 4
        << (loaded + QStringList{"name", "best 900", "refresh 900", "show 900"});
    QTest::newRow("new best shown before the name is asked") << Descending << 1200 << 500 << 1
        << (loaded + QStringList{"best 1200", "name", "best 1200", "refresh 1200", "show 1200"});
    QTest::newRow("equal to the best is no new best")
        << QList<int>{1200, 800, 700, 600, 500, 400, 300, 200, 100, 0} << 1200 << 750 << 2
        << QStringList{"best 1200", "name", "best 1200", "refresh 1200", "show 1200"};
    QTest::newRow("not placed: nothing asked, nothing saved") << Descending << 0 << 1000 << 0 << loaded;
}

void SessionTest::finishGame()
{
    QFETCH(QList<int>, table);
    QFETCH(int, score);
    QFETCH(int, interval);
    QFETCH(int, row);
    QFETCH(QStringList, log);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("date.dat"));
    QVERIFY(writeFile(path, fileOf(table)));
    FakeView view;
    view.names << QStringLiteral("新人\n二行目");
    ScoreSession session(view);
    session.load(path);
    session.finishGame(score, interval);

    QCOMPARE(view.log, log);
    QList<int> after = table;
    if (row != 0) {
        after.insert(row - 1, score);
        after.removeLast();
    }
    QCOMPARE(scoresOf(session.table()), after);
    // The row is on disk before the table is shown.
    QCOMPARE(loadHighScoresFile(path).table, session.table());
    if (row == 0)
        return;
    QCOMPARE(session.table().row(row).name, QStringLiteral("新人 二行目"));
    QCOMPARE(session.table().row(row).level, levelLabel(interval));
    QCOMPARE(session.table().row(row + 1).name, QStringLiteral("N%1").arg(row));
}

void SessionTest::loadTellsAboutDamage_data()
{
    QTest::addColumn<QByteArray>("contents");   // empty with no rows kept: a folder instead of a file
    QTest::addColumn<int>("rowsKept");
    QTest::addColumn<QString>("mentions");
    const QByteArray good = fileOf(Descending);
    QTest::newRow("empty file") << QByteArray("") << 0 << "date.dat.damaged";
    QTest::newRow("cut short") << good.left(good.indexOf("400")) << 5 << "date.dat.damaged";
    QTest::newRow("score not a number") << QByteArray(good).replace("700", "7x0") << 2 << "date.dat.damaged";
    QTest::newRow("bytes that are no cp932") << QByteArray(good).replace("300", "\"\x85\x40") << 6
                                             << "date.dat.damaged";
    QTest::newRow("a folder: nothing to copy") << QByteArray() << 0 << "フォルダ";
}

void SessionTest::loadTellsAboutDamage()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, rowsKept);
    QFETCH(QString, mentions);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("date.dat"));
    if (contents.isNull())
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("date.dat")));
    else
        QVERIFY(writeFile(path, contents));
    FakeView view;
    ScoreSession session(view);
    session.load(path);
    const int best = rowsKept > 0 ? Descending.first() : -9999;
    QCOMPARE(view.log, (QStringList{"tell", QStringLiteral("best %1").arg(best)}));
    QVERIFY2(view.told.first().contains(QDir::toNativeSeparators(path)), qPrintable(view.told.first()));
    QVERIFY2(view.told.first().contains(mentions), qPrintable(view.told.first()));
    for (int row = 1; row <= HighScoreTable::Rows; ++row)
        QCOMPARE(int(session.table().row(row).score), row <= rowsKept ? Descending.at(row - 1) : -9999);
}

void SessionTest::failedSaveAsksUntilCancelled_data()
{
    QTest::addColumn<int>("failures");   // retries answered before Cancel; -1: no one is asked
    QTest::newRow("cancel at once") << 0;
    QTest::newRow("ending on a signal: one attempt, nothing asked or told") << -1;
    QTest::newRow("two retries that fail again") << 2;
}

void SessionTest::failedSaveAsksUntilCancelled()
{
    QFETCH(int, failures);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("date.dat"));
    FakeView view;
    view.names << QStringLiteral("残る");
    ScoreSession session(view);
    session.load(path);
    if (failures < 0)
        session.stopAsking();
    // A folder where the file should be makes every save fail.
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("date.dat")));
    for (int retry = 0; retry < failures; ++retry)
        view.retries << true;
    view.retries << false;
    view.log.clear();
    session.finishGame(100, 1000);

    // The folder is reported once, then each attempt asks.
    QStringList expected{"best 100", "name"};   // a new best over the default rows
    if (failures >= 0)
        expected << QStringLiteral("tell");
    for (int attempt = 0; attempt <= failures; ++attempt)
        expected << QStringLiteral("retry?");
    expected << QStringLiteral("best 100") << QStringLiteral("refresh 100") << QStringLiteral("show 100");
    QCOMPARE(view.log, expected);
    if (failures >= 0)
        QVERIFY2(view.told.last().contains(QDir::toNativeSeparators(path)), qPrintable(view.told.last()));
    // Cancel keeps the row for the next save, which finds the cause gone.
    QCOMPARE(session.table().row(1).name, QStringLiteral("残る"));
    QVERIFY(QDir(folder.path()).rmdir(QStringLiteral("date.dat")));
    QVERIFY(session.saveWithoutAsking());
    QCOMPARE(loadHighScoresFile(path).table.row(1).name, QStringLiteral("残る"));
}

// A file whose reading fails (here at its first byte) is never written
// over, and the player is not told that it will be.
void SessionTest::unreadableFileIsNotOverwritten()
{
    FakeView view;
    ScoreSession session(view);
    session.load(QStringLiteral("/proc/self/mem"));
    QCOMPARE(view.told.size(), 1);
    QVERIFY2(view.told.first().contains(QStringLiteral("上書きしません")), qPrintable(view.told.first()));
    QVERIFY(!session.saveWithoutAsking());
}

void SessionTest::signalReportsTheEndOnce_data()
{
    QTest::addColumn<bool>("heldAtClose");
    QTest::newRow("the save at the name fails, the one at the close saves: nothing said") << false;
    QTest::newRow("both fail: said once, without buttons") << true;
}

// The program is ending on a signal while another copy holds the lock: what
// standard error says is the result of the save at the close alone.
void SessionTest::signalReportsTheEndOnce()
{
    QFETCH(bool, heldAtClose);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("date.dat"));
    QVERIFY(writeFile(path, fileOf(Descending)));
    QVERIFY(writeFile(path + QStringLiteral(".lock"), QByteArray()));
    const int holder = ::open(QFile::encodeName(path + QStringLiteral(".lock")).constData(), O_RDONLY);
    QCOMPARE(::flock(holder, LOCK_EX), 0);
    FakeView view;
    ScoreSession session(view);
    session.load(path);
    session.stopAsking();
    // Standard error goes to a file meanwhile.
    QTemporaryFile said;
    QVERIFY(said.open());
    std::fflush(stderr);
    const int kept = ::dup(STDERR_FILENO);
    ::dup2(said.handle(), STDERR_FILENO);
    session.finishGame(950, 1000);
    if (!heldAtClose)
        ::close(holder);
    const bool saved = session.saveAtClose();
    std::fflush(stderr);
    ::dup2(kept, STDERR_FILENO);
    ::close(kept);
    if (heldAtClose)
        ::close(holder);
    QCOMPARE(saved, !heldAtClose);
    QVERIFY(said.seek(0));
    const QString text = QString::fromUtf8(said.readAll());
    QCOMPARE(text.count(QStringLiteral("ハイスコアを保存できないまま終了します")), heldAtClose ? 1 : 0);
    QVERIFY2(!text.contains(QStringLiteral("再試行")), qPrintable(text));
    QCOMPARE(loadHighScoresFile(path).table.row(1).score, heldAtClose ? 900 : 950);
}

QTEST_GUILESS_MAIN(SessionTest)
#include "tst_session.moc"
