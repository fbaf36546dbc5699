#pragma once

class QString;

// Where date.dat lives. The executable's folder, with exactly one separator
// between folder and file name (also for the root folder "/"), unless that
// folder holds no date.dat and cannot be written: then the per-user data
// folder. An empty appDataFolder (none could be determined) keeps the
// executable's folder, where the save will fail and say so.
// Folders may be given with native separators; the result uses "/".
QString dataPathFor(const QString& exeFolder, bool exeFolderWritable, bool fileExistsThere,
                    const QString& appDataFolder);

// dataPathFor with its inputs taken from the file system and
// QStandardPaths::AppDataLocation; creates that folder when it is the one
// chosen.
QString dataPath(const QString& exeFolder);
