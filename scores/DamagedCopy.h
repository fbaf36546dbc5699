#pragma once

#include <QString>

// Keeps the bytes of the regular file at path (or the file a link there
// points to) under path + ".damaged", or the first of ".damaged.1",
// ".damaged.2", ... that is free. When one of those already holds the same
// bytes, nothing new is made and its path is returned. The copy is a second
// name for the same file where the file system allows it (instant for any
// size; a save never writes into a file with two names), otherwise a copy of
// its bytes. Returns the copy's path, or an empty string when no copy could be
// made or path is no regular file.
QString keepDamagedCopy(const QString& path);
