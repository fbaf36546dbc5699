#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

// The step at which replacing a file failed.
enum class ReplaceStep {
    None,           // the file was replaced
    Target,         // the path names a folder, which no file can replace (EISDIR)
    Create,         // the folder took no new file, and the file could not be rewritten in place either
    Write,          // writing, keeping the mode of or flushing the new file failed
    Rename,         // the new file could not take the path's name
    WriteInPlace,   // rewriting the file in place failed part way: it may be partly new
    Reserve,        // the file to rewrite in place has no room for the new length: it is unchanged
    Declined,       // beforeRewrite refused the rewrite in place: the file is unchanged
};

struct ReplaceOutcome {
    ReplaceStep failed = ReplaceStep::None;
    int error = 0;   // errno of the step that failed

    bool succeeded() const { return failed == ReplaceStep::None; }
};

// Writes bytes to a new file in the same folder as path and renames it over
// path, so that a failure or a kill at any point leaves the previous file
// whole; the new file is removed when a step fails. A link at path is
// replaced, never followed: what it points to is left as it was. The new
// file keeps the permissions (and, where allowed, the owner) of the regular
// file it replaces, and is flushed, as is the folder's list of names, before
// this returns. The new file is named path + ".<12 hexadecimal digits>.tmp";
// such a file left by a replacement that was killed is removed by the next
// one that succeeds, so replacements of one path must not overlap.
// When the folder cannot take a new file but path is a regular file with no
// other name that can be written, that file is rewritten in place instead:
// the new bytes over the old ones, then its length cut. The room for a longer
// file is reserved first, so that a full disk leaves the file as it was, and
// beforeRewrite, when given, runs once that room is there and before the
// first byte changes, with the file open for reading (where its permissions
// allow; read it at offsets, as pread does) and its length before the room
// was added; when it returns false, the room is given back and nothing is
// written. A rewrite in place is never atomic: a kill or a power cut during
// it can leave the file partly new.
using BeforeRewrite = std::function<bool(int fd, qint64 oldSize)>;
ReplaceOutcome replaceFile(const QString& path, QByteArrayView bytes, const BeforeRewrite& beforeRewrite = {});
