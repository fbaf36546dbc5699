#pragma once

#include <QtGlobal>

#include <memory>

class RandomSource;

// The rules of play, with no window in sight: the difficulty, the start, the
// tick that moves the target and counts the time, hits and misses, and the
// pause while a command's question or window is open. The board forwards
// its events here and redraws from what each call reports.
class GameRound {
public:
    static constexpr float GameSeconds = 40.0f;

    // The source gives the random holes; it is seeded by seedRandom.
    explicit GameRound(std::unique_ptr<RandomSource> random);
    GameRound(GameRound&&) noexcept;
    ~GameRound();

    void setRandomSource(std::unique_ptr<RandomSource> random);
    void seedRandom();

    // 0 easy, 1 normal, 2 difficult: 1000, 750 or 500 ms between ticks. A
    // running game keeps its own pace; the choice counts from the next start.
    void chooseDifficulty(int index);

    // Begins a new game, abandoning a running one: score and time at zero,
    // the first hole drawn (not shown before the first tick). Returns false,
    // changing nothing, while no difficulty has been chosen.
    bool start();

    struct TickResult {
        bool moved = false;    // false: no game runs, nothing changed
        int clearedHole = 0;   // the hole the target left (the new one may be the same)
        bool ended = false;    // this tick took the time past 40 seconds
    };
    // One tick of the game's timer, whose interval in milliseconds the
    // timer itself reports: charges an unhit target 5, moves the target to
    // a random hole and counts the interval as played time. The game ends
    // on the tick that takes the time strictly past 40 seconds; its target
    // stays up and is never charged.
    TickResult tick(int timerInterval);

    enum class HitResult {
        Ignored,    // no game runs
        Hit,        // +30; the target shows as hit
        AlreadyHit, // the target's hole again, after a hit or before it was shown: no change
        Miss,       // -30
    };
    // 1 <= hole <= 9.
    HitResult hitHole(int hole);

    // Holds a running game still (ticks and clicks do nothing) until resume,
    // which restores the state from before. Pauses nest: a question asked
    // while another is open (a save at logout during the quit question)
    // holds the game until the last one is answered.
    void pause();
    void resume();

    qint32 score() const { return score_; }
    // 1..9, the hole of the last target; 0 before the first start.
    int targetHole() const { return targetHole_; }
    bool playing() const { return playing_; }
    bool targetUp() const { return targetUp_; }
    float elapsed() const { return elapsed_; }
    // 40 less the played time, as a 32-bit float.
    float secondsLeft() const { return GameSeconds - elapsed_; }
    // 1000, 750 or 500; 0 until a difficulty is chosen.
    qint16 tickInterval() const { return tickInterval_; }

private:
    quint8 randomHole();

    std::unique_ptr<RandomSource> random_;
    bool targetUp_ = false;   // the target shown by the last tick is still unhit
    qint32 score_ = 0;
    quint8 targetHole_ = 0;
    bool playing_ = false;    // a game runs and is not paused
    float elapsed_ = 0.0f;    // seconds of play in this game
    qint16 tickInterval_ = 0;
    bool wasPlaying_ = false; // playing_ as it was before the outermost pause
    int pauses_ = 0;          // pauses not yet resumed
};
