#include "platform/FileReplacement.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool refusedByFolder(const FileOutcome& outcome)
{
    return (outcome.step == FileStep::Folder || outcome.step == FileStep::Rename)
        && (outcome.error == EACCES || outcome.error == EPERM);
}

FileOutcome replaceFile(const QString& path, QByteArrayView bytes)
{
    const QByteArray name = QFile::encodeName(path);
    const QByteArray temporary = name + ".tmp";
    struct stat old {};
    const bool replacesFile = ::lstat(name.constData(), &old) == 0 && S_ISREG(old.st_mode);
    if (::unlink(temporary.constData()) != 0 && errno != ENOENT)
        return {FileStep::Folder, errno};
    FileDescriptor file(::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!file.isValid())
        return {FileStep::Folder, errno};
    // Root replacing a player's file leaves it the player's; others cannot
    // give a file away, and the new file is then theirs.
    if (replacesFile && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
        && ::fchown(file.get(), old.st_uid, old.st_gid) != 0) {
    }
    bool written = writeAt(file.get(), bytes, 0) && (!replacesFile || ::fchmod(file.get(), old.st_mode & 07777) == 0)
        && ::fsync(file.get()) == 0;
    int error = errno;
    if (!file.close() && written) {
        written = false;
        error = errno;
    }
    if (!written || ::rename(temporary.constData(), name.constData()) != 0) {
        const FileOutcome failed{written ? FileStep::Rename : FileStep::Write, written ? errno : error};
        ::unlink(temporary.constData());
        return failed;
    }
    syncFolderOf(path);
    return {};
}
