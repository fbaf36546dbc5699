#pragma once

#include <QString>

// Moves the regular file at path (or the link there that leads to one) to
// path + ".damaged", or the first of ".damaged.1", ".damaged.2", ... that is
// free, and flushes the folder's names: instant at any size, and owner, mode
// and bytes stay as they were. Returns the kept path, or an empty string
// when path is no regular file or its name could not move (a read-only or
// sticky folder); its bytes are never copied.
QString keepDamagedCopy(const QString& path);
