#include "SaveLoopTables.h"
#include "scores/HighScoreFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

// A save killed at any moment leaves date.dat exactly as one of the two
// tables wrote it, never a part or a mix; the next save leaves no
// temporary file behind.
class TestSaveKill : public QObject {
    Q_OBJECT

private slots:
    void killDuringSaves()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("date.dat"));
        const QByteArray tables[] = {writeHighScores(SaveLoopTable(0)), writeHighScores(SaveLoopTable(1))};
        QVERIFY(saveHighScoresFile(path, SaveLoopTable(0)).succeeded());

        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        int found[2] = {};
        int leftovers = 0;
        for (int trial = 0; trial < 100; ++trial) {
            QProcess loop;
            loop.start(QStringLiteral(SAVE_LOOP), {path});
            QVERIFY(loop.waitForStarted(30000));
            QVERIFY2(loop.waitForReadyRead(30000), "save_loop did not save");
            QThread::usleep(random.bounded(20000));
            ::kill(pid_t(loop.processId()), SIGKILL);
            QVERIFY(loop.waitForFinished(30000));
            QCOMPARE(loop.exitStatus(), QProcess::CrashExit);

            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            file.close();
            const int which = bytes == tables[0] ? 0 : bytes == tables[1] ? 1 : -1;
            QVERIFY2(which >= 0, qPrintable(QStringLiteral("trial %1 (seed %2): %3 bytes of neither table")
                                                .arg(trial).arg(seed).arg(bytes.size())));
            ++found[which];
            const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            leftovers += int(entries.size() > 1);

            QVERIFY(saveHighScoresFile(path, SaveLoopTable(which)).succeeded());
            QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                     QStringList{QStringLiteral("date.dat")});
        }
        qInfo("100 kills (seed %u): %d left the first table, %d the second; %d left a temporary file, "
              "removed by the next save",
              seed, found[0], found[1], leftovers);
    }
};

QTEST_GUILESS_MAIN(TestSaveKill)
#include "tst_savekill.moc"
