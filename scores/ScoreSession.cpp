#include "scores/ScoreSession.h"

#include "platform/CheckedMath.h"
#include "scores/FileMessages.h"
#include "scores/ScoreSessionView.h"

#include <cstdio>

namespace {

void writeToStandardError(const QString& text)
{
    std::fputs(qPrintable(text + u'\n'), stderr);
    std::fflush(stderr);
}

} // namespace

ScoreSession::ScoreSession(ScoreSessionView& view)
    : view_(view)
{
}

void ScoreSession::load(const QString& path, const QString& notice, const QString& seed)
{
    if (!notice.isEmpty())
        tell(notice);
    store_.setPath(path);
    store_.setSeedPath(seed);
    tellAboutDamage(store_.load());
    view_.showBestScore(table().row(1).score);
}

void ScoreSession::finishGame(qint32 score, int tickInterval)
{
    const std::optional<int> rank = store_.rankOf(score);
    if (!rank)
        return;
    if (*rank == 1)
        view_.showBestScore(score);
    const QString name = view_.askName();
    store_.record(HighScoreRow{checkedNarrow16(score), levelLabel(tickInterval), name});
    // The name is on disk before the table is shown, and the table shows
    // what other copies saved meanwhile.
    save();
    view_.showTable(table());
}

bool ScoreSession::save()
{
    HighScoreSave result;
    for (;;) {
        result = store_.save();
        tellAboutDamage(result.damage);
        lastFailure_ = result.saved ? QString() : saveFailureReason(path(), result);
        if (result.saved || !asking_ || !view_.askRetry(saveFailedMessage(path(), lastFailure_)))
            break;
    }
    view_.showBestScore(table().row(1).score);
    view_.refreshTable(table());
    return result.saved;
}

bool ScoreSession::saveWithoutAsking()
{
    return store_.save().saved;
}

bool ScoreSession::saveAtClose()
{
    // Also when the end came while Retry was being asked.
    const bool saved = save();
    if (!saved && !asking_)
        writeToStandardError(notSavedAtEndMessage(path(), lastFailure_));
    return saved;
}

void ScoreSession::tellAboutDamage(const std::optional<HighScoreDamage>& damage)
{
    if (!damage)
        return;
    // A damaged file has been kept aside before any save writes over it.
    tell(damageMessage(path(), *damage));
}

void ScoreSession::tell(const QString& message)
{
    if (asking_)
        view_.tellAboutFile(message);
    else
        writeToStandardError(message);
}
