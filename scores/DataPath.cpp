#include "scores/DataPath.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

namespace {

QString inFolder(const QString& folder)
{
    const QString qtFolder = QDir::fromNativeSeparators(folder);
    const QString fileName = QStringLiteral("date.dat");
    return qtFolder.endsWith(QLatin1Char('/')) ? qtFolder + fileName : qtFolder + QLatin1Char('/') + fileName;
}

} // namespace

QString dataPathFor(const QString& exeFolder, bool exeFolderWritable, bool fileExistsThere,
                    const QString& appDataFolder)
{
    if (!fileExistsThere && !exeFolderWritable && !appDataFolder.isEmpty())
        return inFolder(appDataFolder);
    return inFolder(exeFolder);
}

QString dataPath(const QString& exeFolder)
{
    const bool exists = QFileInfo::exists(inFolder(exeFolder));
    const bool writable = QFileInfo(exeFolder).isWritable();
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString path = dataPathFor(exeFolder, writable, exists, appData);
    if (path != inFolder(exeFolder))
        QDir().mkpath(appData);
    return path;
}
