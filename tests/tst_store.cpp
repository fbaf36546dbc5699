#include "scores/HighScoreFile.h"
#include "scores/HighScoreFormat.h"
#include "scores/HighScoreStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QList<int> Descending = {900, 800, 700, 600, 500, 400, 300, 200, 100, 0};

// "score name" for each of the ten rows.
QStringList RowsOf(const HighScoreTable& table)
{
    QStringList rows;
    for (int row = 1; row <= HighScoreTable::Rows; ++row)
        rows << QStringLiteral("%1 %2").arg(table.row(row).score).arg(table.row(row).name);
    return rows;
}

QStringList WithDefaults(QStringList rows)
{
    while (rows.size() < HighScoreTable::Rows)
        rows << QStringLiteral("-9999 名無しの権兵衛");
    return rows;
}

// The file's own rows are named 元1, 元2, ...
HighScoreTable TableOf(const QList<int>& scores)
{
    HighScoreTable table;
    for (int row = 1; row <= scores.size(); ++row)
        table.setRow(row, {qint16(scores.at(row - 1)), QStringLiteral("普通"), QStringLiteral("元%1").arg(row)});
    return table;
}

// Plays the scores in order on a store, naming the n-th placed game prefix + n.
// Every name entered here holds a line break, which the store keeps off the file.
void PlayOn(HighScoreStore& store, const QList<int>& scores, const QString& prefix)
{
    int n = 0;
    for (const int score : scores) {
        ++n;
        if (store.rankOf(score))
            store.record({qint16(score), QStringLiteral("易しい"), prefix + u'\n' + QString::number(n)});
    }
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs step as an ordinary user, to whom permissions apply: in a child
// process that gives up root first when the tests run as root.
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

// Saves with writes past limit bytes failing as on a full disk (EFBIG).
HighScoreSave SaveWithin(HighScoreStore& store, rlim_t limit)
{
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    getrlimit(RLIMIT_FSIZE, &oldLimit);
    rlimit small = oldLimit;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
    HighScoreSave save = store.save(std::chrono::milliseconds(300));
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);
    return save;
}

