#pragma once

#include "platform/FileReplacement.h"
#include "scores/HighScoreFormat.h"

#include <QLockFile>
#include <QString>

#include <sys/types.h>

// Every sentence the player reads about date.dat and its lock, in Japanese.

// One sentence naming the line of a fault found in the file's text; empty
// for no fault.
QString problemSentence(const HighScoreFault& fault);

// Why the file could not be looked at or opened for reading.
QString inspectFailedSentence(int error);
QString openFailedSentence(int error);
// For a folder, FIFO, device or socket (by its st_mode) where date.dat should be.
QString notAFileSentence(mode_t mode);
// For a link at date.dat that leads to nothing that can be read.
QString unreadableLinkSentence();

// Why writing the file at path failed, and whether the file saved before is
// still whole.
QString replaceFailedReason(const QString& path, const ReplaceOutcome& outcome);

// Why a save could not take the lock file at lockPath.
QString lockFailureReason(const QString& lockPath, QLockFile::LockError error);
// Why a save could not start: a folder stands where its lock file goes.
QString lockIsFolderReason(const QString& lockPath);

// Message box texts.
QString damagedFileMessage(const QString& path, const QString& problem, const QString& copyPath);
// For a folder, FIFO, device or socket where date.dat should be.
QString notAFileMessage(const QString& path, const QString& problem);
QString saveFailedMessage(const QString& path, const QString& reason);   // for Retry / Cancel buttons
// For a file that cannot be read at all, which no save writes over.
QString unreadableFileMessage(const QString& path, const QString& problem);

// For standard error, when the program ends on a signal without saving.
QString notSavedAtEndMessage(const QString& path, const QString& reason);

// At start-up, when scores can be kept neither in the executable's folder
// nor in the per-user data folder (appDataFolder, empty when none could be
// determined).
QString noPlaceForScoresMessage(const QString& exeFolder, const QString& appDataFolder);

// Why a save could not take the lock on the file at path itself, where no
// lock file can be made: another copy held it for the whole wait.
QString sharedFileBusyReason(const QString& path);

// Why a save of a file rewritten in place failed, when this or an earlier
// attempt may have left it partly new; previousCopy is where the table read
// before the rewrite was kept (empty when none could be kept).
QString partlyWrittenReason(const QString& path, const ReplaceOutcome& outcome, const QString& previousCopy);

// Why a save that would rewrite the file at path in place was not made: what
// the file holds could not be kept at previousCopy first, so a rewrite cut
// short could not be undone. partlyWritten says an earlier attempt may have
// left the file partly new.
QString previousNotKeptReason(const QString& path, const QString& previousCopy, bool partlyWritten);
