#include "ScriptedRandom.h"

#include "game/GameRound.h"
#include "game/KeypadHole.h"

#include <QTest>

namespace {

// A round whose random holes come from the list, started on a difficulty.
GameRound startedRound(QList<double> random, int difficulty = 0)
{
    GameRound round(std::make_unique<ScriptedRandom>(std::move(random)));
    round.chooseDifficulty(difficulty);
    round.start();
    return round;
}

int intervalOf(int difficulty)
{
    return 1000 - 250 * difficulty;
}

// Runs a script: T is a tick at the difficulty's interval, a digit a click on that hole.
void play(GameRound& round, const QString& actions, int interval = 1000)
{
    for (const QChar action : actions) {
        if (action == u'T')
            round.tick(interval);
        else
            round.hitHole(action.digitValue());
    }
}

} // namespace

class RoundTest : public QObject {
    Q_OBJECT
private slots:
    void scoring_data();
    void scoring();
    void gameLength_data();
    void gameLength();
    void nothingMovesWithoutRunningGame_data();
    void nothingMovesWithoutRunningGame();
    void difficultyCountsFromTheNextStart();
    void startDuringGameBeginsAfresh();
    void keypadHole_data();
    void keypadHole();
};

void RoundTest::scoring_data()
{
    QTest::addColumn<QString>("actions");
    QTest::addColumn<qint32>("score");
    QTest::addColumn<int>("lastResult");   // of the last click
    const int hit = int(GameRound::HitResult::Hit);
    const int again = int(GameRound::HitResult::AlreadyHit);
    const int miss = int(GameRound::HitResult::Miss);
    // The start picks hole 5 (not shown); the ticks then show holes 3, 3, 7.
    QTest::newRow("unshown target is no hit") << "5" << 0 << again;
    QTest::newRow("miss before the first tick") << "1" << -30 << miss;
    QTest::newRow("first tick charges nothing") << "T" << 0 << -1;
    QTest::newRow("unhit target costs five") << "TT" << -5 << -1;
    QTest::newRow("hit") << "T3" << 30 << hit;
    QTest::newRow("hit target is not charged") << "T3T" << 30 << hit;
    QTest::newRow("second click on a hit") << "T33" << 30 << again;
    QTest::newRow("miss after a hit") << "T31" << 0 << miss;
    QTest::newRow("same hole twice can be hit twice") << "T3T3" << 60 << hit;
    QTest::newRow("old hole after the target moved") << "TTT3" << -40 << miss;
}

void RoundTest::scoring()
{
    QFETCH(QString, actions);
    QFETCH(qint32, score);
    QFETCH(int, lastResult);
    GameRound round = startedRound(holes({5, 3, 3, 7}));
    const QString before = actions.chopped(1);
    play(round, before);
    const QChar last = actions.back();
    if (last == u'T') {
        round.tick(1000);
    } else {
        QCOMPARE(int(round.hitHole(last.digitValue())), lastResult);
    }
    QCOMPARE(round.score(), score);
}

void RoundTest::gameLength_data()
{
    QTest::addColumn<int>("difficulty");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<float>("finalElapsed");
    QTest::addColumn<float>("leftAfterFirstTick");
    QTest::newRow("easy") << 0 << 41 << 41.0f << 39.0f;
    QTest::newRow("normal") << 1 << 54 << 40.5f << 39.25f;
    QTest::newRow("difficult") << 2 << 81 << 40.5f << 39.5f;
}

void RoundTest::gameLength()
{
    QFETCH(int, difficulty);
    QFETCH(int, ticks);
    QFETCH(float, finalElapsed);
    QFETCH(float, leftAfterFirstTick);
    GameRound round = startedRound(holes({5, 3, 7, 1, 9}), difficulty);
    QCOMPARE(int(round.tickInterval()), intervalOf(difficulty));
    // Every target but the last is hit, and each third one is preceded by a miss.
    for (int tick = 1; tick < ticks; ++tick) {
        const GameRound::TickResult result = round.tick(intervalOf(difficulty));
        QVERIFY(result.moved && !result.ended);
        if (tick == 1)
            QCOMPARE(round.secondsLeft(), leftAfterFirstTick);
        if (tick % 3 == 0)
            QCOMPARE(round.hitHole(round.targetHole() == 2 ? 4 : 2), GameRound::HitResult::Miss);
        QCOMPARE(round.hitHole(round.targetHole()), GameRound::HitResult::Hit);
    }
    QVERIFY(round.secondsLeft() >= 0.0f);   // exactly 40 s does not end the game
    const int lastFrom = round.targetHole();
    const GameRound::TickResult end = round.tick(intervalOf(difficulty));
    QVERIFY(end.moved && end.ended);
    QCOMPARE(end.clearedHole, lastFrom);
    QVERIFY(!round.playing());
    QCOMPARE(round.elapsed(), finalElapsed);
    // The last target stays up, can no longer be hit and is never charged.
    const qint32 expected = (ticks - 1) * 30 - ((ticks - 1) / 3) * 30;
    QCOMPARE(round.score(), expected);
    QCOMPARE(round.hitHole(round.targetHole()), GameRound::HitResult::Ignored);
    QCOMPARE(round.tick(intervalOf(difficulty)).moved, false);
    QCOMPARE(round.score(), expected);
    QVERIFY(round.targetUp());
}

