#pragma once

#include <QByteArrayView>
#include <QString>

// The step at which replacing a file failed.
enum class ReplaceStep {
    None,     // the file was replaced
    Target,   // the path names a folder, which no file can replace (EISDIR)
    Create,   // the folder took no new file
    Write,    // writing, keeping the mode of or flushing the new file failed
    Rename,   // the new file could not take the path's name
};

struct ReplaceOutcome {
    ReplaceStep failed = ReplaceStep::None;
    int error = 0;   // errno of the step that failed

    bool succeeded() const { return failed == ReplaceStep::None; }
    // The folder refused the new file or its rename (no permission, or a
    // sticky folder and another user's file), so the file itself may still
    // be rewritten in place.
    bool refused() const;
};

// Writes bytes to a new file in the same folder as path and renames it over
// path, so that a failure or a kill at any point leaves the previous file
// whole; the new file is removed when a step fails. A link at path is
// replaced, never followed. The new file keeps the permissions (and, where
// allowed, the owner) of the regular file it replaces, and is flushed, as is
// the folder's list of names, before this returns. It is named
// path + ".<12 hexadecimal digits>.tmp"; such a file left by a replacement
// that was killed is removed by the next one that succeeds, so replacements
// of one path must not overlap.
ReplaceOutcome replaceFile(const QString& path, QByteArrayView bytes);
