#include "platform/FileReplacement.h"

#include "platform/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int CreateAttempts = 10;

QByteArray temporaryName(const QString& path)
{
    const quint64 random = QRandomGenerator::system()->generate64() & 0xFFFFFFFFFFFFull;
    return QFile::encodeName(path + QStringLiteral(".%1.tmp").arg(random, 12, 16, QLatin1Char('0')));
}

// Removes what replacements that were killed left behind. Replacements of
// one path do not overlap, so any such file here is a leftover.
void removeLeftovers(const QString& path)
{
    const QFileInfo target(path);
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(target.fileName()) + QStringLiteral("\\.[0-9a-f]{12}\\.tmp")));
    const QDir folder = target.absoluteDir();
    for (const QString& name : folder.entryList({target.fileName() + QStringLiteral(".*.tmp")},
                                                QDir::Files | QDir::Hidden | QDir::System)) {
        struct stat info {};
        const QByteArray leftover = QFile::encodeName(folder.filePath(name));
        if (pattern.match(name).hasMatch() && ::lstat(leftover.constData(), &info) == 0 && S_ISREG(info.st_mode))
            ::unlink(leftover.constData());
    }
}

} // namespace

bool ReplaceOutcome::refused() const
{
    return (failed == ReplaceStep::Create || failed == ReplaceStep::Rename) && (error == EACCES || error == EPERM);
}

ReplaceOutcome replaceFile(const QString& path, QByteArrayView bytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat old {};
    const bool replacesFile = ::lstat(name.constData(), &old) == 0 && S_ISREG(old.st_mode);
    if (S_ISDIR(old.st_mode))
        return {ReplaceStep::Target, EISDIR};
    QByteArray temporary;
    FileDescriptor file;
    for (int attempt = 0; attempt < CreateAttempts && !file.isValid(); ++attempt) {
        temporary = temporaryName(path);
        file.reset(::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!file.isValid() && errno != EEXIST)
            break;
    }
    if (!file.isValid())
        return {ReplaceStep::Create, errno};
    // Root replacing a player's file leaves it the player's; others cannot
    // give a file away, and the new file is then theirs.
    if (replacesFile && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
        && ::fchown(file.get(), old.st_uid, old.st_gid) != 0) {
        // Not allowed to give it away: the new file stays the writer's.
    }
    bool written = writeAt(file.get(), bytes, 0) && (!replacesFile || ::fchmod(file.get(), old.st_mode & 07777) == 0)
        && ::fsync(file.get()) == 0;
    int error = errno;
    if (!file.close() && written) {
        written = false;
        error = errno;
    }
    const ReplaceStep step = !written ? ReplaceStep::Write
        : ::rename(temporary.constData(), name.constData()) != 0 ? ReplaceStep::Rename : ReplaceStep::None;
    if (step != ReplaceStep::None) {
        error = step == ReplaceStep::Write ? error : errno;
        ::unlink(temporary.constData());
        return {step, error};
    }
    syncFolderOf(path);
    removeLeftovers(path);
    return {};
}
