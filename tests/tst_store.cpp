#include "scores/HighScoreFile.h"
#include "scores/HighScoreFormat.h"
#include "scores/HighScoreStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
