#include "scores/FileMessages.h"
#include "scores/HighScoreFile.h"
#include "scores/HighScoreFormat.h"
#include "scores/HighScoreStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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
        QVERIFY2(save.saved, qPrintable(saveFailureReason(path, save)));
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
        QVERIFY(QFileInfo(path + QStringLiteral(".lock")).isFile());

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

    // What stands at the lock's or the file's name, or holds a lock there.
    // A save never waits on what is no regular file, waits for whoever holds
    // the lock file or date.dat itself (as a copy that cannot make the lock
    // file does), and takes a lock file left by a copy that was killed.
    void lock_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("reason");   // empty: saved
        QTest::newRow("folder at the lock's name and no file: said so, not waited for")
            << "lock folder" << "フォルダがあるため";
        QTest::newRow("FIFO at the lock's name: never opened to wait, the file is locked") << "lock fifo" << "";
        QTest::newRow("link to /dev/zero at the lock's name: not followed") << "lock zero" << "";
        QTest::newRow("link loop at date.dat: replaced") << "loop" << "";
        QTest::newRow("link to memory that cannot be read: replaced") << "mem" << "";
        QTest::newRow("lock file held: the save fails and the rows wait") << "date.dat.lock" << "保存中";
        QTest::newRow("date.dat held by a copy without the lock file") << "date.dat" << "保存中";
        QTest::newRow("lock file left by a killed copy: taken") << "lock left" << "";
    }

    void lock()
    {
        QFETCH(QString, setup);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("date.dat"));
        const QString lockPath = path + QStringLiteral(".lock");
        const bool link = setup == "loop" || setup == "mem";
        const bool held = setup == "date.dat.lock" || setup == "date.dat";
        if (setup == "lock folder")
            QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("date.dat.lock")));
        else if (setup == "lock fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(lockPath).constData(), 0666), 0);
        else if (setup == "lock zero")
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), lockPath));
        else if (link)
            QVERIFY(QFile::link(setup == "loop" ? QStringLiteral("date.dat") : QStringLiteral("/proc/self/mem"), path));
        else
            QVERIFY(WriteFile(lockPath, QByteArray()));
        if (!link && setup != "lock folder")
            QVERIFY(WriteFile(path, writeHighScores(TableOf(Descending))));
        HighScoreStore store(path);
        QCOMPARE(store.load().has_value(), link);
        PlayOn(store, {970}, QStringLiteral("A"));
        const int holder = held ? ::open(QFile::encodeName(folder.filePath(setup)).constData(), O_RDONLY) : -1;
        QVERIFY(!held || ::flock(holder, LOCK_EX) == 0);
        const std::chrono::milliseconds wait(held ? 300 : HighScoreStore::DefaultLockWait.count());
        QElapsedTimer clock;
        clock.start();
        const HighScoreSave save = store.save(wait);
        QVERIFY(held || clock.elapsed() < wait.count());
        QCOMPARE(save.saved, reason.isEmpty());
        if (!reason.isEmpty()) {
            const QString said = saveFailureReason(path, save);
            QVERIFY2(said.contains(reason) && !said.contains(QStringLiteral("再試行")), qPrintable(said));
            QCOMPARE(store.unsaved().size(), 1);
        }
        if (held) {
            QCOMPARE(RowsOf(loadHighScoresFile(path).table).first(), QStringLiteral("900 元1"));
            ::close(holder);
            QVERIFY(store.save().saved);
        }
        if (store.unsaved().isEmpty()) {
            QVERIFY(!QFileInfo(path).isSymLink());
            QCOMPARE(RowsOf(loadHighScoresFile(path).table).first(), QStringLiteral("970 A 1"));
        }
    }

    // A rewrite in place fails before the new table is kept in the file; a
    // copy saves meanwhile; the retry is a new save that keeps both rows.
    void inPlaceRetry()
    {
        QTemporaryDir folder;
        const QString path = SharedFile(folder, TableOf(Descending));
        QVERIFY(!path.isEmpty());
        const bool asExpected = AsOrdinaryUser([&] {
            HighScoreStore store(path), other(path);
            store.load();
            other.load();
            PlayOn(store, {950}, QStringLiteral("A"));
            const HighScoreSave first = SaveWithin(store, 100);
            PlayOn(other, {850}, QStringLiteral("B"));
            return !first.saved && first.outcome.step == FileStep::Write && other.save().saved && store.save().saved;
        });
        ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
        QVERIFY(asExpected);
        const QStringList rows = RowsOf(loadHighScoresFile(path).table);
        QCOMPARE(rows.first(), QStringLiteral("950 A 1"));
        QCOMPARE(rows.at(1), QStringLiteral("900 元1") + QString(40, u'x'));
        QCOMPARE(rows.at(2), QStringLiteral("850 B 1"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("date.dat")});
    }

    // What a rewrite in place cut short leaves, as another copy finds it and
    // saves over it from a folder it cannot write: every copy reads the same
    // table, and the save leaves the file in the written form alone.
    void leftByCrash_data()
    {
        QTest::addColumn<qsizetype>("headWritten");   // bytes of the new table written at the start
        QTest::addColumn<int>("tailCut");             // bytes missing at the end of the tail
        QTest::addColumn<bool>("readsNew");
        QTest::newRow("whole tail, start untouched") << qsizetype(0) << 0 << true;
        QTest::newRow("whole tail, start half written") << qsizetype(200) << 0 << true;
        QTest::newRow("whole tail, start written, length not cut") << qsizetype(-1) << 0 << true;
        QTest::newRow("tail cut short") << qsizetype(0) << 30 << false;
    }

    void leftByCrash()
    {
        QFETCH(qsizetype, headWritten);
        QFETCH(int, tailCut);
        QFETCH(bool, readsNew);
        QTemporaryDir folder;
        const QByteArray old = writeHighScores(TableOf(Descending));
        HighScoreTable next = TableOf(Descending);
        next.insert({850, QStringLiteral("普通"), QStringLiteral("killed")});
        const QByteArray written = writeHighScores(next);
        QByteArray file = old + tailBlock(written, old.size());
        file.chop(tailCut);
        const qsizetype head = headWritten < 0 ? written.size() : headWritten;
        file.replace(0, head, written.first(head));
        const QString path = SharedFile(folder, HighScoreTable());
        QVERIFY(WriteFile(path, file));
        const HighScoreTable found = readsNew ? next : TableOf(Descending);
        const bool asExpected = AsOrdinaryUser([&] {
            HighScoreStore store(path);
            const bool clean = !store.load() && store.table() == found;
            PlayOn(store, {950}, QStringLiteral("A"));
            return clean && store.save().saved;
        });
        ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
        QVERIFY(asExpected);
        HighScoreTable expected = found;
        expected.insert({950, QStringLiteral("易しい"), QStringLiteral("A 1")});
        QCOMPARE(ReadAll(path), writeHighScores(expected));
    }

    // A file in the written form, loaded and saved with no game played,
    // comes out the same; only line ends inside a field become spaces.
    void loadAndSave_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("saved");
        QTest::newRow("a tab is kept") << QStringLiteral("a\tb") << QStringLiteral("a\tb");
        QTest::newRow("a line end becomes a space") << QStringLiteral("a\r\nb\nc") << QStringLiteral("a b c");
    }

    void loadAndSave()
    {
        QFETCH(QString, name);
        QFETCH(QString, saved);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("date.dat"));
        HighScoreTable table = TableOf(Descending);
        table.setRow(3, {700, QStringLiteral("普通"), name});
        QVERIFY(WriteFile(path, writeHighScores(table)));
        HighScoreStore store(path);
        QVERIFY(!store.load());
        QVERIFY(store.save().saved);
        table.setRow(3, {700, QStringLiteral("普通"), saved});
        QCOMPARE(ReadAll(path), writeHighScores(table));
    }

    // A shared file the player cannot write seeds the player's own file,
    // read from then on; the shared one is left as it was.
    void seed()
    {
        QTemporaryDir folder;
        const QString shared = folder.filePath(QStringLiteral("shared.dat"));
        const QByteArray before = writeHighScores(TableOf(Descending));
        QVERIFY(WriteFile(shared, before));
        HighScoreStore store(folder.filePath(QStringLiteral("own/date.dat")));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("own")));
        store.setSeedPath(shared);
        QVERIFY(!store.load());
        PlayOn(store, {650}, QStringLiteral("A"));
        QVERIFY(store.save().saved);
        QCOMPARE(ReadAll(shared), before);
        const QStringList rows = RowsOf(loadHighScoresFile(store.path()).table);
        QCOMPARE(rows.mid(2, 3), (QStringList{"700 元3", "650 A 1", "600 元4"}));
        PlayOn(store, {150}, QStringLiteral("B"));
        QVERIFY(store.save().saved);
        QCOMPARE(RowsOf(loadHighScoresFile(store.path()).table).last(), QStringLiteral("150 B 1"));
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
