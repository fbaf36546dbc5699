#include "scores/InPlaceBackup.h"

#include "platform/FileReplacement.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <unistd.h>

namespace {

// Larger than any table the game writes, so that a kept file is read whole.
constexpr qint64 KeptBytesRead = 64 * 1024 * 1024;

QByteArray readKept(const QString& path, bool* found)
{
    QFile file(path);
    *found = file.open(QIODevice::ReadOnly);
    return *found ? file.read(KeptBytesRead) : QByteArray();
}

} // namespace

InPlaceBackup::InPlaceBackup(const QString& path, const QString& folder)
{
    if (folder.isEmpty())
        return;
    const QByteArray key = QCryptographicHash::hash(QFile::encodeName(QFileInfo(path).absoluteFilePath()),
                                                    QCryptographicHash::Sha256)
                               .toHex()
                               .left(16);
    const QString stem = QDir(folder).filePath(QFileInfo(path).fileName() + u'.' + QString::fromLatin1(key));
    previous_ = stem + QStringLiteral(".previous");
    next_ = stem + QStringLiteral(".next");
}

bool InPlaceBackup::isKept() const
{
    return !previous_.isEmpty() && QFileInfo::exists(previous_);
}

bool InPlaceBackup::keep(QByteArrayView previous, QByteArrayView next) const
{
    return !previous_.isEmpty() && QDir().mkpath(QFileInfo(previous_).absolutePath())
        && replaceFile(next_, next).succeeded() && replaceFile(previous_, previous).succeeded();
}

void InPlaceBackup::remove() const
{
    if (previous_.isEmpty())
        return;
    ::unlink(QFile::encodeName(previous_).constData());
    ::unlink(QFile::encodeName(next_).constData());
}

bool InPlaceBackup::cutShort(QByteArrayView bytes) const
{
    bool hasPrevious = false;
    bool hasNext = false;
    const QByteArray previous = readKept(previous_, &hasPrevious);
    const QByteArray next = readKept(next_, &hasNext);
    if (!hasPrevious || !hasNext || bytes == previous || bytes == next)
        return false;
    const qsizetype longer = std::max(previous.size(), next.size());
    if (bytes.size() < std::min(previous.size(), next.size()) || bytes.size() > longer)
        return false;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const char byte = bytes[at];
        const bool fromPrevious = at < previous.size() && byte == previous[at];
        const bool fromNext = at < next.size() && byte == next[at];
        if (!fromPrevious && !fromNext && !(byte == 0 && at < longer))
            return false;
    }
    return true;
}