void RoundTest::nothingMovesWithoutRunningGame_data()
{
    QTest::addColumn<QString>("before");   // played before the still time
    QTest::addColumn<int>("pauses");       // nested pauses that hold it, rather than no game
    QTest::newRow("before the first start") << QString() << 0;
    QTest::newRow("paused during a game") << "T3T" << 1;
    QTest::newRow("paused twice during a game") << "T3T" << 2;
    QTest::newRow("paused with no game") << QString() << 1;
}

void RoundTest::nothingMovesWithoutRunningGame()
{
    QFETCH(QString, before);
    QFETCH(int, pauses);
    GameRound round(std::make_unique<ScriptedRandom>(holes({5, 3, 7, 1})));
    const bool running = !before.isEmpty();
    if (running) {
        round.chooseDifficulty(0);
        round.start();
        play(round, before);
    }
    for (int pause = 0; pause < pauses; ++pause)
        round.pause();
    const int hole = round.targetHole();
    const float elapsed = round.elapsed();
    const qint32 score = round.score();
    const bool up = round.targetUp();
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(round.tick(1000).moved, false);
        QCOMPARE(round.hitHole(i + 1), GameRound::HitResult::Ignored);
    }
    QCOMPARE(round.targetHole(), hole);
    QCOMPARE(round.elapsed(), elapsed);
    QCOMPARE(round.score(), score);
    QCOMPARE(round.targetUp(), up);
    for (int pause = 0; pause < pauses; ++pause) {
        QCOMPARE(round.playing(), false);   // still held until the outermost pause ends
        round.resume();
    }
    QCOMPARE(round.playing(), running);
    // A resumed game goes on where it stood: the next tick charges the unhit target.
    if (running) {
        round.tick(1000);
        QCOMPARE(round.elapsed(), elapsed + 1.0f);
        QCOMPARE(round.score(), score - 5);
    }
}

void RoundTest::difficultyCountsFromTheNextStart()
{
    GameRound round = startedRound(holes({5}), 0);
    round.tick(1000);
    round.chooseDifficulty(2);
    QCOMPARE(round.tickInterval(), qint16(500));
    // The running game is paced by its timer, which keeps the old interval.
    round.tick(1000);
    QCOMPARE(round.elapsed(), 2.0f);
    QVERIFY(round.start());
    QCOMPARE(round.elapsed(), 0.0f);

    GameRound unchosen(std::make_unique<ScriptedRandom>(holes({5})));
    QVERIFY(!unchosen.start());
    QVERIFY(!unchosen.playing());
    QCOMPARE(unchosen.targetHole(), 0);
    QCOMPARE(unchosen.tickInterval(), qint16(0));
}

void RoundTest::startDuringGameBeginsAfresh()
{
    GameRound round = startedRound(holes({5, 3, 7, 2, 8}));
    play(round, "T3TT1");
    QVERIFY(round.score() != 0);
    QVERIFY(round.start());
    QCOMPARE(round.score(), 0);
    QCOMPARE(round.elapsed(), 0.0f);
    QVERIFY(!round.targetUp());
    QVERIFY(round.playing());
    QCOMPARE(round.targetHole(), 8);   // drawn afresh
    // The first tick of the new game charges nothing.
    round.tick(1000);
    QCOMPARE(round.score(), 0);
}

void RoundTest::keypadHole_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("hole");
    const int none = Qt::NoModifier;
    const int pad = Qt::KeypadModifier;
    QTest::newRow("keypad 1 numlock on") << int(Qt::Key_1) << pad << 1;
    QTest::newRow("keypad 9 numlock on") << int(Qt::Key_9) << pad << 9;
    QTest::newRow("keypad 9 with shift") << int(Qt::Key_9) << int(Qt::KeypadModifier | Qt::ShiftModifier) << 9;
    QTest::newRow("keypad 0 numlock on") << int(Qt::Key_0) << pad << 0;
    QTest::newRow("keypad 1 numlock off") << int(Qt::Key_End) << pad << 1;
    QTest::newRow("keypad 2 numlock off") << int(Qt::Key_Down) << pad << 2;
    QTest::newRow("keypad 3 numlock off") << int(Qt::Key_PageDown) << pad << 3;
    QTest::newRow("keypad 4 numlock off") << int(Qt::Key_Left) << pad << 4;
    QTest::newRow("keypad 5 numlock off") << int(Qt::Key_Clear) << pad << 5;
    QTest::newRow("keypad 6 numlock off") << int(Qt::Key_Right) << pad << 6;
    QTest::newRow("keypad 7 numlock off") << int(Qt::Key_Home) << pad << 7;
    QTest::newRow("keypad 8 numlock off") << int(Qt::Key_Up) << pad << 8;
    QTest::newRow("keypad 9 numlock off") << int(Qt::Key_PageUp) << pad << 9;
    QTest::newRow("keypad 0 numlock off") << int(Qt::Key_Insert) << pad << 0;
    QTest::newRow("digit row 1") << int(Qt::Key_1) << none << 0;
    QTest::newRow("arrow key is no hole") << int(Qt::Key_Up) << none << 0;
    QTest::newRow("home key is no hole") << int(Qt::Key_Home) << none << 0;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << pad << 0;
    QTest::newRow("keypad letter") << int(Qt::Key_S) << pad << 0;
}

void RoundTest::keypadHole()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, hole);
    QCOMPARE(::keypadHole(key, Qt::KeyboardModifiers(modifiers)), hole);
}

QTEST_GUILESS_MAIN(RoundTest)
#include "tst_round.moc"
