#include "scores/DamagedCopy.h"

#include "platform/FileDescriptor.h"

#include <QFile>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

QString keepDamagedCopy(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return QString();
    for (int number = 0; number < 10000; ++number) {
        const QString kept = path + QStringLiteral(".damaged") + (number ? u'.' + QString::number(number) : QString());
        const QByteArray target = QFile::encodeName(kept);
        // A rename happens whole or not at all, and never over a name taken
        // meanwhile. A link at path moves as it is, still leading to the file.
        if (::renameat2(AT_FDCWD, name.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
            syncFolderOf(path);
            // If the name at path changed between the look and the move, the
            // file looked at is not the one kept.
            struct stat moved {};
            const bool same = ::stat(target.constData(), &moved) == 0 && moved.st_dev == info.st_dev
                && moved.st_ino == info.st_ino;
            return same ? kept : QString();
        }
        if (errno != EEXIST)
            return QString();
    }
    return QString();
}
