#pragma once

#include <QString>

// Keeps the regular file at path (or the file a link there points to) under
// path + ".damaged", or the first of ".damaged.1", ".damaged.2", ... that is
// free, and flushes the folder's names. The name at path is moved there, so
// that afterwards no file is at path: instant at any size, and owner, mode
// and bytes stay as they were. Where it cannot move, the file is given the
// new name as a second one instead; its bytes are never copied. When one of
// those names already holds the same bytes, nothing is moved or made and its
// path is returned. Returns the kept path, or an empty string when the file
// could not be kept or path is no regular file.
QString keepDamagedCopy(const QString& path);
