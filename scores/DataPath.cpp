#include "scores/DataPath.h"

#include "scores/FileMessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <climits>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString inFolder(const QString& folder)
{
    const QString qtFolder = QDir::fromNativeSeparators(folder);
    const QString fileName = QStringLiteral("date.dat");
    return qtFolder.endsWith(QLatin1Char('/')) ? qtFolder + fileName : qtFolder + QLatin1Char('/') + fileName;
}

// An environment variable that names a folder by an absolute path; empty
// when it is unset, empty or relative, which the XDG rules say to ignore.
QString absoluteFolderFrom(const char* variable)
{
    const QByteArray value = qgetenv(variable);
    return value.startsWith('/') ? QFile::decodeName(value) : QString();
}

} // namespace

QString dataPathFor(const QString& exeFolder, bool exeFolderWritable, bool writableFileThere,
                    const QString& appDataFolder)
{
    if (!writableFileThere && !exeFolderWritable && !appDataFolder.isEmpty())
        return inFolder(appDataFolder);
    return inFolder(exeFolder);
}

QString programFolder()
{
    char target[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", target, sizeof target);
    if (size <= 0 || size_t(size) >= sizeof target)
        return QCoreApplication::applicationDirPath();
    const QByteArray exe(target, size);
    const QByteArray folder = exe.left(std::max(qsizetype(1), exe.lastIndexOf('/')));
    const QString decoded = QFile::decodeName(folder);
    if (QFile::encodeName(decoded) == folder)
        return decoded;
    // A name that does not survive the trip through text (Shift_JIS from
    // an archive, say) is reached through a descriptor of the folder held
    // for the program's life, whose name the system gives as plain text.
    const int held = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return held < 0 ? decoded : QStringLiteral("/proc/self/fd/%1").arg(held);
}

QString userDataFolder()
{
    QString base = absoluteFolderFrom("XDG_DATA_HOME");
    if (base.isEmpty()) {
        const QString home = absoluteFolderFrom("HOME");
        if (home.isEmpty())
            return QString();
        base = home + QStringLiteral("/.local/share");
    }
    return base + u'/' + QCoreApplication::applicationName();
}

QString dataPath(const QString& exeFolder, QString* notice, QString* seed)
{
    const QString shared = inFolder(exeFolder);
    const bool exists = QFileInfo::exists(shared);
    const bool writableFile = exists && ::access(QFile::encodeName(shared).constData(), W_OK) == 0;
    const bool writable = QFileInfo(exeFolder).isWritable();
    const QString appData = userDataFolder();
    const QString path = dataPathFor(exeFolder, writable, writableFile, appData);
    const bool madeAppData = path != shared && QDir().mkpath(appData);
    if (!writable && !writableFile && !madeAppData) {
        if (notice)
            *notice = noPlaceForScoresMessage(exeFolder, appData);
        return shared;
    }
    // Said once: from the next start on, the player's own file is read.
    if (madeAppData && exists && !QFileInfo::exists(path)) {
        if (seed)
            *seed = shared;
        if (notice)
            *notice = ownFileMessage(shared, path);
    }
    return path;
}
