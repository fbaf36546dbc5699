#pragma once

#include "scores/HighScoreStore.h"

#include <QString>

// Every sentence the player reads about date.dat, in Japanese, made from
// what the file pieces report; nothing else words a sentence about it.

// One sentence naming the line or the cause of a fault; empty for no fault.
QString problemSentence(const HighScoreFault& fault);

// Why a save did not reach the file, and what the file holds now. Says
// nothing of buttons: it is read in a box and on standard error alike.
QString saveFailureReason(const QString& path, const HighScoreSave& save);

// Why locking or writing the file failed, and what the file holds now;
// empty when it did not.
QString writeFailureReason(const QString& path, const FileOutcome& outcome);

// What the player must know about a date.dat found damaged.
QString damageMessage(const QString& path, const HighScoreDamage& damage);
// A save failed, in the box that offers Retry and Cancel.
QString saveFailedMessage(const QString& path, const QString& reason);
// For standard error, when the program ends on a signal without saving.
QString notSavedAtEndMessage(const QString& path, const QString& reason);

// At start-up, when scores can be kept neither in the executable's folder
// nor in the per-user data folder (appDataFolder, empty when none could be
// determined).
QString noPlaceForScoresMessage(const QString& exeFolder, const QString& appDataFolder);
// At start-up, when the shared file can be read but neither it nor its
// folder written: the scores go to the player's own file from now on.
QString ownFileMessage(const QString& sharedPath, const QString& ownPath);
