#pragma once

#include "platform/FileDescriptor.h"

#include <QByteArrayView>
#include <QString>

// Writes bytes to path + ".tmp" and renames it over path, so that a failure
// or a kill at any point leaves the previous file whole. A link at path is
// replaced, never followed. Whatever stands at the temporary name, left by a
// replacement that was killed, is removed first: replacements of one path
// must not overlap. The new file keeps the permissions (and, where allowed,
// the owner) of the regular file it replaces, and is flushed, as is the
// folder's list of names. Fails at Folder, Write or Rename.
FileOutcome replaceFile(const QString& path, QByteArrayView bytes);

// The folder refused the new file or its rename (no permission, or a sticky
// folder and another user's file): the file itself may still be rewritten.
bool refusedByFolder(const FileOutcome& outcome);
