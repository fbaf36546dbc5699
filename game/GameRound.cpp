#include "game/GameRound.h"

#include "platform/CheckedMath.h"
#include "platform/RandomSource.h"

#include <cmath>

GameRound::GameRound(std::unique_ptr<RandomSource> random)
    : random_(std::move(random))
{
}

GameRound::GameRound(GameRound&&) noexcept = default;
GameRound::~GameRound() = default;

void GameRound::setRandomSource(std::unique_ptr<RandomSource> random)
{
    random_ = std::move(random);
}

void GameRound::seedRandom()
{
    random_->seedFromTimeOfDay();
}

quint8 GameRound::randomHole()
{
    const double r = random_->next();
    return static_cast<quint8>(std::floor(r * 9 + 1));
}

void GameRound::chooseDifficulty(int index)
{
    tickInterval_ = checkedNarrow16(1000 - 250 * qint64(index));
}

bool GameRound::start()
{
    if (tickInterval_ == 0)
        return false;
    playing_ = true;
    targetUp_ = false;
    score_ = 0;
    elapsed_ = 0.0f;
    targetHole_ = randomHole();
    return true;
}

GameRound::TickResult GameRound::tick(int timerInterval)
{
    if (!playing_)
        return {};
    if (targetUp_)
        score_ = checkedAdd32(score_, -5);
    TickResult result;
    result.moved = true;
    result.clearedHole = targetHole_;
    targetHole_ = randomHole();
    targetUp_ = true;
    // The sum is formed in double precision and kept as a 32-bit float.
    elapsed_ = float(double(elapsed_) + double(timerInterval) / 1000.0);
    if (elapsed_ > GameSeconds) {
        playing_ = false;
        result.ended = true;
    }
    return result;
}

GameRound::HitResult GameRound::hitHole(int hole)
{
    if (!playing_)
        return HitResult::Ignored;
    if (hole != targetHole_) {
        score_ = checkedAdd32(score_, -30);
        return HitResult::Miss;
    }
    if (!targetUp_)
        return HitResult::AlreadyHit;
    targetUp_ = false;
    score_ = checkedAdd32(score_, 30);
    return HitResult::Hit;
}

void GameRound::pause()
{
    if (pauses_++ == 0)
        wasPlaying_ = playing_;
    playing_ = false;
}

void GameRound::resume()
{
    if (pauses_ > 0 && --pauses_ == 0)
        playing_ = wasPlaying_;
}
