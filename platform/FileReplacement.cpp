#include "platform/FileReplacement.h"

#include "platform/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int CreateAttempts = 10;

ReplaceOutcome failure(ReplaceStep step, int error)
{
    return ReplaceOutcome{step, error};
}

QString temporaryName(const QString& path)
{
    const quint64 random = QRandomGenerator::system()->generate64() & 0xFFFFFFFFFFFFull;
    return path + u'.' + QStringLiteral("%1").arg(random, 12, 16, QLatin1Char('0')) + QStringLiteral(".tmp");
}

// Flushes the folder's list of names, so that a rename in it lasts a power cut.
void syncFolder(const QString& path)
{
    const FileDescriptor folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                                       O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.isValid())
        ::fsync(folder.get());
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

// Only a file with one name is rewritten: writing into it changes every name
// it has. The room for a longer file is reserved before any byte changes;
// the new bytes then go over the old ones before the length is cut, so no
// write needs room the file does not have. nullopt when the file is not one
// to rewrite.
std::optional<ReplaceOutcome> replaceInPlace(const QByteArray& name, QByteArrayView bytes,
                                             const BeforeRewrite& beforeRewrite)
{
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(name.constData(), O_RDWR | flags);
    if (fd < 0 && errno == EACCES)
        fd = ::open(name.constData(), O_WRONLY | flags);
    FileDescriptor file(fd);
    struct stat info {};
    if (!file.isValid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1)
        return std::nullopt;
    if (bytes.size() > info.st_size) {
        if (const int error = ::posix_fallocate(file.get(), 0, off_t(bytes.size())); error != 0)
            return failure(ReplaceStep::Reserve, error);
    }
    if (beforeRewrite && !beforeRewrite(file.get(), qint64(info.st_size))) {
        if (bytes.size() > info.st_size && ::ftruncate(file.get(), info.st_size) != 0)
            return failure(ReplaceStep::WriteInPlace, errno);
        return failure(ReplaceStep::Declined, 0);
    }
    const bool written = writeAll(file.get(), bytes) && ::ftruncate(file.get(), off_t(bytes.size())) == 0
        && ::fsync(file.get()) == 0;
    const int error = errno;
    if (!file.close() || !written)
        return failure(ReplaceStep::WriteInPlace, written ? errno : error);
    return ReplaceOutcome{};
}

} // namespace

ReplaceOutcome replaceFile(const QString& path, QByteArrayView bytes, const BeforeRewrite& beforeRewrite)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat old {};
    const bool exists = ::lstat(name.constData(), &old) == 0;
    const bool replacesFile = exists && S_ISREG(old.st_mode);
    if (exists && S_ISDIR(old.st_mode))
        return failure(ReplaceStep::Target, EISDIR);

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < CreateAttempts && fd < 0; ++attempt) {
        temporary = QFile::encodeName(temporaryName(path));
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    FileDescriptor file(fd);
    if (!file.isValid()) {
        const int error = errno;
        if ((error == EACCES || error == EPERM) && replacesFile) {
            if (const std::optional<ReplaceOutcome> inPlace = replaceInPlace(name, bytes, beforeRewrite))
                return *inPlace;
        }
        return failure(ReplaceStep::Create, error);
    }

    // Root replacing a player's file leaves it the player's; others cannot
    // give a file away, and the new file is then theirs.
    if (replacesFile && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
        && ::fchown(file.get(), old.st_uid, old.st_gid) != 0) {
        // Not allowed to give it away: the new file stays the writer's.
    }
    bool written = writeAll(file.get(), bytes) && (!replacesFile || ::fchmod(file.get(), old.st_mode & 07777) == 0)
        && ::fsync(file.get()) == 0;
    int error = errno;
    if (!file.close() && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.constData());
        return failure(ReplaceStep::Write, error);
    }
    if (::rename(temporary.constData(), name.constData()) != 0) {
        error = errno;
        ::unlink(temporary.constData());
        return failure(ReplaceStep::Rename, error);
    }
    syncFolder(path);
    removeLeftovers(path);
    return ReplaceOutcome{};
}