// A writable date.dat in a folder nobody else may write to, as an
// administrator shares one table; its rows are named 元1 xxx..., so that a
// new table is shorter. Returns its path.
QString SharedFile(const QTemporaryDir& folder, const HighScoreTable& table)
{
    const QString path = folder.filePath(QStringLiteral("date.dat"));
    HighScoreTable longNames;
    for (int row = 1; row <= HighScoreTable::Rows; ++row)
        longNames.setRow(row, {table.row(row).score, table.row(row).level, table.row(row).name + QString(40, u'x')});
    const bool written = WriteFile(path, writeHighScores(longNames));
    ::chmod(QFile::encodeName(path).constData(), 0666);
    ::chmod(QFile::encodeName(folder.path()).constData(), 0555);
    return written ? path : QString();
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT
private slots:
    // Copy A and copy B load the same file; B places its games and saves;
    // then A places its own and saves.
    void merge_data()
    {
        QTest::addColumn<QList<int>>("initial");   // scores in the file at start; empty: no file
        QTest::addColumn<QList<int>>("theirs");    // games B places and saves first
        QTest::addColumn<QByteArray>("damage");    // written over the file after B's save
        QTest::addColumn<QList<int>>("mine");      // games A places, in play order
        QTest::addColumn<QStringList>("expected"); // the table A saves and then shows

        QTest::newRow("alone, no file") << QList<int>{} << QList<int>{} << QByteArray() << QList<int>{-30, -30, 500}
                                        << WithDefaults({"500 A 3", "-30 A 1", "-30 A 2"});
        QTest::newRow("alone, ties and a score not placed")
            << Descending << QList<int>{} << QByteArray() << QList<int>{600, 0, 600, 950}
            << QStringList{"950 A 4", "900 元1", "800 元2", "700 元3", "600 元4", "600 A 1", "600 A 3", "500 元5",
                           "400 元6", "300 元7"};
        QTest::newRow("other copy placed higher")
            << Descending << QList<int>{850} << QByteArray() << QList<int>{650}
            << QStringList{"900 元1", "850 B 1", "800 元2", "700 元3", "650 A 1", "600 元4", "500 元5", "400 元6",
                           "300 元7", "200 元8"};
        QTest::newRow("other copy placed lower")
            << Descending << QList<int>{150} << QByteArray() << QList<int>{650}
            << QStringList{"900 元1", "800 元2", "700 元3", "650 A 1", "600 元4", "500 元5", "400 元6", "300 元7",
                           "200 元8", "150 B 1"};
        QTest::newRow("equal scores: the saved row above, mine below in play order")
            << Descending << QList<int>{650} << QByteArray() << QList<int>{650, 650}
            << QStringList{"900 元1", "800 元2", "700 元3", "650 B 1", "650 A 1", "650 A 2", "600 元4", "500 元5",
                           "400 元6", "300 元7"};
        QTest::newRow("other copy filled the table above mine")
            << QList<int>{} << QList<int>(10, 50) << QByteArray() << QList<int>{40}
            << QStringList{"50 B 1", "50 B 2", "50 B 3", "50 B 4", "50 B 5", "50 B 6", "50 B 7", "50 B 8", "50 B 9",
                           "50 B 10"};
        const QByteArray whole = writeHighScores(TableOf(Descending));
        QTest::newRow("file damaged meanwhile")
            << Descending << QList<int>{850} << whole.left(whole.indexOf("500\r\n")) << QList<int>{650}
            << WithDefaults({"900 元1", "800 元2", "700 元3", "650 A 1", "600 元4"});
    }

    void merge()
    {
        QFETCH(QList<int>, initial);
        QFETCH(QList<int>, theirs);
        QFETCH(QByteArray, damage);
        QFETCH(QList<int>, mine);
        QFETCH(QStringList, expected);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("date.dat"));
        if (!initial.isEmpty())
            QVERIFY(WriteFile(path, writeHighScores(TableOf(initial))));

        HighScoreStore a(path), b(path);
        QVERIFY(!a.load());
        QVERIFY(!b.load());
        // What a single copy writes when it saves its own table.
        HighScoreTable alone = a.table();
        for (int n = 1; n <= mine.size(); ++n) {
            alone.insert({qint16(mine.at(n - 1)), QStringLiteral("易しい"), QStringLiteral("A %1").arg(n)});
        }

        PlayOn(b, theirs, QStringLiteral("B"));
        if (!theirs.isEmpty())
            QVERIFY(b.save().saved);
        if (!damage.isEmpty())
            QVERIFY(WriteFile(path, damage));
        PlayOn(a, mine, QStringLiteral("A"));

        const HighScoreSave save = a.save();
        QVERIFY2(save.saved, qPrintable(save.reason));
        QCOMPARE(RowsOf(a.table()), expected);
        const QByteArray written = ReadAll(path);
        QCOMPARE(written, writeHighScores(a.table()));
        QCOMPARE(written.count("\r\n"), 30);
        if (theirs.isEmpty())
            QCOMPARE(written, writeHighScores(alone));
        QCOMPARE(save.damage.has_value(), !damage.isEmpty());
        if (save.damage)
            QCOMPARE(ReadAll(save.damage->copyPath), damage);
        QVERIFY(a.unsaved().isEmpty());
        QVERIFY(!QFileInfo::exists(a.lockPath()));

        // Saved rows are not placed a second time.
        QVERIFY(a.save().saved);
        QCOMPARE(ReadAll(path), written);
        // The other copy's next save keeps them too.
        QVERIFY(b.save().saved);
        QCOMPARE(RowsOf(b.table()), expected);
    }

    // A file found damaged at load is moved aside; the next save writes the
    // rows read before the problem, with this copy's games placed on them,
    // and reports nothing more.
    void damagedAtLoad_data()
    {
        QTest::addColumn<QList<int>>("mine");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("nothing played") << QList<int>{} << WithDefaults({"900 元1", "800 元2", "700 元3", "600 元4"});
        QTest::newRow("a game placed") << QList<int>{650}
                                       << WithDefaults({"900 元1", "800 元2", "700 元3", "650 A 1", "600 元4"});
    }

    void damagedAtLoad()
    {
        QFETCH(QList<int>, mine);
        QFETCH(QStringList, expected);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("date.dat"));
        const QByteArray whole = writeHighScores(TableOf(Descending));
        const QByteArray damaged = whole.left(whole.indexOf("500\r\n"));
        QVERIFY(WriteFile(path, damaged));

        HighScoreStore store(path);
        const std::optional<HighScoreDamage> damage = store.load();
        QVERIFY(damage);
        QCOMPARE(ReadAll(damage->copyPath), damaged);
        QVERIFY(!QFileInfo::exists(path));
        PlayOn(store, mine, QStringLiteral("A"));
        const HighScoreSave save = store.save();
        QVERIFY(save.saved);
        QVERIFY(!save.damage);
        QCOMPARE(RowsOf(loadHighScoresFile(path).table), expected);
        QCOMPARE(RowsOf(store.table()), expected);
    }

    // What stands at the lock's or the file's name, where no copy is at work.
    void oddNames_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("saved");
        QTest::newRow("folder at the lock's name: said so, not waited for") << "lock folder" << false;
        QTest::newRow("link loop at date.dat: replaced") << "loop" << true;
        QTest::newRow("link to memory that cannot be read: replaced") << "mem" << true;
    }

    void oddNames()
    {
        QFETCH(QString, setup);
        QFETCH(bool, saved);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("date.dat"));
        HighScoreStore store(path);
        if (setup == "lock folder")
            QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("date.dat.lock")));
        else
            QVERIFY(QFile::link(setup == "loop" ? QStringLiteral("date.dat") : QStringLiteral("/proc/self/mem"), path));
        QCOMPARE(store.load().has_value(), setup != "lock folder");
        PlayOn(store, {70}, QStringLiteral("A"));
        QElapsedTimer clock;
        clock.start();
        const HighScoreSave save = store.save();
        QCOMPARE(save.saved, saved);
        if (saved) {
            QVERIFY(!QFileInfo(path).isSymLink());
            QCOMPARE(RowsOf(loadHighScoresFile(path).table).first(), QStringLiteral("70 A 1"));
        } else {
            QVERIFY2(save.reason.contains(QStringLiteral("同じ名前のフォルダ")), qPrintable(save.reason));
            QVERIFY(clock.elapsed() < HighScoreStore::DefaultLockWait.count());
        }
    }

    void lock_data()
    {
        QTest::addColumn<bool>("holderAlive");
        QTest::newRow("held by a live process: the save fails and the rows wait") << true;
        QTest::newRow("left by a dead process: taken over") << false;
    }

    void lock()
    {
        QFETCH(bool, holderAlive);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("date.dat"));
        HighScoreStore store(path);
        store.load();
        PlayOn(store, {70}, QStringLiteral("A"));

        QLockFile holder(store.lockPath());
        QVERIFY(holder.tryLock());
        if (!holderAlive) {
            // The same lock file, as left behind by a process that has ended since.
            QProcess ended;
            ended.start(QStringLiteral("true"), {});
            QVERIFY(ended.waitForStarted());
            const qint64 deadPid = ended.processId();
            QVERIFY(ended.waitForFinished());
            QByteArray contents = ReadAll(store.lockPath());
            holder.unlock();
            contents.replace(0, contents.indexOf('\n'), QByteArray::number(deadPid));
            QVERIFY(WriteFile(store.lockPath(), contents));
        }

        const HighScoreSave save = store.save(std::chrono::milliseconds(300));
        QCOMPARE(save.saved, !holderAlive);
        if (holderAlive) {
            QVERIFY2(save.reason.contains(QDir::toNativeSeparators(store.lockPath())), qPrintable(save.reason));
            QVERIFY(!QFileInfo::exists(path));
            QCOMPARE(store.unsaved().size(), 1);
            holder.unlock();
            QVERIFY(store.save().saved);
        }
        QCOMPARE(RowsOf(loadHighScoresFile(path).table).first(), QStringLiteral("70 A 1"));
        QVERIFY(!QFileInfo::exists(store.lockPath()));
    }

    // Where no lock file can be made, a copy that holds the lock on the file
    // itself keeps others from saving.
    void sharedFileLock()
    {
        QTemporaryDir folder;
        const QString path = SharedFile(folder, TableOf(Descending));
        QVERIFY(!path.isEmpty());
        const int holder = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        QCOMPARE(::flock(holder, LOCK_EX), 0);
        const QByteArray before = ReadAll(path);
        const bool asExpected = AsOrdinaryUser([&] {
            HighScoreStore store(path);
            store.setPreviousCopyFolder(QStringLiteral(""));   // no per-user folder at all
            store.load();
            PlayOn(store, {950}, QStringLiteral("A"));
            const HighScoreSave save = store.save(std::chrono::milliseconds(300));
            return !save.saved && save.reason.contains(QStringLiteral("保存中"))
                && save.reason.contains(QDir::toNativeSeparators(path));
        });
        ::close(holder);
        ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
        QVERIFY(asExpected);
        QCOMPARE(ReadAll(path), before);
    }

    // A rewrite in place fails part way, with no folder to keep the bytes
    // before it in; the next attempt fails before writing (a second name
    // makes the file one not to rewrite); the third succeeds.
    void inPlaceRetry()
    {
        QTemporaryDir folder, other;
        ::chmod(QFile::encodeName(other.path()).constData(), 0777);
        const QByteArray secondName = QFile::encodeName(other.filePath(QStringLiteral("link")));
        const QString path = SharedFile(folder, TableOf(Descending));
        QVERIFY(!path.isEmpty());
        const bool asExpected = AsOrdinaryUser([&] {
            HighScoreStore store(path);
            store.setPreviousCopyFolder(QStringLiteral(""));   // no per-user folder at all
            store.load();
            PlayOn(store, {950}, QStringLiteral("A"));
            const HighScoreSave first = SaveWithin(store, 100);
            const bool linked = ::link(QFile::encodeName(path).constData(), secondName.constData()) == 0;
            const HighScoreSave second = store.save();
            const bool unlinked = ::unlink(secondName.constData()) == 0;
            return !first.saved && linked && unlinked && !second.saved
                && second.reason.contains(QStringLiteral("権限がありません"))
                && !second.reason.contains(QStringLiteral("変更していません"))
                && second.reason.contains(QStringLiteral("途中まで書き換わって")) && store.save().saved;
        });
        ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
        QVERIFY(asExpected);
        // The row once, on the rows read before the first attempt.
        const QStringList rows = RowsOf(loadHighScoresFile(path).table);
        QCOMPARE(rows.first(), QStringLiteral("950 A 1"));
        QCOMPARE(rows.at(1), QStringLiteral("900 元1") + QString(40, u'x'));
        QCOMPARE(rows.filter(QStringLiteral("950")).size(), 1);
    }

    // A file to rewrite in place, and a per-user folder that cannot take what
    // it holds: the save fails and leaves the file as it was, to the byte
    // and in length, although the longer table had room reserved for it;
    // once the folder can take them, it succeeds.
    void inPlaceNeedsKeptBytes()
    {
        QTemporaryDir folder, mine;
        ::chmod(QFile::encodeName(mine.path()).constData(), 0777);
        QVERIFY(WriteFile(mine.filePath(QStringLiteral("file")), "not a folder"));
        const QString path = SharedFile(folder, TableOf(Descending));
        QVERIFY(!path.isEmpty());
        const QByteArray before = ReadAll(path);
        const bool asExpected = AsOrdinaryUser([&] {
            HighScoreStore store(path);
            store.setPreviousCopyFolder(mine.filePath(QStringLiteral("file/pyokopon")));
            store.load();
            PlayOn(store, {950}, QString(300, u'名'));
            const HighScoreSave save = store.save();
            const bool refused = !save.saved && ReadAll(path) == before && store.unsaved().size() == 1
                && save.reason.contains(QDir::toNativeSeparators(store.previousCopyPath()))
                && save.reason.contains(QStringLiteral("変更していません"));
            store.setPreviousCopyFolder(mine.path());
            return refused && store.save().saved && !QFileInfo::exists(store.previousCopyPath());
        });
        ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
        QVERIFY(asExpected);
        QCOMPARE(RowsOf(loadHighScoresFile(path).table).first(), "950 " + QString(300, u'名') + " 1");
    }

    // The file as found against the bytes kept before a rewrite in place
    // ("0123456789") and those it writes.
    void cutShort_data()
    {
        QTest::addColumn<QByteArray>("next");
        QTest::addColumn<QByteArray>("found");
        QTest::addColumn<bool>("cutShort");
        QTest::newRow("not begun") << QByteArray("abcdefgh") << QByteArray("0123456789") << false;
        QTest::newRow("ended") << QByteArray("abcdefgh") << QByteArray("abcdefgh") << false;
        QTest::newRow("length not cut yet") << QByteArray("abcdefgh") << QByteArray("abcdefgh89") << true;
        QTest::newRow("bytes in any order") << QByteArray("abcdefgh") << QByteArray("0b2d4f6h89") << true;
        QTest::newRow("reserved room still zero") << QByteArray("abcdefghijkl")
                                                  << QByteArray("abc3456789\0\0", 12) << true;
        QTest::newRow("another writer saved since") << QByteArray("abcdefgh") << QByteArray("abcdefgX89") << false;
        QTest::newRow("a longer write cut short") << QByteArray("abcdefghijkl") << QByteArray("abcdefghijk") << true;
        QTest::newRow("longer than both") << QByteArray("abcdefgh") << QByteArray("abcdefgh89X") << false;
        QTest::newRow("shorter than both") << QByteArray("abcdefgh") << QByteArray("abcdefg") << false;
    }

    void cutShort()
    {
        QFETCH(QByteArray, next);
        QFETCH(QByteArray, found);
        QFETCH(bool, cutShort);
        QTemporaryDir mine;
        const InPlaceBackup backup(QStringLiteral("/shared/date.dat"), mine.path());
        QVERIFY(!backup.isKept());
        QVERIFY(backup.keep("0123456789", next));
        QVERIFY(backup.isKept());
        QVERIFY(backup.previousPath().endsWith(QStringLiteral(".previous")));
        QCOMPARE(backup.cutShort(found), cutShort);
        backup.remove();
        QVERIFY(!backup.isKept());
        QVERIFY(!backup.cutShort(found));
    }

    // What the store keeps of a label and a name, and what a later copy reads back.
    void recordCutsFields_data()
    {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("kept");
        const qsizetype limit = HighScoreFieldLimit;
        QTest::newRow("at the limit") << QString(limit, u'名') << QString(limit, u'名');
        QTest::newRow("one past the limit") << QString(limit + 1, u'名') << QString(limit, u'名');
        QTest::newRow("a surrogate pair across the limit goes whole")
            << QString(limit - 1, u'x') + QStringLiteral("\U0001F600") << QString(limit - 1, u'x');
        QTest::newRow("line breaks become spaces before the cut")
            << "a\r\n" + QString(limit, u'b') << "a " + QString(limit - 2, u'b');
    }

    void recordCutsFields()
    {
        QFETCH(QString, entered);
        QFETCH(QString, kept);
        QTemporaryDir folder;
        HighScoreStore store(folder.filePath(QStringLiteral("date.dat")));
        store.load();
        store.record({100, entered, entered});
        QCOMPARE(store.table().row(1), (HighScoreRow{100, kept, kept}));
        QVERIFY(store.save().saved);
        HighScoreStore later(store.path());
        QVERIFY(!later.load());
        QCOMPARE(later.table().row(1), (HighScoreRow{100, kept, kept}));
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
